# README.md's controls table and the hold it names are those of the table the game plays
# by, as playertexts prints them; on a difference this prints README.md's block as it
# should be, to paste in.
# cmake -DSOURCE_DIR=<source> -DTOOL=<playertexts> [-DEMULATOR=<runner>] -DWORK=<folder> -P player_texts_test.cmake
include("${SOURCE_DIR}/cmake/PlayerTexts.cmake")
set(texts "${WORK}/player_texts_test.cmake")
execute_process(COMMAND ${EMULATOR} "${TOOL}" cmake "${texts}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "playertexts failed: ${rc}")
endif()
include("${texts}")
brambix_readme_as_made("${SOURCE_DIR}/README.md" want)
file(READ "${SOURCE_DIR}/README.md" got)
if(NOT got STREQUAL want)
  message(FATAL_ERROR "README.md differs from the controls table in src/controls/controls.h; its table should read:\n"
    "${BRAMBIX_CONTROLS_MD}\nand each <!--hold-->...<!--/hold--> should say ${BRAMBIX_HOLD_TEXT}")
endif()
