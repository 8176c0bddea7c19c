#!/bin/sh
# Runs a program on an X server of its own, for what only a real display
# has: a clipboard shared with other programs, a system tray. Exits with 77
# (skipped) where no server starts.
set -u
fifo=$(mktemp -u "${TMPDIR:-/tmp}/orvel-xvfb.XXXXXX") && mkfifo "$fifo" || exit 1
# The server writes its display number once it takes connections.
Xvfb -displayfd 3 -nolisten tcp 3>"$fifo" 2>/dev/null &
server=$!
read -r number <"$fifo"
rm -f "$fifo"
[ -n "$number" ] || { echo "Xvfb did not start"; exit 77; }
DISPLAY=":$number" QT_QPA_PLATFORM=xcb "$@"
status=$?
kill "$server"
exit "$status"
