# The in-memory platform of tests/fakes/, shared by the tests and the benchmarks. Included once
# per build folder; GTest must have been found (the scenario fixture derives from its test class).
if(TARGET vellomarch_fakes)
  return()
endif()
file(GLOB VELLOMARCH_FAKE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fakes/*.cpp)
add_library(vellomarch_fakes STATIC ${VELLOMARCH_FAKE_SOURCES} ${CMAKE_SOURCE_DIR}/tests/fakes/test_support.cpp)
target_include_directories(vellomarch_fakes PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(vellomarch_fakes PUBLIC vellomarch_core GTest::gtest)
vellomarch_warnings(vellomarch_fakes)
