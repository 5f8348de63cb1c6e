# Warnings as errors on our own code only (Qt's and GoogleTest's headers come in as system headers).
# The sanitized build turns the errors off: with the sanitizers on, g++ 12 warns falsely from
# inside the standard library (std::string, std::regex).
option(QUORVEX_WARNINGS_AS_ERRORS "Treat compiler warnings on Quorvex's code as errors" ON)
function(quorvex_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(QUORVEX_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Precompiled headers. Most of a source file's compile time goes into the standard library's, Qt's
# and GoogleTest's headers; each kind of target (library or test, with or without widgets) has
# them compiled once, by a target of its own, and its sources reuse that. g++ takes a header
# precompiled with other Qt module macros (-DQT_..._LIB) as long as the header does not look at
# them, which is why QtTest, whose headers do, is left out; clang refuses any difference, so
# with clang each target compiles the headers itself. -Winvalid-pch (added by CMake) with
# -Werror turns a header that could not be used into an error instead of a slow build.
option(QUORVEX_PRECOMPILED_HEADERS "Compile the common headers once for many sources" ON)
set(QUORVEX_PCH_CORE <algorithm> <array> <chrono> <cmath> <cstdint> <filesystem> <fstream> <functional>
  <map> <memory> <optional> <set> <string> <string_view> <vector> <QObject> <QString> <QStringList>)
set(QUORVEX_PCH_WIDGETS <QApplication> <QWidget> <QDialog> <QLabel> <QPushButton> <QLineEdit> <QGroupBox>
  <QMessageBox> <QPlainTextEdit> <QTimer> <QVBoxLayout>)
set(QUORVEX_PCH_TEST <gtest/gtest.h> <gmock/gmock.h>)

# True in `out` when `target` links QtWidgets, directly or through the libraries it links.
function(quorvex_links_widgets out target)
  set(seen "")
  set(pending ${target})
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen OR NOT TARGET ${current})
      continue()
    endif()
    list(APPEND seen ${current})
    if(current STREQUAL "Qt6::Widgets")
      set(${out} TRUE PARENT_SCOPE)
      return()
    endif()
    get_target_property(type ${current} TYPE)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct ${current} LINK_LIBRARIES)
      if(direct)
        list(APPEND pending ${direct})
      endif()
    endif()
    get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
    if(interface)
      list(APPEND pending ${interface})
    endif()
  endwhile()
  set(${out} FALSE PARENT_SCOPE)
endfunction()

# quorvex_precompiled_headers(<target> library|test)
function(quorvex_precompiled_headers target kind)
  if(NOT QUORVEX_PRECOMPILED_HEADERS)
    return()
  endif()
  set(headers ${QUORVEX_PCH_CORE})
  set(libs Qt6::Core)
  quorvex_links_widgets(widgets ${target})
  if(widgets)
    list(APPEND headers ${QUORVEX_PCH_WIDGETS})
    set(libs Qt6::Widgets)
    set(donor quorvex_pch_${kind}_widgets)
  else()
    set(donor quorvex_pch_${kind}_core)
  endif()
  if(kind STREQUAL "test")
    list(APPEND headers ${QUORVEX_PCH_TEST})
    list(APPEND libs GTest::gtest GTest::gmock)
  endif()
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_precompile_headers(${target} PRIVATE ${headers})
    return()
  endif()
  # Through ccache too: the sources find the compiled header by the -include CMake gives them.
  target_compile_options(${target} PRIVATE -fpch-preprocess)
  if(NOT TARGET ${donor})
    # Made in the top folder, so that every folder's targets can reuse it.
    file(WRITE ${PROJECT_BINARY_DIR}/${donor}.cpp "// Compiles the precompiled headers of ${donor}.\n")
    add_library(${donor} OBJECT ${PROJECT_BINARY_DIR}/${donor}.cpp)
    target_link_libraries(${donor} PRIVATE ${libs})
    target_precompile_headers(${donor} PRIVATE ${headers})
    target_compile_options(${donor} PRIVATE -fpch-preprocess)
    quorvex_warnings(${donor})
    set_target_properties(${donor} PROPERTIES AUTOMOC OFF POSITION_INDEPENDENT_CODE ON)
  endif()
  target_precompile_headers(${target} REUSE_FROM ${donor})
endfunction()

# A library of one source folder: quorvex_library(<name> SOURCES ... LIBS ...)
function(quorvex_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  quorvex_warnings(${name})
  quorvex_precompiled_headers(${name} library)
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
  quorvex_precompiled_headers(${name} test)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set(environment QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8)
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
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LANG=C.UTF-8;QUORVEX_TEST_SOUND_SERVER=pipewire"
    LABELS pipewire
    RESOURCE_LOCK quorvex-test-sink
    SKIP_REGULAR_EXPRESSION "QUORVEX-ALL-SKIPPED"
    TIMEOUT 300)
endfunction()
