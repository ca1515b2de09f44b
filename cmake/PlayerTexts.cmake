# The numbers and defaults a player reads in the manual page and the READMEs, printed by
# tools/playertexts from the table the game itself plays by (src/controls/controls.h),
# so that they are stated once. Its script sets:
#   BRAMBIX_HOLD_MS, BRAMBIX_HOLD_LEAST, BRAMBIX_HOLD_MOST  the hold, in milliseconds
#   BRAMBIX_HOLD_TEXT       the default hold as words ("half a second")
#   BRAMBIX_CONTROLS_MAN    the controls table as manual page lines
#   BRAMBIX_CONTROLS_TEXT   the same as plain text, for the Windows README
#   BRAMBIX_CONTROLS_MD     the same as a Markdown table, for README.md
#
# From a project: brambix_player_text(<template> <output> [CRLF]) fills the template's
# other @VARIABLES@ now and these while building, once playertexts is built (run through
# the cross build's emulator, as the other tools are).
# As a script: cmake -DTEXTS=<playertexts' script> -DIN=<half-filled> -DOUT=<file> [-DCRLF=ON] -P PlayerTexts.cmake

set(_BRAMBIX_PLAYER_TEXT_VARS BRAMBIX_HOLD_MS BRAMBIX_HOLD_LEAST BRAMBIX_HOLD_MOST BRAMBIX_HOLD_TEXT
  BRAMBIX_CONTROLS_MAN BRAMBIX_CONTROLS_TEXT BRAMBIX_CONTROLS_MD)

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE AND DEFINED OUT)
  include("${TEXTS}")
  foreach(var IN LISTS _BRAMBIX_PLAYER_TEXT_VARS)
    if(NOT DEFINED ${var})
      message(FATAL_ERROR "${TEXTS} does not set ${var}")
    endif()
  endforeach()
  # Filled while installing, for the prefix installed to.
  set(BRAMBIX_INSTALLED_DATA "@BRAMBIX_INSTALLED_DATA@")
  if(CRLF)
    configure_file("${IN}" "${OUT}" @ONLY NEWLINE_STYLE CRLF)
  else()
    configure_file("${IN}" "${OUT}" @ONLY)
  endif()
  return()
endif()

include_guard(GLOBAL)

function(brambix_player_text template output)
  get_filename_component(name "${output}" NAME)
  set(dir "${CMAKE_BINARY_DIR}/player_texts")
  set(half "${dir}/${name}.in")
  set(texts "${dir}/${name}.texts.cmake")
  # Everything but the controls' texts now; those stay as they are for the build.
  foreach(var IN LISTS _BRAMBIX_PLAYER_TEXT_VARS ITEMS BRAMBIX_INSTALLED_DATA)
    set(${var} "@${var}@")
  endforeach()
  configure_file("${template}" "${half}" @ONLY)
  set(crlf OFF)
  if("CRLF" IN_LIST ARGN)
    set(crlf ON)
  endif()
  add_custom_command(
    OUTPUT "${texts}"
    COMMAND playertexts cmake "${texts}"
    DEPENDS playertexts
    COMMENT "Printing the controls' texts for ${name}"
    VERBATIM)
  add_custom_command(
    OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}" -DTEXTS=${texts} -DIN=${half} -DOUT=${output} -DCRLF=${crlf}
      -P "${CMAKE_CURRENT_FUNCTION_LIST_FILE}"
    DEPENDS "${texts}" "${half}" "${CMAKE_CURRENT_FUNCTION_LIST_FILE}"
    COMMENT "Writing ${name} with the controls' texts"
    VERBATIM)
endfunction()

# The blocks of README.md made from the table: the controls table between its two
# marks, and every <!--hold-->...<!--/hold--> the default hold in words, from the
# variables playertexts' script set. Sets `out` to README.md as it should be.
function(brambix_readme_as_made readme out)
  file(READ "${readme}" text)
  set(begin "<!-- the controls table: made from src/controls/controls.h, checked by the tests -->\n")
  set(end "<!-- end of the controls table -->")
  string(FIND "${text}" "${begin}" at)
  string(FIND "${text}" "${end}" stop)
  if(at LESS 0 OR stop LESS at)
    message(FATAL_ERROR "${readme}: the marks of the controls table are missing")
  endif()
  string(LENGTH "${begin}" n)
  math(EXPR from "${at} + ${n}")
  string(SUBSTRING "${text}" 0 ${from} head)
  string(SUBSTRING "${text}" ${stop} -1 tail)
  set(text "${head}${BRAMBIX_CONTROLS_MD}${tail}")
  string(REGEX REPLACE "<!--hold-->[^<]*<!--/hold-->" "<!--hold-->${BRAMBIX_HOLD_TEXT}<!--/hold-->" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()
