# The Windows desktop program: Win32 implementations of the platform interfaces, and the exe.
# Built only by the `windows` preset (mingw-w64 cross compiler, see mingw-w64-posix.cmake).

# Windows 10 headers, wide-character API by default, and no min/max macros to shadow std::min.
set(VELLOMARCH_WINDOWS_DEFINITIONS
  _WIN32_WINNT=0x0A00 NTDDI_VERSION=0x0A000000 WINVER=0x0A00 UNICODE _UNICODE NOMINMAX)

# System libraries the Windows code calls; import libraries cost nothing when unused.
set(VELLOMARCH_WINDOWS_SYSTEM_LIBRARIES
  crypt32 user32 gdi32 shell32 ole32 oleaut32 windowscodecs uuid comctl32)

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
endif()
