#!/usr/bin/env bash
# End-to-end tests of vellomarch.exe under Wine, driven from the Linux side: xclip sets the X
# clipboard, xdotool types the hotkeys and keys, the program's history file is read back through
# windows_history_dump.exe (the data-protection service of the same prefix) and the paste target
# (windows_e2e_target.exe) reports its edit control's text in a file.
#
#   windows_e2e.sh setup | capture_paste_quit | second_start | legacy_import
#
# Needs DISPLAY and WINEPREFIX (scripts/test-windows exports both, with its own Xvfb and prefix)
# and the programs named by VM_E2E_EXE, VM_E2E_TARGET and VM_E2E_DUMP (set by CTest).
# Screenshots go to VM_E2E_OUT. Exit 0 passed, 1 failed, 77 skipped (no display or tools).
#
# Wine's limits are dealt with here, not in the program:
#  - RegisterHotKey presses reach Wine only while one of its windows has the X focus: the target
#    window is focused (xdotool windowfocus) before each hotkey;
#  - the clipboard empties when the last Wine process ends: the target stays resident throughout;
#  - the popup's hide does not hand the activation back to the target, and Wine loses a window's
#    keyboard input when it is activated while another thread's input is attached to it: the
#    target takes the activation back itself, at a safe moment (see e2e_target.cpp);
#  - Japanese text needs FontLink entries for the UI fonts (setup);
#  - without a window manager, windows that Wine hands to one are waited for on every hide: the
#    prefix keeps Wine's windows to itself (setup, and scripts/test-windows);
#  - GDI under Wine draws no colour emoji: nothing here looks at the marks.
set -euo pipefail

scenario=${1:-}
skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }
log() { echo "[$(date +%H:%M:%S.%3N)] $*"; }

[ -n "${DISPLAY:-}" ] || skip "no X display (run through scripts/test-windows)"
[ -n "${WINEPREFIX:-}" ] || skip "no WINEPREFIX (run through scripts/test-windows)"
for tool in wine xclip xdotool import xwininfo; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}

# --- Set-up of the prefix for the Wine limits ----------------------------------------------------
if [ "$scenario" = setup ]; then
  # Windows that Wine keeps to itself: no waiting for a window manager that is not there.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 ||
    fail "cannot write the prefix's registry"
  # Japanese in the UI fonts (Segoe UI and its stand-ins under Wine) from Noto Sans CJK.
  cjk=$(find /usr/share/fonts /usr/local/share/fonts -name NotoSansCJK-Regular.ttc -print -quit 2>/dev/null || true)
  [ -n "$cjk" ] || skip "Noto Sans CJK is not installed (fonts-noto-cjk)"
  for face in "Segoe UI" "Segoe UI Emoji" "Tahoma" "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" \
    "Liberation Sans" "DejaVu Sans"; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d "$(basename "$cjk"),Noto Sans CJK JP" /f >/dev/null 2>&1 ||
      fail "cannot add the FontLink entry for $face"
  done
  log "prefix ready: unmanaged windows, FontLink to $(basename "$cjk")"
  exit 0
fi

: "${VM_E2E_EXE:?}" "${VM_E2E_TARGET:?}" "${VM_E2E_DUMP:?}"
out=${VM_E2E_OUT:-$(pwd)}
mkdir -p "$out"
rm -f "$out/$scenario-failure.png"

work=$(mktemp -d "${TMPDIR:-/tmp}/vellomarch-e2e.XXXXXX")
started=()    # every process this script started, by id
started_names=()

stop_started() {
  local rc=$?
  local i
  if [ "$rc" -ne 0 ] && [ "$rc" -ne 77 ]; then
    # The desktop as the failure left it, before anything is stopped.
    import -window root "$out/$scenario-failure.png" 2>/dev/null || true
    echo "--- X focus: $(xdotool getwindowfocus getwindowname 2>/dev/null || true)"
    echo "--- windows ---"; xwininfo -root -tree 2>/dev/null | grep -v 'has no name' | grep -v 'Default IME' | head -20 || true
    echo "--- target's text: $(target_text)"
    echo "--- target's events ---"; tail -20 "$work/target.txt.events" 2>/dev/null || true
    echo "--- history ---"; history_texts || true
    echo "--- program log ---"; cat "$work"/app/Vellomarch/Log/* 2>/dev/null || true
  fi
  for i in "${!started[@]}"; do
    if kill -0 "${started[$i]}" 2>/dev/null; then
      log "stopping ${started_names[$i]} (${started[$i]})"
      kill "${started[$i]}" 2>/dev/null || true
    fi
  done
  for i in "${!started[@]}"; do wait "${started[$i]}" 2>/dev/null || true; done
  rm -rf "$work"
  exit "$rc"
}
trap stop_started EXIT

# Starts a program in the background and records its id in the variable named $1.
start() {
  local var=$1 name=$2
  shift 2
  "$@" >"$work/$name.log" 2>&1 &
  started+=("$!")
  started_names+=("$name")
  printf -v "$var" '%s' "$!"
  log "started $name ($!)"
}

# wait_until <seconds> <description> <command...>: polls every 0.1 s.
wait_until() {
  local limit=$1 what=$2
  shift 2
  local deadline=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -lt "$deadline" ] || fail "timed out after ${limit}s waiting for: $what"
    sleep 0.1
  done
}

# Waits (bounded) for a started program to end and puts its exit code into exit_code.
exit_code=""
wait_exit() {
  local pid=$1 limit=$2 what=$3
  local deadline=$((SECONDS + limit))
  while kill -0 "$pid" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || fail "$what did not end within ${limit}s"
    sleep 0.1
  done
  exit_code=0
  wait "$pid" || exit_code=$?
}

windows_path() { local p=${1//\//\\}; echo "Z:$p"; }
visible_window() { xdotool search --onlyvisible --name "$1" | head -1; }
any_window() { xdotool search --name "$1" | head -1; }
has_visible_window() { [ -n "$(visible_window "$1")" ]; }

# The history file's entries, top first: "kind<TAB>pinned<TAB>text".
history_texts() { wine "$VM_E2E_DUMP" "$(windows_path "$work/app/Vellomarch")" --texts 2>/dev/null | tr -d '\r'; }
top_entry_is() { [ "$(history_texts | head -1 | cut -f3-)" = "$1" ]; }
target_text() { cat "$work/target.txt" 2>/dev/null; }
target_text_is() { [ "$(target_text)" = "$1" ]; }

# Puts a text on the X clipboard; xclip stays in the foreground and ends when another program
# takes the clipboard, or when this script ends it.
set_clipboard() {
  local text=$1 pid
  printf '%s' "$text" >"$work/clip.txt"
  start pid xclip xclip -quiet -selection clipboard -i "$work/clip.txt"
}

# The X focus on the target window, so that Wine receives the next hotkey.
focus_target() {
  local target
  target=$(any_window "^Vellomarch E2E Target$")
  [ -n "$target" ] || fail "the target window is gone"
  xdotool windowfocus --sync "$target"
}

start_program() {
  local var=$1
  start "$var" vellomarch wine "$work/app/vellomarch.exe"
}

# The program runs from a folder of its own; its data folder is made beside the exe.
mkdir -p "$work/app"
cp "$VM_E2E_EXE" "$work/app/vellomarch.exe"

main_caption="^Vellomarch Ver1\\.2\\.0\\.0$"

start_resident() {
  # The paste target first: it also keeps the Wine clipboard alive between programs.
  start target_pid target wine "$VM_E2E_TARGET" "$(windows_path "$work/target.txt")"
  wait_until 60 "the target window" has_visible_window "^Vellomarch E2E Target$"
  wait_until 30 "the target's report file" test -f "$work/target.txt"
  start_program "$1"
  # Created hidden; the data folder and the (hidden) main window show it is up.
  wait_until 60 "the data folder" test -d "$work/app/Vellomarch"
  wait_until 60 "the main window" any_window "$main_caption"
}

case "$scenario" in
capture_paste_quit)
  start_resident vm_pid

  log "copying two texts in X"
  set_clipboard "first entry"
  wait_until 30 "'first entry' in the history" top_entry_is "first entry"
  second="second 日本語 entry"
  set_clipboard "$second"
  wait_until 30 "the second text in the history" top_entry_is "$second"
  [ "$(history_texts | sed -n 2p | cut -f3-)" = "first entry" ] || fail "the first text is not second: $(history_texts)"

  log "Alt+C with the target focused"
  focus_target
  xdotool key alt+c
  wait_until 30 "the popup" has_visible_window "$main_caption"
  sleep 0.5 # let it paint before the picture is taken
  import -window root "$out/windows-popup.png"
  log "screenshot: $out/windows-popup.png"

  log "Down, Enter: paste the older entry into the target"
  xdotool key Down Return
  wait_until 30 "'first entry' pasted into the target's edit" target_text_is "first entry"
  wait_until 30 "the popup to hide" bash -c "! xdotool search --onlyvisible --name '$main_caption' | grep -q ."
  wait_until 30 "the pasted entry at the top" top_entry_is "first entry"

  log "Ctrl+Alt+Q ends the program"
  focus_target
  xdotool key ctrl+alt+q
  wait_exit "$vm_pid" 60 "vellomarch.exe"
  [ "$exit_code" = 0 ] || fail "vellomarch.exe exited with $exit_code"
  expected=$(printf '0\t-\tfirst entry\n0\t-\t%s' "$second")
  [ "$(history_texts)" = "$expected" ] || fail "history after the end: $(history_texts)"
  log "passed"
  ;;

second_start)
  start_resident vm_pid
  log "a second start"
  start second_pid vellomarch-second wine "$work/app/vellomarch.exe"
  wait_until 60 "the message box" has_visible_window "^エラー$"
  box=$(visible_window "^エラー$")
  import -window root "$out/windows-second-start.png"
  xdotool windowfocus --sync "$box"
  xdotool key Return
  wait_exit "$second_pid" 60 "the second vellomarch.exe"
  [ "$exit_code" = 0 ] || fail "the second start exited with $exit_code"
  kill -0 "$vm_pid" 2>/dev/null || fail "the first instance ended"

  log "the first instance still answers its hotkey"
  focus_target
  xdotool key alt+c
  wait_until 30 "the popup of the first instance" has_visible_window "$main_caption"
  xdotool key Escape
  wait_until 30 "the popup to hide" bash -c "! xdotool search --onlyvisible --name '$main_caption' | grep -q ."
  focus_target
  xdotool key ctrl+alt+q
  wait_exit "$vm_pid" 60 "vellomarch.exe"
  [ "$exit_code" = 0 ] || fail "vellomarch.exe exited with $exit_code"
  log "passed"
  ;;

legacy_import)
  # The plain-text history files of an earlier version wait in the data folder.
  data="$work/app/Vellomarch"
  mkdir -p "$data"
  printf '\xEF\xBB\xBF%s\r\n%s\r\n\r\n' "最初の行" 'two\nlines' >"$data/VellomarchData.txt"
  printf '\r\n\r\nshot.png\r\n' >"$data/VellomarchImage.txt"
  cp "$data/VellomarchData.txt" "$work/texts.orig"
  cp "$data/VellomarchImage.txt" "$work/images.orig"
  start_resident vm_pid

  # The start-up itself writes the history file; nothing else has changed the history yet.
  wait_until 60 "the history file written by the start-up" test -f "$data/VellomarchData.dat"
  expected='[{"t":0,"x":"\u6700\u521D\u306E\u884C","i":"","p":false},{"t":0,"x":"two\r\nlines","i":"","p":false},{"t":1,"x":"","i":"shot.png","p":false}]'
  document() { wine "$VM_E2E_DUMP" "$(windows_path "$data")" 2>/dev/null | tr -d '\r'; }
  [ "$(document)" = "$expected" ] || fail "history after the import: $(document)"
  for name in VellomarchData VellomarchImage; do
    [ ! -e "$data/$name.txt" ] || fail "$name.txt kept its name"
  done
  cmp -s "$data/VellomarchData.txt.bak" "$work/texts.orig" || fail "VellomarchData.txt.bak differs from the old file"
  cmp -s "$data/VellomarchImage.txt.bak" "$work/images.orig" || fail "VellomarchImage.txt.bak differs from the old file"
  if grep -q "History save failed" "$data"/Log/* 2>/dev/null; then fail "the log reports a failed save"; fi

  focus_target
  xdotool key ctrl+alt+q
  wait_exit "$vm_pid" 60 "vellomarch.exe"
  [ "$exit_code" = 0 ] || fail "vellomarch.exe exited with $exit_code"
  [ "$(document)" = "$expected" ] || fail "history after the end: $(document)"
  log "passed"
  ;;

*)
  echo "usage: $0 setup|capture_paste_quit|second_start|legacy_import" >&2
  exit 2
  ;;
esac
