# The Linux desktop program: Qt 6 Widgets for the windows, Xlib/xcb/XTest for global hotkeys,
# focus and synthetic keys, libwayland-client for a Wayland session's clipboard and keys, Qt D-Bus
# for the desktop portal's global shortcuts, libsodium for the history file's protection, libsecret
# for its key in the desktop's keyring (Secret Service).
find_package(PkgConfig REQUIRED)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
pkg_check_modules(LIBSECRET REQUIRED IMPORTED_TARGET libsecret-1)
pkg_check_modules(X11LIBS REQUIRED IMPORTED_TARGET x11 xtst xcb)
pkg_check_modules(WAYLAND REQUIRED IMPORTED_TARGET wayland-client)
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets DBus)

file(GLOB_RECURSE VELLOMARCH_LINUX_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/platform/linux/*.cpp ${CMAKE_SOURCE_DIR}/src/platform/linux/*.h)
list(FILTER VELLOMARCH_LINUX_SOURCES EXCLUDE REGEX "/main\\.cpp$")
# The Wayland protocols the program speaks beyond the core protocol, as C bindings made by
# wayland-scanner: wlroots' data-control from the copy Debian packages with its Rust bindings
# (librust-wayland-protocols-dev; Debian's wayland-protocols lacks it), the standard
# ext-data-control (newer than Debian's wayland-protocols) and the virtual keyboard from the
# program's own descriptions of their wire form.
enable_language(C)
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
file(GLOB VELLOMARCH_DATA_CONTROL_XML
  /usr/share/cargo/registry/wayland-protocols-*/wlr-protocols/unstable/wlr-data-control-unstable-v1.xml)
if(NOT VELLOMARCH_DATA_CONTROL_XML)
  message(FATAL_ERROR "wlr-data-control-unstable-v1.xml not found: apt-get install librust-wayland-protocols-dev")
endif()
list(GET VELLOMARCH_DATA_CONTROL_XML 0 VELLOMARCH_DATA_CONTROL_XML)
set(VELLOMARCH_PROTOCOL_DIR ${CMAKE_BINARY_DIR}/protocols)
set(VELLOMARCH_PROTOCOL_SOURCES)
foreach(pair "wlr-data-control-unstable-v1|${VELLOMARCH_DATA_CONTROL_XML}"
             "ext-data-control-v1|${CMAKE_SOURCE_DIR}/src/platform/linux/protocols/vellomarch-ext-data-control.xml"
             "virtual-keyboard-unstable-v1|${CMAKE_SOURCE_DIR}/src/platform/linux/protocols/vellomarch-virtual-keyboard.xml")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 protocol)
  list(GET pair 1 xml)
  add_custom_command(OUTPUT ${VELLOMARCH_PROTOCOL_DIR}/${protocol}-client.h ${VELLOMARCH_PROTOCOL_DIR}/${protocol}.c
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELLOMARCH_PROTOCOL_DIR}
    COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${VELLOMARCH_PROTOCOL_DIR}/${protocol}-client.h
    COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${VELLOMARCH_PROTOCOL_DIR}/${protocol}.c
    DEPENDS ${xml} VERBATIM)
  list(APPEND VELLOMARCH_PROTOCOL_SOURCES ${VELLOMARCH_PROTOCOL_DIR}/${protocol}-client.h
    ${VELLOMARCH_PROTOCOL_DIR}/${protocol}.c)
endforeach()

add_library(vellomarch_linux STATIC ${VELLOMARCH_LINUX_SOURCES} ${VELLOMARCH_PROTOCOL_SOURCES})
# The tests check the generated bindings against each other.
target_include_directories(vellomarch_linux PUBLIC ${VELLOMARCH_PROTOCOL_DIR})
set_target_properties(vellomarch_linux PROPERTIES AUTOMOC ON)
target_link_libraries(vellomarch_linux PUBLIC vellomarch_core PkgConfig::SODIUM PkgConfig::LIBSECRET PkgConfig::X11LIBS
  PkgConfig::WAYLAND Qt6::Core Qt6::Gui Qt6::Widgets Qt6::DBus)
vellomarch_warnings(vellomarch_linux)

if(EXISTS ${CMAKE_SOURCE_DIR}/src/platform/linux/main.cpp)
  add_executable(vellomarch ${CMAKE_SOURCE_DIR}/src/platform/linux/main.cpp
    ${CMAKE_SOURCE_DIR}/src/platform/linux/vellomarch.qrc)
  set_target_properties(vellomarch PROPERTIES AUTOMOC ON AUTORCC ON)
  target_link_libraries(vellomarch PRIVATE vellomarch_linux)
  vellomarch_warnings(vellomarch)
endif()

if(TARGET vellomarch)
  include(cmake/Packaging.cmake)
endif()

# How long a save takes with the largest accepted text in the history (docs/reliability.md).
add_executable(measure_history_save EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/tools/measure_history_save.cpp)
target_link_libraries(measure_history_save PRIVATE vellomarch_linux)
