#!/bin/sh
# Runs a program on an X server of its own, for tests of what only a real
# display has: a clipboard shared with other programs, a system tray.
# Exits with 77 (skipped) where no X server can be started.
set -u
command -v Xvfb >/dev/null 2>&1 || { echo "Xvfb is not installed"; exit 77; }
dir=$(mktemp -d "${TMPDIR:-/tmp}/orvel-xvfb.XXXXXX") || exit 1
mkfifo "$dir/display" || exit 1
# The server writes its display number once it takes connections.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$dir/display" &
server=$!
read -r number <"$dir/display"
rm -rf "$dir"
if [ -z "$number" ]; then
  echo "Xvfb did not start"
  exit 77
fi
DISPLAY=":$number" QT_QPA_PLATFORM=xcb "$@"
status=$?
kill "$server"
wait "$server"
exit "$status"
