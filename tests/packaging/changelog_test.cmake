# The package's changelog from CHANGELOG.md: an undated section left out, headings,
# items and their next lines indented, a line's semicolons and brackets kept, each
# version's date with its day of the week, the newest dated section's date for the release.
# cmake -DSOURCE_DIR=<source> -DWORK=<folder> -P changelog_test.cmake
set(PROJECT_VERSION 2.0.0)
set(BRAMBIX_MAINTAINER "M <m@example.org>")
include("${SOURCE_DIR}/cmake/Changelog.cmake")
file(WRITE "${WORK}/CHANGELOG.md" "# Changelog\n\nIntro.\n\n## Unreleased\n\n- not yet\n\n"
  "## [2.0.0] - 2028-02-29\n\n### Fixed\n\n- a [bracket; and\n  a semicolon]\n\n"
  "## 1.0.0 - 2027-01-01\n\nFirst.\n")
brambix_debian_changelog("${WORK}/CHANGELOG.md" "${SOURCE_DIR}/dist/changelog.in" "${WORK}/changelog")
file(READ "${WORK}/changelog" got)
string(CONCAT want "brambix (2.0.0) unstable; urgency=medium\n\n  Fixed\n\n  * a [bracket; and\n    a semicolon]\n\n"
  " -- M <m@example.org>  Tue, 29 Feb 2028 00:00:00 +0000\n\n"
  "brambix (1.0.0) unstable; urgency=medium\n\n  First.\n\n -- M <m@example.org>  Fri, 01 Jan 2027 00:00:00 +0000\n")
if(NOT got STREQUAL want OR NOT BRAMBIX_RELEASE_MONTH STREQUAL "February 2028")
  message(FATAL_ERROR "got:\n${got}\nwant:\n${want}\nrelease month: ${BRAMBIX_RELEASE_MONTH}")
endif()
