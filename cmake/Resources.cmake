# The Windows programs' icon and version resource (common/resources/), and the inspection test of a
# built program (tests/resources/check_exe.sh).
#
#   morvane_add_resources(<target> NAME <internal name> DESCRIPTION <text> [RC <extra .rc file>])
#     Gives <target> the icon (resource id 1: the executable's own icon, and the window icon through
#     LoadIconW(instance, MAKEINTRESOURCEW(MORVANE_APP_ICON)) from common/resources/app_icon.h) and
#     the version resource 1.0.0.0 with the string table 080404B0: InternalName <internal name>,
#     OriginalFilename <internal name>.exe, FileDescription <text> (UTF-8 like this file; Chinese is
#     fine: the generated .rc is converted to GBK). The extra .rc, if given, is compiled the same
#     way: it is read as GBK (windres -c 936, include path common/resources) and must not declare
#     icon id 1 or a version resource.
#
#   morvane_add_exe_check(<target>)
#     Registers the test <target>_exe_check (label exe): machine type, system DLLs only, version
#     resource and icon of the built program, by inspection (no Wine needed).
get_filename_component(MORVANE_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR}/../common/resources ABSOLUTE)
get_filename_component(MORVANE_EXE_CHECK ${CMAKE_CURRENT_LIST_DIR}/../tests/resources/check_exe.sh ABSOLUTE)

function(morvane_add_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "NAME;DESCRIPTION;RC" "")
  if(ARG_UNPARSED_ARGUMENTS OR ARG_KEYWORDS_MISSING_VALUES)
    message(FATAL_ERROR "morvane_add_resources(${target}): unexpected arguments "
                        "'${ARG_UNPARSED_ARGUMENTS}${ARG_KEYWORDS_MISSING_VALUES}'")
  endif()
  if(NOT TARGET ${target})
    message(FATAL_ERROR "morvane_add_resources: '${target}' is not a target")
  endif()
  if(NOT ARG_NAME MATCHES "^[A-Za-z0-9_.-]+$")
    message(FATAL_ERROR "morvane_add_resources(${target}): NAME '${ARG_NAME}' must be a plain file "
                        "name without extension (letters, digits, _ . -)")
  endif()
  if(ARG_DESCRIPTION STREQUAL "")
    message(FATAL_ERROR "morvane_add_resources(${target}): DESCRIPTION is required")
  endif()

  # Values of the template; a double quote inside an .rc string is written twice.
  set(MORVANE_RC_NAME ${ARG_NAME})
  string(REPLACE "\"" "\"\"" MORVANE_RC_DESCRIPTION "${ARG_DESCRIPTION}")

  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  configure_file(${MORVANE_RESOURCES_DIR}/version.rc.in ${dir}/version.utf8.rc @ONLY)
  execute_process(COMMAND iconv -f UTF-8 -t GBK ${dir}/version.utf8.rc
                  OUTPUT_FILE ${dir}/version.gbk.tmp
                  RESULT_VARIABLE status ERROR_VARIABLE error)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "morvane_add_resources(${target}): cannot convert ${dir}/version.utf8.rc "
                        "to GBK (is every character of the description in GBK?): ${error}")
  endif()
  # Rewritten only when it changes, so a reconfigure does not rebuild the programs.
  file(COPY_FILE ${dir}/version.gbk.tmp ${dir}/version.rc ONLY_IF_DIFFERENT)

  set(rc_files ${dir}/version.rc)
  if(ARG_RC)
    get_filename_component(extra ${ARG_RC} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND rc_files ${extra})
  endif()
  target_sources(${target} PRIVATE ${rc_files})
  # The code page goes on the sources: CMake passes only -D and -I of a target's options to the
  # resource compiler.
  set_property(SOURCE ${rc_files} TARGET_DIRECTORY ${target} APPEND PROPERTY COMPILE_OPTIONS -c 936)
  # windres does not report what an .rc includes; the icon and the id header are known.
  set_property(SOURCE ${dir}/version.rc TARGET_DIRECTORY ${target} APPEND PROPERTY OBJECT_DEPENDS
               ${MORVANE_RESOURCES_DIR}/morvane.ico ${MORVANE_RESOURCES_DIR}/app_icon.h)
  target_include_directories(${target} PRIVATE $<$<COMPILE_LANGUAGE:RC>:${MORVANE_RESOURCES_DIR}>)
endfunction()

function(morvane_add_exe_check target)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(machine i386)
  else()
    set(machine x86-64)
  endif()
  add_test(NAME ${target}_exe_check COMMAND bash ${MORVANE_EXE_CHECK} $<TARGET_FILE:${target}> ${machine})
  set_tests_properties(${target}_exe_check PROPERTIES LABELS exe TIMEOUT 60)
endfunction()
