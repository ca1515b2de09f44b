# Brambix game assets: the pixel-art tool and the staging of the run folder.
#
#   include(cmake/Assets.cmake)
#   brambix_stage_assets("${CMAKE_BINARY_DIR}/run")
#
# After building the `brambix_assets` target, <run_dir>/assets/ holds a PNG
# drawn from each of assets/art/*.txt, recipes.json and the UI font as arial.ttf: the
# data files the game is made of. The window's icon is built into the program.

include_guard(GLOBAL)

# Every picture the game loads; each has a source assets/art/<name>.txt. The pictures
# are named in the game's tables (ITEMS in src/rules/items.cpp, CREATURES in
# src/rules/creatures.h, the player's and the heart in src/shell/app/assets.h): the
# shell test TexturesTest.TheArtListIsWhatTheGameLoads fails when the two disagree.
set(BRAMBIX_ART_NAMES
  grass wood leaf planks stick crafting meet
  axe_wood pickaxe_wood shovel_wood hoe_wood sword_wood
  pig1 pig2 cow1 cow2 sheep1 sheep2
  plgo1 plgo2
  healt
)

# The source tree root, found from this file's own place so that the file can
# be included from any project or subdirectory.
get_filename_component(BRAMBIX_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(BRAMBIX_ART_DIR "${BRAMBIX_SOURCE_ROOT}/assets/art")

if(NOT TARGET pixelart)
  add_subdirectory("${BRAMBIX_SOURCE_ROOT}/tools/pixelart" "${CMAKE_BINARY_DIR}/tools/pixelart")
endif()

# The art folder must hold exactly the listed sources: a missing one would
# break the game, a stray one would silently never be built.
file(GLOB _brambix_art_found RELATIVE "${BRAMBIX_ART_DIR}" CONFIGURE_DEPENDS "${BRAMBIX_ART_DIR}/*.txt")
set(_brambix_art_expected "")
foreach(_name IN LISTS BRAMBIX_ART_NAMES)
  list(APPEND _brambix_art_expected "${_name}.txt")
endforeach()
set(_brambix_art_missing ${_brambix_art_expected})
list(REMOVE_ITEM _brambix_art_missing ${_brambix_art_found})
set(_brambix_art_extra ${_brambix_art_found})
list(REMOVE_ITEM _brambix_art_extra ${_brambix_art_expected})
if(_brambix_art_missing OR _brambix_art_extra)
  message(FATAL_ERROR
    "assets/art does not match BRAMBIX_ART_NAMES in cmake/Assets.cmake.\n"
    "  missing: ${_brambix_art_missing}\n  not listed: ${_brambix_art_extra}")
endif()

# Creates the `brambix_assets` target (built by default) that fills
# <run_dir>/assets. Sets BRAMBIX_RUN_DIR and BRAMBIX_ART_DIR in the caller's scope.
function(brambix_stage_assets run_dir)
  if(TARGET brambix_assets)
    message(FATAL_ERROR "brambix_stage_assets() may only be called once")
  endif()
  get_filename_component(run_dir "${run_dir}" ABSOLUTE BASE_DIR "${CMAKE_BINARY_DIR}")
  set(out_dir "${run_dir}/assets")

  # The UI font: the first free sans-serif TrueType font found, searched by
  # name in this order: Liberation Sans (liberation2, then liberation), DejaVu Sans.
  find_file(BRAMBIX_FONT
    NAMES LiberationSans-Regular.ttf DejaVuSans.ttf
    PATHS
      /usr/share/fonts/truetype/liberation2
      /usr/share/fonts/truetype/liberation
      /usr/share/fonts/truetype/dejavu
    NO_DEFAULT_PATH
    # A cross build looks for libraries in its target's folders; the font is read here.
    NO_CMAKE_FIND_ROOT_PATH
    DOC "TrueType font copied into the run folder as assets/arial.ttf")
  if(NOT BRAMBIX_FONT OR NOT EXISTS "${BRAMBIX_FONT}")
    message(FATAL_ERROR
      "No TrueType font found for the game's text (BRAMBIX_FONT='${BRAMBIX_FONT}').\n"
      "Install Liberation Sans (Debian 12: apt-get install fonts-liberation2; Debian 13: fonts-liberation), "
      "or pass -DBRAMBIX_FONT=/path/to/font.ttf.")
  endif()

  set(recipes "${BRAMBIX_SOURCE_ROOT}/assets/recipes.json")
  if(NOT EXISTS "${recipes}")
    message(FATAL_ERROR "Missing ${recipes}: the crafting recipes are copied into the run folder.")
  endif()

  set(sources "")
  set(pngs "")
  foreach(name IN LISTS BRAMBIX_ART_NAMES)
    list(APPEND sources "${BRAMBIX_ART_DIR}/${name}.txt")
    list(APPEND pngs "${out_dir}/${name}.png")
  endforeach()
  # One run draws every picture (it is fast); it reruns when any source or the tool changes.
  add_custom_command(
    OUTPUT ${pngs}
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${out_dir}"
    COMMAND pixelart "${out_dir}" ${sources}
    DEPENDS pixelart ${sources}
    COMMENT "Drawing pictures into ${out_dir}"
    VERBATIM)

  add_custom_command(
    OUTPUT "${out_dir}/recipes.json"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${out_dir}"
    COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${recipes}" "${out_dir}/recipes.json"
    DEPENDS "${recipes}"
    COMMENT "Copying recipes.json"
    VERBATIM)

  add_custom_command(
    OUTPUT "${out_dir}/arial.ttf"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${out_dir}"
    COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${BRAMBIX_FONT}" "${out_dir}/arial.ttf"
    DEPENDS "${BRAMBIX_FONT}"
    COMMENT "Copying font ${BRAMBIX_FONT} as arial.ttf"
    VERBATIM)

  add_custom_target(brambix_assets ALL
    DEPENDS ${pngs} "${out_dir}/recipes.json" "${out_dir}/arial.ttf")

  set(BRAMBIX_RUN_DIR "${run_dir}" PARENT_SCOPE)
  set(BRAMBIX_ART_DIR "${BRAMBIX_ART_DIR}" PARENT_SCOPE)
endfunction()
