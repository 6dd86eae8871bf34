# libFuzzer targets for every decoder of bytes that other computers write: the shared settings,
# local settings, notes, the shared log, the workstation file, CP932 texts and date-times; and of the
# shape files FSTYLE.nnn that lie beside the program.
#
# A build of its own, with clang:
#   cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTACKWISP_FUZZ=ON -DTACKWISP_CORE_ONLY=ON
#   cmake --build build-fuzz -j2 --target fuzz_targets
#   bash tests/fuzz/run_fuzz.sh build-fuzz 60          # seconds per target
# The seed inputs in tests/fuzz/corpus/ are written by `fuzz_make_seeds tests/fuzz/corpus`.
#
# The core is compiled a second time, instrumented for coverage and checked by AddressSanitizer and
# UndefinedBehaviorSanitizer; any finding of a sanitizer stops the run. Included from the top
# CMakeLists.txt after the core library is defined: the instrumented core has the same sources.
option(TACKWISP_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(NOT TACKWISP_FUZZ)
  return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "TACKWISP_FUZZ needs clang and its libFuzzer: configure with -DCMAKE_CXX_COMPILER=clang++")
endif()
if(WIN32)
  message(FATAL_ERROR "TACKWISP_FUZZ builds on Linux only")
endif()

set(TW_FUZZ_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)
if(TARGET tackwisp_core)
  get_target_property(TW_FUZZ_CORE_SOURCES tackwisp_core SOURCES)
else()
  file(GLOB TW_FUZZ_CORE_SOURCES CONFIGURE_DEPENDS ${TW_FUZZ_ROOT}/src/platform/*.cpp
       ${TW_FUZZ_ROOT}/src/platform/posix/*.cpp)
  foreach(sub model app notes window messaging questionnaire dialogs)
    file(GLOB sub_sources CONFIGURE_DEPENDS ${TW_FUZZ_ROOT}/src/${sub}/*.cpp)
    list(APPEND TW_FUZZ_CORE_SOURCES ${sub_sources})
  endforeach()
endif()

set(TW_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

# The project's strict warnings (TACKWISP_WERROR) where the top CMakeLists.txt defines them.
macro(tw_fuzz_strict target)
  if(COMMAND tackwisp_strict)
    tackwisp_strict(${target})
  endif()
endmacro()

add_library(tackwisp_core_fuzz STATIC ${TW_FUZZ_CORE_SOURCES})
tw_fuzz_strict(tackwisp_core_fuzz)
target_include_directories(tackwisp_core_fuzz PUBLIC ${TW_FUZZ_ROOT}/src)
target_compile_options(tackwisp_core_fuzz PUBLIC ${TW_SANITIZERS} PRIVATE -fsanitize=fuzzer-no-link)
target_link_options(tackwisp_core_fuzz PUBLIC ${TW_SANITIZERS})
find_package(Threads REQUIRED)
target_link_libraries(tackwisp_core_fuzz PUBLIC Threads::Threads)

add_custom_target(fuzz_targets)
file(GLOB TW_FUZZ_TARGET_SOURCES CONFIGURE_DEPENDS ${TW_FUZZ_ROOT}/tests/fuzz/*_fuzz.cpp)
foreach(src ${TW_FUZZ_TARGET_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  tw_fuzz_strict(${name})
  target_include_directories(${name} PRIVATE ${TW_FUZZ_ROOT}/tests/fuzz)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE tackwisp_core_fuzz)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  add_dependencies(fuzz_targets ${name})
endforeach()

# The seed writer: a plain program (no libFuzzer) on the same instrumented core.
add_executable(fuzz_make_seeds ${TW_FUZZ_ROOT}/tests/fuzz/make_seeds.cpp)
tw_fuzz_strict(fuzz_make_seeds)
target_include_directories(fuzz_make_seeds PRIVATE ${TW_FUZZ_ROOT}/tests/fuzz)
target_link_libraries(fuzz_make_seeds PRIVATE tackwisp_core_fuzz)
set_target_properties(fuzz_make_seeds PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
