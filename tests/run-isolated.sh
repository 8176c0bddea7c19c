#!/bin/sh
# Runs one test program with its own temporary home, so settings and the
# dictionary database it creates never touch the real ones.
set -u
dir=$(mktemp -d "${TMPDIR:-/tmp}/orvel-test.XXXXXX") || exit 1
trap 'rm -rf "$dir"' EXIT INT TERM
mkdir -p "$dir/home" "$dir/config" "$dir/data" "$dir/cache" "$dir/work"
export HOME="$dir/home" XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" \
  XDG_CACHE_HOME="$dir/cache" XDG_RUNTIME_DIR="$dir" ORVEL_TEST_DIR="$dir/work"
cd "$dir/work" || exit 1
"$@"
