#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan in build-fuzz and
# runs each for SECONDS (default 60). Fails on any crash, sanitizer report,
# mismatch with the reference reading, leak, time-out or out-of-memory.
#
#   bash tools/fuzz.sh [SECONDS]
#
# New inputs go to build-fuzz/corpus-*/ (the committed seeds under
# fuzz/corpus/ are only read); a failing input is left in
# build-fuzz/artifacts/ and can be replayed with
#   build-fuzz/fuzz/fuzz_file build-fuzz/artifacts/crash-...
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${ORVEL_FUZZ_BUILD_DIR:-build-fuzz}

. tools/deps.sh
orvel_install_missing clang libclang-rt-14-dev

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORVEL_WERROR=ON -DORVEL_FUZZ=ON -DBUILD_TESTING=OFF \
  -DORVEL_SANITIZE="address;undefined" >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_line fuzz_file fuzz_edict

mkdir -p "$build/artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
run() {
  local name=$1 maxlen=$2
  shift 2
  local corpus="$build/corpus-$name"
  mkdir -p "$corpus"
  echo "== fuzz_$name for ${seconds}s"
  # -timeout: one input taking this long is a hang, reported as a failure.
  if ! "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -max_len="$maxlen" \
      -timeout=30 -rss_limit_mb=2048 -dict=fuzz/eijiro.dict \
      -artifact_prefix="$build/artifacts/$name-" -print_final_stats=1 "$@" \
      "$corpus" "fuzz/corpus/$name" 2>"$build/fuzz_$name.log"; then
    tail -n 60 "$build/fuzz_$name.log"
    echo "fuzz_$name FAILED (log: $build/fuzz_$name.log)"
    status=1
  else
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$build/fuzz_$name.log" || true
    echo "fuzz_$name passed"
  fi
}
run line 2048
# An EDICT line in one of its encodings (the first byte chooses).
run edict 2048
# Whole files from the start: the lines of a file interact (offsets, the
# look-up window), which short inputs cannot show.
run file 4096 -len_control=0
exit $status
