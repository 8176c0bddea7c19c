#!/bin/sh
# Runs tools/screenshots.sh on a finished build, drawing off screen, and checks
# what it leaves: every picture there and nothing else, each a PNG of its
# window's size, and the home it was started in untouched.
# Expects ORVEL_SOURCE_DIR, ORVEL_BUILD_DIR and ORVEL_TEST_DIR (run-isolated.sh).
set -eu
out=$ORVEL_TEST_DIR/shots
failed=0

if ! ORVEL_NO_BUILD=1 ORVEL_SCREENSHOT_DIR=$out QT_QPA_PLATFORM=offscreen \
  bash "$ORVEL_SOURCE_DIR/tools/screenshots.sh" >"$ORVEL_TEST_DIR/log" 2>&1; then
  cat "$ORVEL_TEST_DIR/log"
  echo "FAIL: screenshots.sh ended with an error"
  exit 1
fi

# size NAME: "WIDTHxHEIGHT" from the PNG header, or "not a PNG".
size() {
  if [ "$(od -An -tx1 -N8 "$out/$1" | tr -d ' \n')" != 89504e470d0a1a0a ]; then
    echo "not a PNG"
    return
  fi
  set -- $(od -An -tu1 -j16 -N8 "$out/$1")
  echo "$(($1 << 24 | $2 << 16 | $3 << 8 | $4))x$(($5 << 24 | $6 << 16 | $7 << 8 | $8))"
}

expected="main-window.png 640x360
main-window-ja.png 640x360
main-window-base-form.png 640x360
main-window-suggestions.png 640x360
main-window-japanese-base-form.png 640x360
main-window-two-dictionaries.png 640x360
main-window-edict.png 640x360
main-window-dark.png 640x360
long-entry.png 640x360
popup.png 420x300
word-list.png 640x360
find-in-entries.png 640x360
preferences-general.png 480x340
preferences-dictionary.png 480x340
about.png 320x320
notebook.png 940x420
wizard-1-introduction.png 480x320
wizard-2-register.png 480x320
wizard-3-processing.png 480x320
wizard-4-conclusion.png 480x320"

echo "$expected" | while read -r name want; do
  if [ ! -f "$out/$name" ]; then
    echo "FAIL: $name is missing"
  elif [ "$(size "$name")" != "$want" ]; then
    echo "FAIL: $name is $(size "$name"), not $want"
  fi
done | grep . && failed=1

found=$(ls "$out" | sort)
if [ "$found" != "$(echo "$expected" | cut -d' ' -f1 | sort)" ]; then
  echo "FAIL: the folder holds other files than the pictures:"
  echo "$found"
  failed=1
fi

# The script must keep to its own homes: neither settings nor a database nor
# a dictionary copy may land in the home it was started from.
for left in "$HOME/.config/veldrana" "$XDG_CONFIG_HOME/veldrana" "$XDG_DATA_HOME/orvel"; do
  if [ -e "$left" ]; then
    echo "FAIL: $left was written"
    failed=1
  fi
done

[ "$failed" -eq 0 ] && echo "PASS: $(echo "$expected" | wc -l) pictures"
exit "$failed"
