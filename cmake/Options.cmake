# Warnings, sanitizers, fuzzing and the static Windows link, shared by every target.
set(MORVANE_SANITIZE "" CACHE STRING "Sanitizers for native builds, e.g. address;undefined or thread")
option(MORVANE_FUZZ "Build the libFuzzer targets (clang only)" OFF)

add_library(morvane_options INTERFACE)
target_compile_options(morvane_options INTERFACE -Wall -Wextra -Wpedantic)
target_include_directories(morvane_options INTERFACE ${CMAKE_BINARY_DIR}/generated)

if(MORVANE_SANITIZE)
  list(JOIN MORVANE_SANITIZE "," _san)
  add_compile_options(-fsanitize=${_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_san})
endif()

if(WIN32)
  # Import system DLLs only: the C and C++ runtimes and winpthreads go in statically.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Small release programs: drop unused code and the symbol tables.
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections $<$<CONFIG:MinSizeRel>:-s>)
  target_compile_definitions(morvane_options INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                             _WIN32_WINNT=0x0601)
endif()
