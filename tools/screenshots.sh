#!/usr/bin/env bash
# Takes the pictures in docs/screenshots/ from the real program: builds what
# it needs, then lets orvel-shoot (tools/screenshots/) drive Orvel's windows
# inside an Xvfb server. Every run uses throw-away homes, so no real settings
# or dictionary database is read or written.
#
# Environment:
#   ORVEL_BUILD_DIR        build folder (default: build)
#   ORVEL_SCREENSHOT_DIR   where the pictures go (default: docs/screenshots)
#   ORVEL_NO_BUILD=1       use the build folder as it is; install nothing
#   QT_QPA_PLATFORM=offscreen   draw in memory instead of starting Xvfb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${ORVEL_BUILD_DIR:-build}
out=${ORVEL_SCREENSHOT_DIR:-$root/docs/screenshots}

if [ -z "${ORVEL_NO_BUILD:-}" ]; then
  . tools/deps.sh
  orvel_install_missing xvfb xauth fonts-noto-cjk
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j"$(nproc)" --target orvel-shoot orvel-cli eijiro-gen edict-gen
fi
build=$(cd "$build" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)

tmp=$(mktemp -d "${TMPDIR:-/tmp}/orvel-shots.XXXXXX")
trap 'rm -rf "$tmp"' EXIT INT TERM

if [ "${QT_QPA_PLATFORM:-}" = offscreen ]; then
  display=()
else
  # 96 dpi, so that point sizes come out as on a common desktop.
  display=(env QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96")
fi

# Runs a command in the home called $1 below $tmp, created when new.
in_home() {
  local home=$tmp/$1
  shift
  mkdir -p "$home/home" "$home/config" "$home/data" "$home/cache" "$home/runtime"
  chmod 700 "$home/runtime"
  env HOME="$home/home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
    XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" "$@"
}

# shoot HOME LOCALE ARGS...: runs orvel-shoot in that home and locale.
shoot() {
  local home=$1 locale=$2
  shift 2
  in_home "$home" env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG="$locale" \
    "${display[@]}" "$build/tools/screenshots/orvel-shoot" "$@"
}

# The program in use: the sample dictionary installed the way a first start
# through tools/run.sh installs it (without EDICT, which has a picture of
# its own below).
in_home sample env ORVEL_EDICT_FILE=/nonexistent bash tools/install-sample.sh "$build" >/dev/null
shoot sample C.UTF-8 "$out" main dark list find popup preferences about notebook
shoot sample ja_JP.UTF-8 --translated --suffix -ja "$out" main
# What the user means: a base form, and suggestions for a misspelling.
shoot sample C.UTF-8 --word "broke down" --suffix -base-form "$out" main
shoot sample C.UTF-8 --word anwser --suffix -suggestions "$out" main
# A Japanese inflected form, in a small Japanese-English glossary of our own.
in_home japanese "$build/cli/orvel-cli" install --name "Japanese" "$root/samples/sample-japanese.txt" >/dev/null
shoot japanese C.UTF-8 --word 食べました --suffix -japanese-base-form "$out" main

# Two dictionaries on one page: a small glossary (UTF-8) and the sample,
# each under a name of its own.
in_home two "$build/cli/orvel-cli" install --name "IT glossary" "$root/samples/sample-glossary.txt" >/dev/null
in_home two "$build/cli/orvel-cli" install --name "Sample" "$root/samples/sample-eijiro.txt" >/dev/null
shoot two C.UTF-8 --word water --suffix -two-dictionaries "$out" main

# An EDICT page: the real file where the system has it (Debian's edict
# package), else a generated one.
edict=${ORVEL_EDICT_FILE:-/usr/share/edict/edict}
if [ ! -r "$edict" ]; then
  edict=$tmp/edict/home/edict
  mkdir -p "$(dirname "$edict")"
  "$build/tools/edict-gen" --lines 5000 "$edict"
fi
in_home edict "$build/cli/orvel-cli" install --name EDICT "$edict" >/dev/null
shoot edict C.UTF-8 --word みず --suffix -edict "$out" main

# A word of more senses than a window holds; plain ASCII is Shift_JIS too,
# and the marker is its two bytes.
long=$tmp/long/home/long.txt
mkdir -p "$(dirname "$long")"
for i in $(seq 1 160); do printf '\201\241run  {v-%d} : sense %d of run\n' "$i" "$i"; done >"$long"
printf '\201\241runner : one who runs\n' >>"$long"
in_home long "$build/cli/orvel-cli" install "$long" >/dev/null
shoot long C.UTF-8 "$out" long

# The wizard needs a database without a dictionary, so a home of its own, and
# a file long enough for the progress bar to be caught on its way.
dictionary=$tmp/fresh/home/EIJIRO.TXT
in_home fresh "$build/tools/eijiro-gen" --lines 5000 --crlf "$dictionary"
shoot fresh C.UTF-8 --file "$dictionary" "$out" wizard
