# find_package(NAME REQUIRED) with a message naming the Debian package that holds it, for the
# target's architecture in a cross build (scripts/setup installs both).
macro(synth_require_package name debian_package)
  find_package(${name})
  if(NOT ${name}_FOUND)
    if(CMAKE_CROSSCOMPILING AND SYNTH_DEBIAN_ARCH)
      message(FATAL_ERROR "${name} for the target not found: install ${debian_package}:${SYNTH_DEBIAN_ARCH} "
                          "(scripts/setup installs it with its host twin)")
    else()
      message(FATAL_ERROR "${name} not found: install ${debian_package} (scripts/setup)")
    endif()
  endif()
endmacro()

# A subsystem is one static library made of every source in its directory, so that
# adding a class is adding its header/source pair and nothing else.
function(synth_subsystem name)
  cmake_parse_arguments(S "" "" "DEPS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  if(_src)
    add_library(${name} STATIC ${_src})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${S_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${S_DEPS})
  endif()
endfunction()

# One GoogleTest binary per test directory; every test case becomes a CTest test.
function(synth_test_dir name)
  cmake_parse_arguments(S "" "" "DEPS;ALONE" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT _src)
    return()
  endif()
  _synth_note_threads_suites(${name} ${_src})
  synth_tsan_sources(_src ${_src})
  add_executable(${name} ${_src})
  target_link_libraries(${name} PRIVATE test_support ${S_DEPS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  synth_test_options(${name})
  synth_unity(${name} ${S_ALONE})
  synth_discover_tests(${name})
endfunction()

# Registers a GoogleTest binary's tests with CTest: natively one test per case ("Suite.Case",
# what -R selects a case or a suite by); under the emulator and with the sanitizers one test
# per suite ("Suite.*", cmake/SynthSuiteTests.cmake), since each process there costs the
# emulator's start or the sanitizers' (some 0.3 s of CPU, more than most cases take).
function(synth_discover_tests name)
  cmake_parse_arguments(S "" "PREFIX" "" ${ARGN})
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR AND NOT SYNTH_SANITIZE)
    gtest_discover_tests(${name} TEST_PREFIX "${S_PREFIX}" DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
    return()
  endif()
  set(_include "${CMAKE_CURRENT_BINARY_DIR}/${name}_suites_include.cmake")
  file(GENERATE OUTPUT "${_include}" CONTENT
"set(_bin [==[$<TARGET_FILE:${name}>]==])
set(_emulator [==[${CMAKE_CROSSCOMPILING_EMULATOR}]==])
set(_prefix [==[${S_PREFIX}]==])
set(_dir [==[${CMAKE_CURRENT_BINARY_DIR}]==])
set(_cache [==[${CMAKE_CURRENT_BINARY_DIR}/${name}_suites.cmake]==])
include([==[${CMAKE_SOURCE_DIR}/cmake/SynthSuiteTests.cmake]==])
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${_include}")
endfunction()

# Batches of a test binary's files compiled as one (SYNTH_UNITY_BUILD). The files named after
# the target (relative to the current source directory) are compiled alone: their file-local
# helpers share names with another file's.
function(synth_unity name)
  if(NOT SYNTH_UNITY_BUILD)
    return()
  endif()
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  # A fixture class of a file-local namespace is "in a header" once the file is included.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${name} PRIVATE -Wno-subobject-linkage)
  endif()
  foreach(_file ${ARGN})
    set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/${_file} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
  endforeach()
endfunction()

# What every test binary is built with: the test framework's precompiled headers and, in a
# Release build, -O2 in place of -O3: the code under test is in the libraries, built as the
# configuration says, and -O3 made the test files' own code some 60 % dearer to compile for
# nothing a test measures.
function(synth_test_options name)
  synth_test_pch(${name})
  target_compile_options(${name} PRIVATE $<$<CONFIG:Release>:-O2>)
  # GCC 12's bounds warnings misfire on std::string and std::vector copies once inlined into
  # test bodies (the sanitizer build checks the real bounds of every test).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${name} PRIVATE -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread)
  endif()
endfunction()

# The test framework's headers, precompiled once per test binary (a binary's own compile
# definitions differ from the next one's, so each has its own).
function(synth_test_pch name)
  if(SYNTH_TEST_PCH)
    target_precompile_headers(${name} PRIVATE <gtest/gtest.h> <gmock/gmock.h>)
  endif()
endfunction()

set(_synth_threads_regex "^[ \t]*(TEST|TEST_F|TEST_P|TYPED_TEST|TYPED_TEST_P)\\([ \t]*[A-Za-z0-9_]*Threads[ \t]*,")
set(_synth_any_test_regex "^[ \t]*(TEST|TEST_F|TEST_P|TYPED_TEST|TYPED_TEST_P|INSTANTIATE_TEST_SUITE_P)\\(")

# The ThreadSanitizer configuration runs only the "Threads" suites, so its test binaries are
# made of the files that hold one and the files that hold no test at all (helpers); the
# other configurations take every file. Sets `out` to the list to build.
function(synth_tsan_sources out)
  if(NOT SYNTH_TSAN)
    set(${out} ${ARGN} PARENT_SCOPE)
    return()
  endif()
  set(_kept)
  foreach(_file ${ARGN})
    file(STRINGS ${_file} _threads REGEX "${_synth_threads_regex}")
    file(STRINGS ${_file} _tests REGEX "${_synth_any_test_regex}")
    if(_threads OR NOT _tests)
      list(APPEND _kept ${_file})
    endif()
  endforeach()
  set(${out} ${_kept} PARENT_SCOPE)
endfunction()

# Suites whose name ends in "Threads" are the ones the ThreadSanitizer configuration runs
# (ctest -R 'Threads\.'). Target threads_tests builds only the test binaries that hold
# one, so that configuration builds only what it runs.
function(_synth_note_threads_suites name)
  if(NOT TARGET threads_tests)
    add_custom_target(threads_tests)
  endif()
  foreach(_file ${ARGN})
    file(STRINGS ${_file} _hits REGEX "${_synth_threads_regex}")
    if(_hits)
      add_dependencies(threads_tests ${name})
      break()
    endif()
  endforeach()
  if(SYNTH_TSAN)
    # A suite added to an existing file must reach the target without a fresh configure.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ARGN})
  endif()
endfunction()
