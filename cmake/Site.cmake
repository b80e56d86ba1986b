# The two settings a build is made for: the site and the built-in version text.
set(MORVANE_SITE "http://127.0.0.1:47301" CACHE STRING
    "The site's scheme, host and optional port, no trailing slash (e.g. http://www.example.cn)")
set(MORVANE_VERSION "0.1" CACHE STRING "The version text built into both programs")

if(NOT MORVANE_SITE MATCHES "^http://[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?(:[0-9]+)?$")
  message(FATAL_ERROR
    "MORVANE_SITE is '${MORVANE_SITE}': it must be an http address made of the scheme, the host "
    "and an optional port, with no path and no trailing slash, for example http://www.example.cn "
    "or http://127.0.0.1:8080 (https is not supported by the programs).")
endif()
if(MORVANE_SITE MATCHES ":([0-9]+)$")
  if(CMAKE_MATCH_1 LESS 1 OR CMAKE_MATCH_1 GREATER 65535)
    message(FATAL_ERROR "MORVANE_SITE '${MORVANE_SITE}': the port must be between 1 and 65535.")
  endif()
endif()
if(MORVANE_VERSION STREQUAL "" OR NOT MORVANE_VERSION MATCHES "^[!-~]+$"
   OR MORVANE_VERSION MATCHES "[\"\\\\]")
  message(FATAL_ERROR
    "MORVANE_VERSION is '${MORVANE_VERSION}': it must be a non-empty text of printable ASCII "
    "characters without blanks, quotes or backslashes (the programs compare it byte by byte "
    "with the version the manifest announces).")
endif()

set(MORVANE_MANIFEST_URL "${MORVANE_SITE}/desk/update.txt")
set(MORVANE_HOME_URL "${MORVANE_SITE}/")
configure_file(${CMAKE_CURRENT_LIST_DIR}/build_config.h.in ${CMAKE_BINARY_DIR}/generated/build_config.h @ONLY)
