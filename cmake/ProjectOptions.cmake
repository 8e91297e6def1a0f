# Project-wide switches and the two interface targets every target links.

option(ZRC_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)
option(ZRC_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(ZRC_BUILD_TESTS "Build the test suite" ON)
option(ZRC_BUILD_BENCH "Build the benchmarks (needs Google Benchmark)" ON)
option(ZRC_BUILD_PLAYER "Build the desktop player ZrcPlayer (needs Qt 6 Widgets)" ON)
option(ZRC_BUILD_GST "Build the GStreamer plugin zrc when pkg-config finds GStreamer 1.x" ON)
option(ZRC_BUILD_FUZZ "Build the libFuzzer targets of fuzz/ (needs clang; instruments every target)" OFF)
# The player's texts are chosen when it is built, never at run time.
set(ZRC_LANGUAGE "E" CACHE STRING "Language letter of the player's texts: J for Japanese, any other letter for English")
if(NOT ZRC_LANGUAGE MATCHES "^[A-Za-z]$")
  message(FATAL_ERROR "ZRC_LANGUAGE must be one letter, not '${ZRC_LANGUAGE}'")
endif()

add_library(zrc_warnings INTERFACE)
target_compile_options(zrc_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wcast-align -Wformat=2
  $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor -Wold-style-cast>)
# GCC 12 reports overlapping copies inside std::string at -O3 that cannot
# happen (its bug 105329); later versions do not.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(zrc_warnings INTERFACE $<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict>)
endif()
if(ZRC_WARNINGS_AS_ERRORS)
  target_compile_options(zrc_warnings INTERFACE -Werror)
endif()

# libFuzzer ships with clang only. A fuzzing build instruments everything it
# links for coverage and always runs under the sanitizers: a fuzzer that
# cannot see a bad read finds nothing.
if(ZRC_BUILD_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "ZRC_BUILD_FUZZ needs clang (libFuzzer): configure a build folder of its own with "
                      "CC=clang CXX=clang++, as scripts/fuzz does")
endif()

add_library(zrc_sanitizers INTERFACE)
if(ZRC_SANITIZE OR ZRC_BUILD_FUZZ)
  target_compile_options(zrc_sanitizers INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(zrc_sanitizers INTERFACE -fsanitize=address,undefined)
endif()
if(ZRC_BUILD_FUZZ)
  target_compile_options(zrc_sanitizers INTERFACE -fsanitize=fuzzer-no-link
    -fsanitize-coverage-ignorelist=${PROJECT_SOURCE_DIR}/fuzz/coverage_ignorelist.txt)
endif()
