#!/usr/bin/env bash
# Builds the tests with sanitizers in a build directory of their own and
# runs them.
#
#   bash tools/sanitize.sh asan   # ASan + UBSan, every test (build-asan)
#   bash tools/sanitize.sh tsan   # TSan, the tests with threads (build-tsan)
#
# Any sanitizer report fails the run: ASan and UBSan abort at the first one,
# TSan exits non-zero (halt_on_error).
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-asan}

. tools/deps.sh

case "$kind" in
asan)
  build=${ORVEL_SANITIZE_BUILD_DIR:-build-asan}
  sanitize="address;undefined"
  # Qt and its plug-ins keep some allocations to the end of the process on
  # purpose; leak reports from them would say nothing about Orvel.
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  tests=""
  # The compiler CMake picks (gcc unless CC/CXX say otherwise).
  compiler=()
  ;;
tsan)
  build=${ORVEL_SANITIZE_BUILD_DIR:-build-tsan}
  sanitize="thread"
  export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tools/tsan.supp}
  # The builder with its cancel, many look-ups at once, look-ups during a
  # build in this process and in another one.
  tests="tst_concurrency"
  orvel_install_missing clang libclang-rt-14-dev
  compiler=(CC=clang CXX=clang++)
  ;;
*)
  echo "usage: $0 [asan|tsan]" >&2
  exit 2
  ;;
esac

env "${compiler[@]}" cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DORVEL_WERROR=ON \
  -DORVEL_SANITIZE="$sanitize" >/dev/null
if [ -n "$tests" ]; then
  cmake --build "$build" -j"$(nproc)" --target orvel-cli $tests
  ctest --test-dir "$build" --output-on-failure -R "^(${tests// /|})\$"
else
  cmake --build "$build" -j"$(nproc)"
  ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
fi
