find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB VELLOMARCH_FAKE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fakes/*.cpp)
add_library(vellomarch_fakes STATIC ${VELLOMARCH_FAKE_SOURCES} ${CMAKE_SOURCE_DIR}/tests/fakes/test_support.cpp)
target_include_directories(vellomarch_fakes PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(vellomarch_fakes PUBLIC vellomarch_core GTest::gtest)
vellomarch_warnings(vellomarch_fakes)

# One test program per group; CTest labels let a developer run one group.
function(vellomarch_test_group name label folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE vellomarch_fakes GTest::gtest_main ${ARGN})
  vellomarch_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS ${label})
endfunction()

vellomarch_test_group(core_tests core core)
vellomarch_test_group(scenario_tests scenario scenario)
if(NOT WIN32)
  vellomarch_test_group(linux_unit_tests linux linux vellomarch_linux)
endif()

# The portable core must never include a platform header.
add_test(NAME core_includes_no_platform_header
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-core-headers ${CMAKE_SOURCE_DIR})
set_tests_properties(core_includes_no_platform_header PROPERTIES LABELS core)
