# The libraries, the test programs and quorvex-sim compile their sources a few at a time, each
# batch one translation unit that includes them (quorvex_batch_sources). Qt's and GoogleTest's
# headers are then parsed once a batch instead of once a file, which halves a build from scratch.
option(QUORVEX_UNITY_BUILD "Compile the sources of each library and program in batches" ON)

# Warnings as errors on our own code only (Qt's and GoogleTest's headers come in as system headers).
# The sanitized build turns the errors off: with the sanitizers on, g++ 12 warns falsely from
# inside the standard library (std::string, std::regex).
option(QUORVEX_WARNINGS_AS_ERRORS "Treat compiler warnings on Quorvex's code as errors" ON)
function(quorvex_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(QUORVEX_UNITY_BUILD AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # A batch includes each source as if it were a header, and g++ then takes a test fixture in
    # an anonymous namespace for a header's type with internal linkage.
    target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
  endif()
  if(QUORVEX_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Compiles the .cpp sources of `target` eight at a time: each batch is a generated file that
# includes them by their path from the project's root, so that a clone in another folder finds
# the batch in the compiler cache (CMake's own unity build names them by absolute path). File-local
# names must therefore differ within a target. A batch is rewritten only when its list changes.
function(quorvex_batch_sources target)
  if(NOT QUORVEX_UNITY_BUILD)
    return()
  endif()
  get_target_property(sources ${target} SOURCES)
  set(files "")
  foreach(source IN LISTS sources)
    if(source MATCHES "\\.cpp$")
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} OUTPUT_VARIABLE path)
      file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${path})
      list(APPEND files ${relative})
      set_source_files_properties(${source} PROPERTIES HEADER_FILE_ONLY ON)
    endif()
  endforeach()
  list(LENGTH files total)
  if(total EQUAL 0)
    return()
  endif()
  math(EXPR last "${total} - 1")
  set(batches "")
  foreach(first RANGE 0 ${last} 8)
    list(SUBLIST files ${first} 8 batchFiles)
    list(TRANSFORM batchFiles PREPEND "#include \"")
    list(TRANSFORM batchFiles APPEND "\"\n")
    list(JOIN batchFiles "" content)
    list(LENGTH batches number)
    set(batch ${CMAKE_CURRENT_BINARY_DIR}/${target}_batches/batch_${number}.cpp)
    file(CONFIGURE OUTPUT ${batch} CONTENT "${content}")
    list(APPEND batches ${batch})
  endforeach()
  target_sources(${target} PRIVATE ${batches})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()

# A library of one source folder: quorvex_library(<name> SOURCES ... LIBS ...)
function(quorvex_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  quorvex_warnings(${name})
  quorvex_batch_sources(${name})
endfunction()

# A GoogleTest executable registered with CTest as one test. Widget tests run on the offscreen
# platform; text comparisons run in the C locale unless a test pins another. A program whose
# tests were all skipped shows as skipped (tests/support/SkipReport.cpp).
# ARGS go to the program (e.g. a --gtest_filter leaving out tests that another registration runs).
# quorvex_test(<name> SOURCES ... LIBS ... [QT_MAIN] [LABELS ...] [TIMEOUT s] [ARGS ...])
function(quorvex_test name)
  cmake_parse_arguments(ARG "QT_MAIN" "TIMEOUT" "SOURCES;LIBS;LABELS;ARGS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_QT_MAIN)
    target_link_libraries(${name} PRIVATE quorvex_test_support GTest::gtest)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock quorvex_skip_report)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  quorvex_warnings(${name})
  # What the tests check is the libraries' code, optimised as it ships; the tests' own code is
  # compiled lightly, which takes a third less compiler time.
  target_compile_options(${name} PRIVATE -O1)
  quorvex_batch_sources(${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  # No test reaches the calibration store of the user running them: the store's default place
  # is in the build folder, and tests that use a store move it to a folder of their own.
  set(environment QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8
    XDG_DATA_HOME=${PROJECT_BINARY_DIR}/test-data-home)
  if(NOT "pipewire" IN_LIST ARG_LABELS)
    # ALSA's default device leads to a desktop's PipeWire (pipewire-alsa makes it so) or
    # PulseAudio: tests play to the JACK test server or to nothing, never to the tester's ears.
    list(APPEND environment PIPEWIRE_RUNTIME_DIR=/nonexistent PULSE_SERVER=unix:/nonexistent)
  endif()
  add_test(NAME ${name} COMMAND ${name} ${ARG_ARGS} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "${environment}"
    LABELS "${ARG_LABELS}"
    SKIP_REGULAR_EXPRESSION "QUORVEX-ALL-SKIPPED"
    TIMEOUT ${ARG_TIMEOUT})
endfunction()

# Registers the test program `target` once more, as test `name`, against the PipeWire test server
# (QUORVEX_TEST_SOUND_SERVER=pipewire), labelled pipewire. The tests of that label share the
# server's one sink, so they run one at a time. quorvex_pipewire_test(<name> <target> [ARGS ...])
function(quorvex_pipewire_test name target)
  cmake_parse_arguments(ARG "" "" "ARGS" ${ARGN})
  add_test(NAME ${name} COMMAND ${target} ${ARG_ARGS} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LANG=C.UTF-8;QUORVEX_TEST_SOUND_SERVER=pipewire;XDG_DATA_HOME=${PROJECT_BINARY_DIR}/test-data-home"
    LABELS pipewire
    RESOURCE_LOCK quorvex-test-sink
    SKIP_REGULAR_EXPRESSION "QUORVEX-ALL-SKIPPED"
    TIMEOUT 300)
endfunction()
