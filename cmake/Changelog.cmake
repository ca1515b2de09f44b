# The Debian package's changelog, made from CHANGELOG.md: one entry of dist/changelog.in
# for each version with a date, newest first.
#
#   ## 1.2.0 - 2027-01-31        (or ## [1.2.0] - 2027-01-31; a section without a date,
#   ### Added                     such as ## Unreleased, is left out)
#   - a change, and its           ->    Added
#     next line                         * a change, and its
#                                         next line
#
# The newest dated section must be the project's version: bumping the version is that
# one edit and a new section. Its date is the release's, for the AppStream data and the
# manual page: BRAMBIX_RELEASE_DATE (2027-01-31) and BRAMBIX_RELEASE_MONTH (January 2027).

include_guard(GLOBAL)

# _brambix_rfc2822(DATE OUT): YYYY-MM-DD as "Www, DD Mmm YYYY 00:00:00 +0000".
function(_brambix_rfc2822 date out)
  string(REGEX MATCH "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$" _ "${date}")
  math(EXPR y "${CMAKE_MATCH_1}")
  math(EXPR m "1${CMAKE_MATCH_2} - 100")
  math(EXPR d "1${CMAKE_MATCH_3} - 100")
  if(m LESS 1 OR m GREATER 12 OR d LESS 1 OR d GREATER 31)
    message(FATAL_ERROR "CHANGELOG.md: ${date} is no date")
  endif()
  # Sakamoto's day of the week, 0 for Sunday.
  set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
  math(EXPR i "${m} - 1")
  list(GET offsets ${i} t)
  if(m LESS 3)
    math(EXPR y "${y} - 1")
  endif()
  math(EXPR w "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${t} + ${d}) % 7")
  list(GET _brambix_days ${w} day)
  list(GET _brambix_months ${i} month)
  set(${out} "${day}, ${CMAKE_MATCH_3} ${month} ${CMAKE_MATCH_1} 00:00:00 +0000" PARENT_SCOPE)
endfunction()
set(_brambix_days Sun Mon Tue Wed Thu Fri Sat)
set(_brambix_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(_brambix_month_names January February March April May June July August September October
  November December)

# brambix_debian_changelog(SOURCE TEMPLATE OUT): writes OUT from SOURCE.
function(brambix_debian_changelog source template out)
  file(READ "${source}" text)
  # One list item per line; the lines' own semicolons and brackets (which a list
  # would read as its own) kept aside meanwhile.
  string(ASCII 29 semicolon)
  string(ASCII 30 open)
  string(ASCII 31 close)
  string(REPLACE ";" "${semicolon}" text "${text}")
  string(REPLACE "[" "${open}" text "${text}")
  string(REPLACE "]" "${close}" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  list(APPEND lines "## ") # ends the last section as the next one would
  file(READ "${template}" entry_template)
  set(result "")
  set(version "")
  set(newest "")
  foreach(line IN LISTS lines)
    string(REPLACE "${semicolon}" ";" line "${line}")
    string(REPLACE "${open}" "[" line "${line}")
    string(REPLACE "${close}" "]" line "${line}")
    if(line MATCHES "^## ")
      if(NOT version STREQUAL "")
        string(REGEX REPLACE "\n+$" "\n" changes "${changes}")
        string(CONFIGURE "${entry_template}" one @ONLY)
        string(APPEND result "${one}\n")
      endif()
      set(version "")
      set(changes "")
      if(line MATCHES "^## \\[?([0-9][0-9A-Za-z.+~-]*)\\]? - ([0-9-]+)[ \t]*$")
        set(version "${CMAKE_MATCH_1}")
        _brambix_rfc2822("${CMAKE_MATCH_2}" date)
        if(newest STREQUAL "")
          set(newest "${version}")
          set(newest_date "${CMAKE_MATCH_2}")
        endif()
      endif()
    elseif(version STREQUAL "")
      # The title and what comes before the first version, or an undated section.
    elseif(line MATCHES "^### +(.*)$")
      string(APPEND changes "  ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^- (.*)$")
      string(APPEND changes "  * ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^[ \t]*$")
      if(NOT changes STREQUAL "" AND NOT changes MATCHES "\n\n$")
        string(APPEND changes "\n")
      endif()
    else()
      string(APPEND changes "  ${line}\n")
    endif()
  endforeach()
  if(NOT newest STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "CHANGELOG.md: the newest version with a date is '${newest}', the project's is "
      "${PROJECT_VERSION}: add a section '## ${PROJECT_VERSION} - YYYY-MM-DD' saying what changed")
  endif()
  string(SUBSTRING "${newest_date}" 5 2 month)
  math(EXPR month "1${month} - 101")
  list(GET _brambix_month_names ${month} month)
  string(SUBSTRING "${newest_date}" 0 4 year)
  set(BRAMBIX_RELEASE_DATE "${newest_date}" PARENT_SCOPE)
  set(BRAMBIX_RELEASE_MONTH "${month} ${year}" PARENT_SCOPE)
  string(REGEX REPLACE "\n+$" "\n" result "${result}")
  file(WRITE "${out}.new" "${result}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${out}.new" "${out}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}" "${template}")
endfunction()
