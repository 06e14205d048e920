# One libFuzzer program per fuzz/<target>.cpp, written to build/fuzz/fuzz/<target>; the build
# preset "fuzz" builds them all through fuzz_targets. scripts/fuzz runs one of them.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "The fuzz targets need clang (libFuzzer): configure with the fuzz preset")
endif()

# The fakes' own readers (the CF_HDROP block a test reads back) are fuzzed too; GoogleTest is
# not needed for them.
add_library(vellomarch_fuzz_fakes STATIC ${CMAKE_SOURCE_DIR}/tests/fakes/fake_platform.cpp
  ${CMAKE_SOURCE_DIR}/tests/fakes/fake_data_protection.cpp ${CMAKE_SOURCE_DIR}/tests/fakes/test_support.cpp)
target_include_directories(vellomarch_fuzz_fakes PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(vellomarch_fuzz_fakes PUBLIC vellomarch_core)
vellomarch_warnings(vellomarch_fuzz_fakes)

add_custom_target(fuzz_targets)
file(GLOB VELLOMARCH_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*.cpp)
foreach(source IN LISTS VELLOMARCH_FUZZ_SOURCES)
  get_filename_component(name ${source} NAME_WE)
  add_executable(fuzz_${name} ${source})
  target_link_libraries(fuzz_${name} PRIVATE vellomarch_fuzz_fakes vellomarch_linux)
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(fuzz_${name} PROPERTIES OUTPUT_NAME ${name}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  vellomarch_warnings(fuzz_${name})
  add_dependencies(fuzz_targets fuzz_${name})
endforeach()
