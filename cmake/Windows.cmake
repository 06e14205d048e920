# The Windows desktop program: Win32 implementations of the platform interfaces, and the exe.
# Built only by the `windows` preset (mingw-w64 cross compiler, see mingw-w64-posix.cmake).

# Windows 10 headers, wide-character API by default, and no min/max macros to shadow std::min.
set(VELLOMARCH_WINDOWS_DEFINITIONS
  _WIN32_WINNT=0x0A00 NTDDI_VERSION=0x0A000000 WINVER=0x0A00 UNICODE _UNICODE NOMINMAX)

# System libraries the Windows code calls; import libraries cost nothing when unused.
set(VELLOMARCH_WINDOWS_SYSTEM_LIBRARIES
  crypt32 user32 gdi32 shell32 ole32 oleaut32 windowscodecs uuid comctl32 bcrypt)

file(GLOB_RECURSE VELLOMARCH_WINDOWS_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/platform/windows/*.cpp)
list(FILTER VELLOMARCH_WINDOWS_SOURCES EXCLUDE REGEX "/main\\.cpp$")
if(VELLOMARCH_WINDOWS_SOURCES)
  add_library(vellomarch_windows STATIC ${VELLOMARCH_WINDOWS_SOURCES})
  target_compile_definitions(vellomarch_windows PUBLIC ${VELLOMARCH_WINDOWS_DEFINITIONS})
  target_link_libraries(vellomarch_windows PUBLIC vellomarch_core ${VELLOMARCH_WINDOWS_SYSTEM_LIBRARIES})
  vellomarch_warnings(vellomarch_windows)
else()
  add_library(vellomarch_windows INTERFACE)
  target_compile_definitions(vellomarch_windows INTERFACE ${VELLOMARCH_WINDOWS_DEFINITIONS})
  target_link_libraries(vellomarch_windows INTERFACE vellomarch_core ${VELLOMARCH_WINDOWS_SYSTEM_LIBRARIES})
endif()

# The program itself, once its entry point exists: a GUI-subsystem exe with a wide wWinMain.
set(VELLOMARCH_WINDOWS_MAIN ${CMAKE_SOURCE_DIR}/src/platform/windows/main.cpp)
if(EXISTS ${VELLOMARCH_WINDOWS_MAIN})
  file(GLOB VELLOMARCH_WINDOWS_RESOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/windows/*.rc)
  if(VELLOMARCH_WINDOWS_RESOURCES)
    enable_language(RC)
  endif()
  add_executable(vellomarch WIN32 ${VELLOMARCH_WINDOWS_MAIN} ${VELLOMARCH_WINDOWS_RESOURCES})
  target_link_libraries(vellomarch PRIVATE vellomarch_windows)
  target_link_options(vellomarch PRIVATE -municode)
  # windres takes no compiler warnings: they go to the C++ sources only.
  target_compile_options(vellomarch PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:-Wall;-Wextra;-Wpedantic;-Werror>")
  # windres finds the icon and manifest beside the .rc file; a change to them rebuilds it.
  set_source_files_properties(${VELLOMARCH_WINDOWS_RESOURCES} PROPERTIES OBJECT_DEPENDS
    "${CMAKE_SOURCE_DIR}/src/platform/windows/res/vellomarch.ico;${CMAKE_SOURCE_DIR}/src/platform/windows/res/vellomarch.manifest")

  # The portable ZIP: vellomarch.exe alone at the archive's top level; its data folder is made
  # beside it on the first start. `cmake --build --preset windows --target package`
  install(TARGETS vellomarch RUNTIME DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME Vellomarch)
  set(CPACK_PACKAGE_VENDOR Vellomarch)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_FILE_NAME Vellomarch-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_STRIP_FILES ON)
  include(CPack)

  if(VELLOMARCH_TESTS)
    include(cmake/WindowsE2E.cmake)
  endif()
endif()

# What the tests of the Windows implementations (tests/windows) need beside their own program.
# Both land next to windows_unit_tests.exe, where the tests look for them.
if(VELLOMARCH_TESTS)
  # A second process: holds a hotkey or owns the clipboard, as another program would.
  add_executable(windows_test_helper ${CMAKE_SOURCE_DIR}/tests/windows/helper/windows_test_helper.cpp)
  target_compile_definitions(windows_test_helper PRIVATE ${VELLOMARCH_WINDOWS_DEFINITIONS})
  target_link_libraries(windows_test_helper PRIVATE user32)
  target_link_options(windows_test_helper PRIVATE -municode)
  vellomarch_warnings(windows_test_helper)

  # Pictures for the decoding tests, made on the Linux side with ImageMagick: red above blue, so
  # that an upside-down decode shows; the GIF's second frame is green.
  find_program(VELLOMARCH_CONVERT convert PATHS /usr/bin NO_DEFAULT_PATH)
  find_program(VELLOMARCH_CONVERT convert)
  set(VELLOMARCH_TEST_IMAGES ${CMAKE_BINARY_DIR}/windows-test-images)
  # A photograph whose orientation tag says to turn it, shared with the Linux tests.
  configure_file(${CMAKE_SOURCE_DIR}/tests/fixtures/red_left_blue_right_turned.jpg
                 ${VELLOMARCH_TEST_IMAGES}/red_left_blue_right_turned.jpg COPYONLY)
  if(VELLOMARCH_CONVERT)
    add_custom_command(
      OUTPUT ${VELLOMARCH_TEST_IMAGES}/red_over_blue.png ${VELLOMARCH_TEST_IMAGES}/red_over_blue.jpg
             ${VELLOMARCH_TEST_IMAGES}/red_over_blue_then_green.gif
      COMMAND ${CMAKE_COMMAND} -E make_directory ${VELLOMARCH_TEST_IMAGES}
      COMMAND ${VELLOMARCH_CONVERT} -size 6x4 xc:red -size 6x4 xc:blue -append +repage
              PNG32:${VELLOMARCH_TEST_IMAGES}/red_over_blue.png
      COMMAND ${VELLOMARCH_CONVERT} -size 32x16 xc:red -size 32x16 xc:blue -append +repage -quality 95
              ${VELLOMARCH_TEST_IMAGES}/red_over_blue.jpg
      COMMAND ${VELLOMARCH_CONVERT} -delay 20 "(" -size 8x4 xc:red -size 8x4 xc:blue -append +repage ")"
              "(" -size 8x8 xc:lime ")" -loop 0 ${VELLOMARCH_TEST_IMAGES}/red_over_blue_then_green.gif
      COMMENT "Making the Windows tests' pictures with ImageMagick"
      VERBATIM)
    add_custom_target(windows_test_images ALL DEPENDS
      ${VELLOMARCH_TEST_IMAGES}/red_over_blue.png ${VELLOMARCH_TEST_IMAGES}/red_over_blue.jpg
      ${VELLOMARCH_TEST_IMAGES}/red_over_blue_then_green.gif)
  else()
    message(WARNING "ImageMagick's convert was not found: the Windows image-file tests will fail "
                    "(install imagemagick)")
  endif()
endif()

# How long a save takes with the largest accepted text in the history, under Wine (docs/reliability.md).
add_executable(measure_history_save EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/tools/measure_history_save.cpp)
target_link_libraries(measure_history_save PRIVATE vellomarch_windows)
