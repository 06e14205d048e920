# End-to-end tests of the Windows program: the real vellomarch.exe under Wine on the X display that
# scripts/test-windows starts, driven from the Linux side with xclip and xdotool. The driver is a
# shell script, so CTest runs it on the host; the two small programs beside it are cross-built
# and run through Wine by the script.
set(VELLOMARCH_WINDOWS_E2E_DIR ${CMAKE_SOURCE_DIR}/tests/windows/e2e)

# The paste target: a window with an edit control that writes its text to a file on every change.
add_executable(windows_e2e_target ${VELLOMARCH_WINDOWS_E2E_DIR}/e2e_target.cpp)
target_compile_definitions(windows_e2e_target PRIVATE ${VELLOMARCH_WINDOWS_DEFINITIONS})
target_link_libraries(windows_e2e_target PRIVATE user32 gdi32)
target_link_options(windows_e2e_target PRIVATE -municode)
vellomarch_warnings(windows_e2e_target)

# Opens a data folder's history file with the data-protection service of the same prefix and
# prints the plain document or its entries' texts.
add_executable(windows_history_dump ${VELLOMARCH_WINDOWS_E2E_DIR}/history_dump.cpp)
target_link_libraries(windows_history_dump PRIVATE vellomarch_windows)
target_link_options(windows_history_dump PRIVATE -municode)
vellomarch_warnings(windows_history_dump)

set(VELLOMARCH_WINDOWS_E2E_ENVIRONMENT
  "VM_E2E_EXE=$<TARGET_FILE:vellomarch>"
  "VM_E2E_TARGET=$<TARGET_FILE:windows_e2e_target>"
  "VM_E2E_DUMP=$<TARGET_FILE:windows_history_dump>"
  "VM_E2E_OUT=${CMAKE_BINARY_DIR}/windows-e2e")

# The prefix's settings for the Wine limits first (a fixture), then each scenario with a program
# of its own; serial, since they share the display, the keyboard and the clipboard.
add_test(NAME windows_e2e.setup COMMAND bash ${VELLOMARCH_WINDOWS_E2E_DIR}/windows_e2e.sh setup)
set_tests_properties(windows_e2e.setup PROPERTIES FIXTURES_SETUP windows_e2e)
foreach(scenario capture_paste_quit second_start legacy_import)
  add_test(NAME windows_e2e.${scenario} COMMAND bash ${VELLOMARCH_WINDOWS_E2E_DIR}/windows_e2e.sh ${scenario})
  set_tests_properties(windows_e2e.${scenario} PROPERTIES FIXTURES_REQUIRED windows_e2e)
endforeach()
get_property(VELLOMARCH_WINDOWS_E2E_TESTS DIRECTORY PROPERTY TESTS)
list(FILTER VELLOMARCH_WINDOWS_E2E_TESTS INCLUDE REGEX "^windows_e2e\\.")
# Skipped (77) where the display or the tools are missing, for instance outside scripts/test-windows.
set_tests_properties(${VELLOMARCH_WINDOWS_E2E_TESTS} PROPERTIES
  LABELS windows-e2e RUN_SERIAL TRUE TIMEOUT 300 SKIP_RETURN_CODE 77
  ENVIRONMENT "${VELLOMARCH_WINDOWS_E2E_ENVIRONMENT}")
