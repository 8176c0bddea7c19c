#!/usr/bin/env bash
# Installs what is missing, builds Orvel and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
orvel_install_missing
build=${ORVEL_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target orvel orvel-cli
# The very first start (no database yet) gets the EDICT dictionary, where
# the system has it, and the sample, so there is something to look up.
bash tools/install-sample.sh "$build"
exec "$build/app/orvel" "$@"
