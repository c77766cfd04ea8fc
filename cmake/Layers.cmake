include(${CMAKE_CURRENT_LIST_DIR}/UnityExclusions.cmake)

# rk17_layer(NAME DIR DEPS...): a static library of every .cpp in DIR and in its helper folder
# DIR/parts (the pieces its classes are built from), not the program entries main_*.cpp.
# A folder without sources yet becomes an interface library, so the layering stays in place.
function(rk17_layer name dir)
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/parts/*.cpp)
  list(FILTER _sources EXCLUDE REGEX "/main_[^/]*\\.cpp$")
  if(_sources)
    add_library(${name} STATIC ${_sources})
    rk17_unity_exclusions(${_sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/${dir})
    if(IS_DIRECTORY ${CMAKE_SOURCE_DIR}/${dir}/parts)
      target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/${dir}/parts)
    endif()
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/${dir})
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# rk17_test(NAME DIR [SERIAL] LIBS...): one GoogleTest program of every .cpp in tests/DIR, linked
# with LIBS (the layer it tests) and the shared test helpers (tests/support, tests/support/base).
# Each test case becomes a CTest test; every run is non-interactive. SERIAL runs its cases alone
# (they drive windows on the shared X server, where another window could take the focus).
function(rk17_test name dir)
  cmake_parse_arguments(PARSE_ARGV 2 _opt "SERIAL" "" "")
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp)
  if(NOT _sources)
    return()
  endif()
  add_executable(${name} ${_sources})
  rk17_unity_exclusions(${_sources})
  target_link_libraries(${name} PRIVATE rk17_test_support_base ${_opt_UNPARSED_ARGUMENTS} GTest::gtest GTest::gtest_main)
  # Built after the program and the pack writer, which the whole-program tests and the show
  # data run: an order of building, not a link.
  add_dependencies(${name} rk17 vddpack)
  target_compile_definitions(${name} PRIVATE
    RK17_SOURCE_DIR="${CMAKE_SOURCE_DIR}" RK17_BINARY_DIR="${CMAKE_BINARY_DIR}"
    RK17_SHARED_DIR="${CMAKE_SOURCE_DIR}/../shared")
  # Test code needs line numbers, not speed: lighter optimisation and debug info, and GoogleTest
  # parsed once for all test programs (the first one makes the precompiled header, the others
  # reuse it; they share compile options and definitions), take more than half off building the tests.
  target_compile_options(${name} PRIVATE $<$<CONFIG:RelWithDebInfo>:-O1 -g1>)
  get_property(_pch_owner GLOBAL PROPERTY RK17_TEST_PCH_OWNER)
  if(_pch_owner)
    target_precompile_headers(${name} REUSE_FROM ${_pch_owner})
  else()
    target_precompile_headers(${name} PRIVATE <gtest/gtest.h> <string> <vector>)
    set_property(GLOBAL PROPERTY RK17_TEST_PCH_OWNER ${name})
  endif()
  set(_serial FALSE)
  if(_opt_SERIAL)
    set(_serial TRUE)
  endif()
  # The timeout only stops a hung test: the longest whole-program test takes half a minute alone,
  # three times that under the sanitizers, and several times more on a machine shared with builds.
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES RUN_SERIAL ${_serial} TIMEOUT 900 ENVIRONMENT "RK17_NONINTERACTIVE=1")
endfunction()
