# Building and running the libFuzzer targets of fuzz/ (sourced by scripts/fuzz and scripts/test).
# Inputs found while running go to build/fuzz/corpus/TARGET, never to the committed seeds in
# fuzz/corpus/TARGET; a crashing input is written to build/fuzz/artifacts/TARGET/.

fuzz_build() {
  install_packages "${VELLOMARCH_BUILD_PACKAGES[@]}" "${VELLOMARCH_FUZZ_PACKAGES[@]}"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j2 "$@"
}

fuzz_targets() {
  local f
  for f in fuzz/*.cpp; do basename "$f" .cpp; done
}

# fuzz_run TARGET SECONDS [libFuzzer options...]
fuzz_run() {
  local target=$1 seconds=$2
  shift 2
  local work=build/fuzz/corpus/$target artifacts=build/fuzz/artifacts/$target
  mkdir -p "$work" "$artifacts"
  # No input of a few kilobytes may make any parser reserve half a gigabyte at once.
  "build/fuzz/fuzz/$target" -max_total_time="$seconds" -malloc_limit_mb="${FUZZ_MALLOC_LIMIT_MB:-512}" \
    -rss_limit_mb="${FUZZ_RSS_LIMIT_MB:-2048}" \
    -timeout=10 -artifact_prefix="$artifacts/" -print_final_stats=1 "$@" "$work" "fuzz/corpus/$target"
}

# Every target for a few seconds over its corpus: a parser that regressed on a kept input, or
# one that breaks within seconds, fails the run. One line per target; the full output of a
# failing target.
fuzz_smoke() {
  local seconds=${1:-3} target log
  log=$(mktemp)
  for target in $(fuzz_targets); do
    if ! fuzz_run "$target" "$seconds" >"$log" 2>&1; then
      cat "$log" >&2
      rm -f "$log"
      echo "fuzz target $target failed; the input is in build/fuzz/artifacts/$target/" >&2
      return 1
    fi
    printf '  %-22s %8s runs, %6s per second\n' "$target" \
      "$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")" \
      "$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")"
  done
  rm -f "$log"
}
