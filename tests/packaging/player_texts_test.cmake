# README.md's controls table and the hold it names are those of the table the game plays
# by; on a difference this prints README.md's block as it should be, to paste in.
# cmake -DSOURCE_DIR=<source> -P player_texts_test.cmake
include("${SOURCE_DIR}/cmake/PlayerTexts.cmake")
brambix_player_texts("${SOURCE_DIR}")
brambix_readme_as_made("${SOURCE_DIR}/README.md" want)
file(READ "${SOURCE_DIR}/README.md" got)
if(NOT got STREQUAL want)
  message(FATAL_ERROR "README.md differs from the controls table in src/controls/controls.h; its table should read:\n"
    "${BRAMBIX_CONTROLS_MD}\nand each <!--hold-->...<!--/hold--> should say ${BRAMBIX_HOLD_TEXT}")
endif()
# The hold's words are those --help prints (holdText), at either end of the range too.
foreach(pair "500=half a second" "1000=1 second" "300=0.3 seconds" "750=0.75 seconds" "305=0.305 seconds")
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 ms)
  list(GET pair 1 text)
  brambix_hold_text(${ms} said)
  if(NOT said STREQUAL text)
    message(FATAL_ERROR "a hold of ${ms} ms reads '${said}', not '${text}'")
  endif()
endforeach()
