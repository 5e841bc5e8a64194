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
  cmake_parse_arguments(S "" "" "DEPS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT _src)
    return()
  endif()
  add_executable(${name} ${_src})
  target_link_libraries(${name} PRIVATE test_support ${S_DEPS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                      )
  _synth_note_threads_suites(${name} ${_src})
endfunction()

# Suites whose name ends in "Threads" are the ones the ThreadSanitizer configuration runs
# (ctest -R 'Threads\.'). Target threads_tests builds only the test binaries that hold
# one, so that configuration builds only what it runs.
function(_synth_note_threads_suites name)
  if(NOT TARGET threads_tests)
    add_custom_target(threads_tests)
  endif()
  foreach(_file ${ARGN})
    file(STRINGS ${_file} _hits REGEX "^[ \t]*(TEST|TEST_F|TEST_P|TYPED_TEST|TYPED_TEST_P)\\([ \t]*[A-Za-z0-9_]*Threads[ \t]*,")
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
