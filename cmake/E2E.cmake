# End-to-end tests of the Linux program: the real `vellomarch` on a private Xvfb desktop with
# openbox and trayer, driven with xclip and xdotool, checked through its files and windows.
set(VELLOMARCH_E2E_DIR ${CMAKE_SOURCE_DIR}/tests/e2e)

# The paste target: a line edit that reports its text to a file.
add_executable(e2e_target ${VELLOMARCH_E2E_DIR}/target_app.cpp)
target_link_libraries(e2e_target PRIVATE Qt6::Widgets)
vellomarch_warnings(e2e_target)

# A clipboard owner offering several formats at once (a password manager's mark beside the text).
add_executable(e2e_clip_owner ${VELLOMARCH_E2E_DIR}/clip_owner.cpp)
target_link_libraries(e2e_clip_owner PRIVATE Qt6::Widgets)
vellomarch_warnings(e2e_clip_owner)

# A clipboard owner that never answers a conversion request, as a hung program.
add_executable(e2e_silent_owner ${VELLOMARCH_E2E_DIR}/silent_owner.cpp)
target_link_libraries(e2e_silent_owner PRIVATE PkgConfig::X11LIBS)
vellomarch_warnings(e2e_silent_owner)

# A clipboard owner that sets numbered texts one after another at a given pace.
add_executable(e2e_clip_stream ${VELLOMARCH_E2E_DIR}/clip_stream.cpp)
target_link_libraries(e2e_clip_stream PRIVATE Qt6::Widgets)
vellomarch_warnings(e2e_clip_stream)

# Opens a data folder's history file with the user's key and prints the plain document.
add_executable(history_inspect ${VELLOMARCH_E2E_DIR}/history_inspect.cpp)
target_link_libraries(history_inspect PRIVATE vellomarch_linux)
vellomarch_warnings(history_inspect)

# Large test pictures are deflated at test time rather than kept in the repository.
find_package(ZLIB REQUIRED)

# The tests' programs and files, named to a test program at build time.
function(vellomarch_e2e_test_program name)
  add_executable(${name} ${ARGN} ${VELLOMARCH_E2E_DIR}/e2e_support.cpp ${VELLOMARCH_E2E_DIR}/e2e_fixture.cpp
    ${CMAKE_SOURCE_DIR}/tests/fakes/private_mounts.cpp)
  target_include_directories(${name} PRIVATE ${VELLOMARCH_E2E_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE vellomarch_json GTest::gtest_main ZLIB::ZLIB)
  target_compile_definitions(${name} PRIVATE
    VELLOMARCH_E2E_PROGRAM="$<TARGET_FILE:vellomarch>"
    VELLOMARCH_E2E_PROGRAM_ICON="${CMAKE_SOURCE_DIR}/src/platform/linux/icons/vellomarch-32.png"
    VELLOMARCH_E2E_TARGET_APP="$<TARGET_FILE:e2e_target>"
    VELLOMARCH_E2E_CLIP_OWNER="$<TARGET_FILE:e2e_clip_owner>"
    VELLOMARCH_E2E_SILENT_OWNER="$<TARGET_FILE:e2e_silent_owner>"
    VELLOMARCH_E2E_CLIP_STREAM="$<TARGET_FILE:e2e_clip_stream>"
    VELLOMARCH_E2E_HISTORY_INSPECT="$<TARGET_FILE:history_inspect>"
    VELLOMARCH_E2E_SCREENSHOTS="${CMAKE_BINARY_DIR}/screenshots"
    VELLOMARCH_E2E_LSAN_SUPPRESSIONS="${VELLOMARCH_E2E_DIR}/lsan_suppressions.txt"
    VELLOMARCH_E2E_PACKAGE="${VELLOMARCH_PACKAGE_FILE}")
  add_dependencies(${name} vellomarch e2e_target e2e_clip_owner e2e_silent_owner e2e_clip_stream history_inspect)
  vellomarch_warnings(${name})
endfunction()

file(GLOB VELLOMARCH_E2E_TESTS CONFIGURE_DEPENDS ${VELLOMARCH_E2E_DIR}/*_e2e_test.cpp)
vellomarch_e2e_test_program(linux_e2e_tests ${VELLOMARCH_E2E_TESTS})

# The SIGKILL loop of scripts/crash-test: too long for a test run, so not a CTest test.
add_executable(crash_test_driver ${VELLOMARCH_E2E_DIR}/crash_test_driver.cpp ${VELLOMARCH_E2E_DIR}/e2e_support.cpp)
target_include_directories(crash_test_driver PRIVATE ${VELLOMARCH_E2E_DIR})
target_link_libraries(crash_test_driver PRIVATE vellomarch_json)
target_compile_definitions(crash_test_driver PRIVATE
  VELLOMARCH_E2E_PROGRAM="$<TARGET_FILE:vellomarch>"
  VELLOMARCH_E2E_CLIP_STREAM="$<TARGET_FILE:e2e_clip_stream>"
  VELLOMARCH_E2E_HISTORY_INSPECT="$<TARGET_FILE:history_inspect>")
add_dependencies(crash_test_driver vellomarch e2e_clip_stream history_inspect)
vellomarch_warnings(crash_test_driver)

# Each test starts a desktop of its own (one test per process); serial, because they measure
# nothing but still drive windows and time-outs that a loaded machine would stretch.
gtest_discover_tests(linux_e2e_tests DISCOVERY_MODE PRE_TEST ${VELLOMARCH_GTEST_DISCOVERY_OPTIONS}
  PROPERTIES LABELS linux-e2e RUN_SERIAL TRUE TIMEOUT 300)

# The history key in the desktop's keyring: each test in a D-Bus session of its own with GNOME
# Keyring unlocked by a test password (the launcher runs the listing and every test inside it).
# A Secret Service that never answers, for the bounded wait of the start-up.
pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0)
add_executable(silent_secret_service ${CMAKE_SOURCE_DIR}/tests/keyring/silent_secret_service.cpp)
target_link_libraries(silent_secret_service PRIVATE PkgConfig::GIO)
vellomarch_warnings(silent_secret_service)
vellomarch_e2e_test_program(keyring_e2e_tests ${CMAKE_SOURCE_DIR}/tests/keyring/keyring_e2e_test.cpp)
target_compile_definitions(keyring_e2e_tests PRIVATE
  VELLOMARCH_SILENT_SECRET_SERVICE="$<TARGET_FILE:silent_secret_service>")
add_dependencies(keyring_e2e_tests silent_secret_service)
set_target_properties(keyring_e2e_tests PROPERTIES
  CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tests/keyring/with-keyring)
gtest_discover_tests(keyring_e2e_tests DISCOVERY_MODE PRE_TEST ${VELLOMARCH_GTEST_DISCOVERY_OPTIONS}
  PROPERTIES LABELS linux-e2e RUN_SERIAL TRUE TIMEOUT 300)

# --- The Debian package: built from the linux-release preset, checked, unpacked and run -----------
# Building it is a test of its own that the others need (a CTest fixture), so `ctest -L package`
# builds, checks and runs the package, and a plain `ctest` does it along with everything else.
add_test(NAME package_build COMMAND ${CMAKE_SOURCE_DIR}/scripts/build-package)
set_tests_properties(package_build PROPERTIES LABELS package FIXTURES_SETUP vellomarch_package TIMEOUT 1800)
add_test(NAME package_checks COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-package ${VELLOMARCH_PACKAGE_FILE})
set_tests_properties(package_checks PROPERTIES LABELS package FIXTURES_REQUIRED vellomarch_package TIMEOUT 600)

vellomarch_e2e_test_program(package_e2e_tests ${CMAKE_SOURCE_DIR}/tests/package/package_e2e_test.cpp)
gtest_discover_tests(package_e2e_tests DISCOVERY_MODE PRE_TEST ${VELLOMARCH_GTEST_DISCOVERY_OPTIONS}
  PROPERTIES LABELS package RUN_SERIAL TRUE TIMEOUT 300 FIXTURES_REQUIRED vellomarch_package)

# --- The program on Wayland: a real headless sway, wl-clipboard and wtype ------------------------
# sway will not run as root: the tests start it, the program and the tools as the user "nobody".
# A clipboard owner over data-control offering several formats, or one that never answers.
add_executable(wl_clip_owner ${CMAKE_SOURCE_DIR}/tests/wayland/wl_clip_owner.cpp
  ${VELLOMARCH_PROTOCOL_DIR}/wlr-data-control-unstable-v1.c)
target_include_directories(wl_clip_owner PRIVATE ${VELLOMARCH_PROTOCOL_DIR})
target_link_libraries(wl_clip_owner PRIVATE PkgConfig::WAYLAND)
vellomarch_warnings(wl_clip_owner)

vellomarch_e2e_test_program(wayland_e2e_tests ${CMAKE_SOURCE_DIR}/tests/wayland/wayland_e2e_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/wayland/sway_session.cpp)
target_include_directories(wayland_e2e_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/wayland)
target_compile_definitions(wayland_e2e_tests PRIVATE VELLOMARCH_WL_CLIP_OWNER="$<TARGET_FILE:wl_clip_owner>")
add_dependencies(wayland_e2e_tests wl_clip_owner)
gtest_discover_tests(wayland_e2e_tests DISCOVERY_MODE PRE_TEST ${VELLOMARCH_GTEST_DISCOVERY_OPTIONS}
  PROPERTIES LABELS wayland-e2e RUN_SERIAL TRUE TIMEOUT 300)
