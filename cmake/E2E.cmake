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

# Opens a data folder's history file with the user's key and prints the plain document.
add_executable(history_inspect ${VELLOMARCH_E2E_DIR}/history_inspect.cpp)
target_link_libraries(history_inspect PRIVATE vellomarch_linux)
vellomarch_warnings(history_inspect)

file(GLOB VELLOMARCH_E2E_TESTS CONFIGURE_DEPENDS ${VELLOMARCH_E2E_DIR}/*_e2e_test.cpp)
add_executable(linux_e2e_tests ${VELLOMARCH_E2E_TESTS}
  ${VELLOMARCH_E2E_DIR}/e2e_support.cpp ${VELLOMARCH_E2E_DIR}/e2e_fixture.cpp)
target_include_directories(linux_e2e_tests PRIVATE ${VELLOMARCH_E2E_DIR})
target_link_libraries(linux_e2e_tests PRIVATE vellomarch_json GTest::gtest_main)
target_compile_definitions(linux_e2e_tests PRIVATE
  VELLOMARCH_E2E_PROGRAM="$<TARGET_FILE:vellomarch>"
  VELLOMARCH_E2E_TARGET_APP="$<TARGET_FILE:e2e_target>"
  VELLOMARCH_E2E_CLIP_OWNER="$<TARGET_FILE:e2e_clip_owner>"
  VELLOMARCH_E2E_HISTORY_INSPECT="$<TARGET_FILE:history_inspect>"
  VELLOMARCH_E2E_SCREENSHOTS="${CMAKE_BINARY_DIR}/screenshots"
  VELLOMARCH_E2E_LSAN_SUPPRESSIONS="${VELLOMARCH_E2E_DIR}/lsan_suppressions.txt")
add_dependencies(linux_e2e_tests vellomarch e2e_target e2e_clip_owner history_inspect)
vellomarch_warnings(linux_e2e_tests)

# Each test starts a desktop of its own (one test per process); serial, because they measure
# nothing but still drive windows and time-outs that a loaded machine would stretch.
gtest_discover_tests(linux_e2e_tests DISCOVERY_MODE PRE_TEST
  PROPERTIES LABELS linux-e2e RUN_SERIAL TRUE TIMEOUT 300)
