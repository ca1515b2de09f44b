# Installing Brambix (cmake --install) and packaging it as a .deb (cpack -G DEB).
#
#   <prefix>/bin/brambix
#   <prefix>/share/brambix/assets/        pictures, recipes.json, arial.ttf
#   <prefix>/share/applications/<id>.desktop
#   <prefix>/share/icons/hicolor/<N>x<N>/apps/<id>.png
#   <prefix>/share/metainfo/<id>.metainfo.xml
#   <prefix>/share/man/man6/brambix.6.gz
#   <prefix>/share/doc/brambix/           copyright, changelog.gz
#
# Destinations are relative, so --prefix and DESTDIR both work; the program finds its
# data from its own folder (BRAMBIX_DATA_FROM_BIN).

include_guard(GLOBAL)

set(BRAMBIX_MAINTAINER "The Brambix developers <brambix@users.noreply.github.com>"
  CACHE STRING "Maintainer named in the .deb and its changelog")
set(BRAMBIX_ICON_SIZES 16 32 48 64 128 256)
set(_dist "${PROJECT_SOURCE_DIR}/dist")
set(_gen "${CMAKE_BINARY_DIR}/dist")
set(_data "${CMAKE_INSTALL_DATADIR}/brambix")

# Folders are 0755 whatever the umask of whoever installs or packages: install() reads
# the first variable, the install script's own file() calls the one it sets, cpack the last.
set(_dir_mode OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${_dir_mode})
install(CODE "set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${_dir_mode})")
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${_dir_mode})
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/CPackFolders.cmake")

# The files made from templates and from the icon's art; the package's changelog and
# the release's date from CHANGELOG.md.
include("${CMAKE_CURRENT_LIST_DIR}/Changelog.cmake")
brambix_debian_changelog("${PROJECT_SOURCE_DIR}/CHANGELOG.md" "${_dist}/changelog.in" "${_gen}/changelog")
configure_file("${_dist}/brambix.desktop.in" "${_gen}/${BRAMBIX_APP_ID}.desktop" @ONLY)
configure_file("${_dist}/brambix.metainfo.xml.in" "${_gen}/${BRAMBIX_APP_ID}.metainfo.xml" @ONLY)
configure_file("${_dist}/copyright.in" "${_gen}/copyright" @ONLY)
# The manual page's controls and numbers from the table the game plays by; the data
# folder of the prefix is put in while installing.
include("${CMAKE_CURRENT_LIST_DIR}/PlayerTexts.cmake")
brambix_player_text("${_dist}/brambix.6.in" "${_gen}/man/brambix.6.in")

set(_icons "")
foreach(size IN LISTS BRAMBIX_ICON_SIZES)
  list(APPEND _icons "${_gen}/icons/${size}x${size}/apps/${BRAMBIX_APP_ID}.png")
endforeach()
add_custom_command(
  OUTPUT ${_icons}
  COMMAND pixelicon "${_dist}/icon.txt" "${_gen}/icons" "${BRAMBIX_APP_ID}" ${BRAMBIX_ICON_SIZES}
  DEPENDS pixelicon "${_dist}/icon.txt"
  COMMENT "Drawing the icon in sizes ${BRAMBIX_ICON_SIZES}"
  VERBATIM)
# gzip -n: no name or time stamp inside, so the same input gives the same bytes.
add_custom_command(
  OUTPUT "${_gen}/changelog.gz"
  COMMAND gzip -9nfk "${_gen}/changelog"
  DEPENDS "${_gen}/changelog"
  COMMENT "Compressing the changelog"
  VERBATIM)
add_custom_target(brambix_dist ALL DEPENDS ${_icons} "${_gen}/changelog.gz" "${_gen}/man/brambix.6.in")

install(TARGETS brambix RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")

set(_assets "${BRAMBIX_RUN_DIR}/assets/recipes.json")
foreach(name IN LISTS BRAMBIX_ART_NAMES)
  list(APPEND _assets "${BRAMBIX_RUN_DIR}/assets/${name}.png")
endforeach()
install(FILES ${_assets} DESTINATION "${_data}/assets")

# The font package that owns the build's font, for the .deb's dependencies: the
# installed assets/arial.ttf can then link to the system's font instead of a copy.
# Worked out afresh at every configure (the font may change); -DBRAMBIX_FONT_PACKAGE=
# names it by hand, or with an empty value always copies the font.
if(DEFINED BRAMBIX_FONT_PACKAGE)
  set(_font_package "${BRAMBIX_FONT_PACKAGE}")
else()
  set(_font_package "")
  find_program(DPKG_QUERY dpkg-query)
  if(DPKG_QUERY)
    execute_process(COMMAND "${DPKG_QUERY}" -S "${BRAMBIX_FONT}"
      OUTPUT_VARIABLE _owner ERROR_QUIET RESULT_VARIABLE _rc OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(_rc EQUAL 0 AND _owner MATCHES "^([a-z0-9.+-]+)(:[a-z0-9]+)?: ")
      set(_font_package "${CMAKE_MATCH_1}")
    endif()
  endif()
endif()

# Where the prefix holds the font itself (/usr for the .deb) and a package owns it, the
# font is a relative link to it; anywhere else a copy, so the installed game keeps
# working whatever happens to the build's machine.
install(CODE "
  set(_font \"${BRAMBIX_FONT}\")
  set(_dir \"\${CMAKE_INSTALL_PREFIX}/${_data}/assets\")
  set(_to \"\$ENV{DESTDIR}\${_dir}/arial.ttf\")
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${_dir}\")
  file(REMOVE \"\${_to}\")
  string(FIND \"\${_font}\" \"\${CMAKE_INSTALL_PREFIX}/\" _at)
  if(NOT \"${_font_package}\" STREQUAL \"\" AND _at EQUAL 0)
    file(RELATIVE_PATH _link \"\${_dir}\" \"\${_font}\")
    message(STATUS \"Linking: \${_to} -> \${_link}\")
    file(CREATE_LINK \"\${_link}\" \"\${_to}\" SYMBOLIC)
  else()
    message(STATUS \"Installing: \${_to}\")
    configure_file(\"\${_font}\" \"\${_to}\" COPYONLY)
  endif()
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${_to}\")
")

# The package keeps the program in /usr/bin, where cmake --install puts it, rather
# than in /usr/games: one layout for both ways of installing. Lintian is told so.
install(CODE "
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    file(INSTALL \"${_dist}/lintian-overrides\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/lintian/overrides\"
      RENAME brambix)
  endif()
")
install(FILES "${_gen}/${BRAMBIX_APP_ID}.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${_gen}/${BRAMBIX_APP_ID}.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(DIRECTORY "${_gen}/icons/" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor")
# The manual page names the data folder of the prefix it is installed under (the
# package's /usr, not the build's default /usr/local), so it is made while installing.
install(CODE "
  set(BRAMBIX_INSTALLED_DATA \"\${CMAKE_INSTALL_PREFIX}/${_data}\")
  configure_file(\"${_gen}/man/brambix.6.in\" \"${_gen}/man/brambix.6\" @ONLY)
  execute_process(COMMAND gzip -9nf \"${_gen}/man/brambix.6\" RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR \"cannot compress the manual page\")
  endif()
  file(INSTALL \"${_gen}/man/brambix.6.gz\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man6\")
")
install(FILES "${_gen}/copyright" "${_gen}/changelog.gz" DESTINATION "${CMAKE_INSTALL_DOCDIR}")

# The .deb: brambix_<version>_<arch>.deb, its library dependencies (SDL2 or SDL3, as
# built) worked out by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brambix)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Brambix developers")
set(CPACK_PACKAGE_CONTACT "${BRAMBIX_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "top-down sandbox game of grass, trees, creatures and crafting")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Brambix is a small single-player sandbox game seen from above.
The player walks over an endless world of grass and trees where pigs,
cows and sheep wander, breaks tiles into items, hunts for meat and
crafts planks, sticks, a crafting table and wooden tools from a recipe
book. Nothing is saved: every run is a fresh world.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${_font_package}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Installed with DESTDIR under the prefix /usr, so that the install step above sees the
# package's real prefix (and links the font rather than copying it).
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_FILE_NAME "brambix_${PROJECT_VERSION}")
include(CPack)
