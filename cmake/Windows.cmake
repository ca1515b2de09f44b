# The Windows program: a windowed (GUI) .exe with its icon, version information and
# manifest, and the README.txt for players that goes beside it.

include_guard(GLOBAL)

set(_win "${PROJECT_SOURCE_DIR}/dist/windows")
set(_gen "${CMAKE_BINARY_DIR}/dist/windows")
set(BRAMBIX_ICO "${_gen}/brambix.ico")
set(BRAMBIX_MANIFEST "${_win}/brambix.manifest")

add_custom_command(
  OUTPUT "${BRAMBIX_ICO}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${_gen}"
  COMMAND pixelicon --ico "${PROJECT_SOURCE_DIR}/dist/icon.txt" "${BRAMBIX_ICO}" 16 32 48 64 128 256
  DEPENDS pixelicon "${PROJECT_SOURCE_DIR}/dist/icon.txt"
  COMMENT "Drawing the Windows icon"
  VERBATIM)
configure_file("${_win}/brambix.rc.in" "${_gen}/brambix.rc" @ONLY)
include("${PROJECT_SOURCE_DIR}/cmake/PlayerTexts.cmake")
brambix_player_text("${_win}/README.txt.in" "${_gen}/README.txt" CRLF)
add_custom_target(brambix_windows_readme ALL DEPENDS "${_gen}/README.txt")
set_source_files_properties("${_gen}/brambix.rc" PROPERTIES OBJECT_DEPENDS "${BRAMBIX_ICO};${BRAMBIX_MANIFEST}")

target_sources(brambix PRIVATE "${_gen}/brambix.rc")
set_target_properties(brambix PROPERTIES WIN32_EXECUTABLE ON)
