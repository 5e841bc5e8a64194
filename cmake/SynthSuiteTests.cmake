# Run by CTest before it runs anything (a test directory's TEST_INCLUDE_FILES): registers one
# CTest test per GoogleTest suite of a test binary that runs under the emulator or the
# sanitizers, named "<prefix><suite>.*" and running that suite's cases in one process. A
# failing case is named by the output ctest shows on failure; a skipped one and its reason by
# the log. Under the emulator each process pays the emulator's start and the binary's
# translation, with the sanitizers their start, which one process per case paid for every
# case.
#
# Set by the including file: _bin, _emulator (a list), _prefix, _dir (working directory),
# _cache (the generated list, made anew when the binary is newer).
if(NOT EXISTS "${_bin}")
  get_filename_component(_name "${_bin}" NAME)
  add_test("${_prefix}${_name}_NOT_BUILT" "${_bin}")
  return()
endif()
if(NOT EXISTS "${_cache}" OR "${_bin}" IS_NEWER_THAN "${_cache}")
  execute_process(COMMAND ${_emulator} "${_bin}" --gtest_list_tests WORKING_DIRECTORY "${_dir}"
                  OUTPUT_VARIABLE _listing ERROR_VARIABLE _listing RESULT_VARIABLE _status TIMEOUT 120)
  if(NOT _status EQUAL 0)
    message(FATAL_ERROR "${_bin} --gtest_list_tests failed (${_status}):\n${_listing}")
  endif()
  set(_script "")
  string(REPLACE "\n" ";" _lines "${_listing}")
  foreach(_line IN LISTS _lines)
    # Suite lines start in the first column ("Suite." or "Prefix/Suite/0.  # TypeParam = ..."),
    # case lines are indented.
    if(_line MATCHES "^([A-Za-z_][A-Za-z0-9_/]*)\\.( +#.*)?$")
      set(_suite "${CMAKE_MATCH_1}")
      string(APPEND _script
        "add_test([==[${_prefix}${_suite}.*]==] ${_emulator} [==[${_bin}]==] [==[--gtest_filter=${_suite}.*]==])\n"
        "set_tests_properties([==[${_prefix}${_suite}.*]==] PROPERTIES WORKING_DIRECTORY [==[${_dir}]==])\n")
    endif()
  endforeach()
  file(WRITE "${_cache}" "${_script}")
endif()
include("${_cache}")
