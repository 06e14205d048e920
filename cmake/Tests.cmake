if(WIN32)
  # No packaged GoogleTest exists for the cross compiler: build it from the sources Debian's
  # googletest package ships, with its own flags (its warnings never fail our build).
  set(VELLOMARCH_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
  if(NOT EXISTS ${VELLOMARCH_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${VELLOMARCH_GTEST_SOURCE}: install googletest")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VELLOMARCH_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()
# Listing the tests starts Wine on Windows, and a sanitized test program of several hundred tests
# on Linux; on a loaded machine either takes more than the default five seconds.
set(VELLOMARCH_GTEST_DISCOVERY_OPTIONS DISCOVERY_TIMEOUT 120)
include(GoogleTest)

include(cmake/Fakes.cmake)

# One test program per group, registered twice:
# - each test on its own (labels core, scenario, linux, windows), so that a developer runs one
#   test or one group by name: `ctest --preset linux -R SodiumDataProtection`, `-L core`;
# - the whole program in VELLOMARCH_TEST_SHARDS parts (label whole, named "<program> part K of N"),
#   which is how scripts/test runs them: a process per test costs more than most tests (a
#   sanitized program's start, an X server, a Wine process), and the parts keep both cores busy.
set(VELLOMARCH_TEST_SHARDS 2)
function(vellomarch_test_group name label folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE vellomarch_fakes GTest::gtest_main ${ARGN})
  vellomarch_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST ${VELLOMARCH_GTEST_DISCOVERY_OPTIONS}
    PROPERTIES LABELS ${label})
  foreach(part RANGE 1 ${VELLOMARCH_TEST_SHARDS})
    math(EXPR index "${part} - 1")
    set(test_name "${name} part ${part} of ${VELLOMARCH_TEST_SHARDS}")
    add_test(NAME ${test_name} COMMAND ${name})
    set_tests_properties(${test_name} PROPERTIES LABELS whole
      ENVIRONMENT "GTEST_TOTAL_SHARDS=${VELLOMARCH_TEST_SHARDS};GTEST_SHARD_INDEX=${index}")
  endforeach()
endfunction()

vellomarch_test_group(core_tests core core)
vellomarch_test_group(scenario_tests scenario scenario)
if(WIN32)
  # The Windows implementations, run under Wine (CMAKE_CROSSCOMPILING_EMULATOR).
  vellomarch_test_group(windows_unit_tests windows windows vellomarch_windows)
else()
  vellomarch_test_group(linux_unit_tests linux linux vellomarch_linux)
  target_compile_definitions(linux_unit_tests PRIVATE VELLOMARCH_TEST_FIXTURES="${CMAKE_SOURCE_DIR}/tests/fixtures"
    VELLOMARCH_FUZZ_CORPUS="${CMAKE_SOURCE_DIR}/fuzz/corpus")
  if(TARGET vellomarch)
    include(cmake/E2E.cmake)
  endif()
endif()

# The portable core must never include a platform header.
add_test(NAME core_includes_no_platform_header
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-core-headers ${CMAKE_SOURCE_DIR})
set_tests_properties(core_includes_no_platform_header PROPERTIES LABELS whole)
