#!/bin/sh
# Checks the program's includes: no unit (a header with its source file)
# reaches itself through the units it includes, and no folder includes one
# of a higher layer. Prints each fault; exits 1 when there is one.
# Usage: tools/check-includes.sh [SOURCE_DIR]
set -u
cd "${1:-$(dirname "$0")/..}" || exit 2

# Layers, low to high; folders of one layer may include each other's files,
# but not in a circle.
layers='database:1 dictionary:2 lookup:3 notebook:4 mainwindow:5 preferences:5 wizard:5 about:5 app:6 cli:6'
folders=$(echo "$layers" | tr ' ' '\n' | cut -d: -f1 | tr '\n' ' ')

edges=$(mktemp) && trap 'rm -f "$edges"' EXIT
for folder in $folders; do
  for file in "$folder"/*.h "$folder"/*.cpp; do
    [ -f "$file" ] || continue
    # "folder/name.h" includes of the program's own folders only.
    sed -n 's/^#include "\([a-z]*\/[a-z0-9_]*\)\.h".*/\1/p' "$file" |
      while read -r target; do
        case " $folders " in *" ${target%%/*} "*) ;; *) continue ;; esac
        echo "${file%.*} $target"
      done
  done
done >"$edges"

status=0
# A unit that includes its own header is no circle.
if ! awk '$1 != $2' "$edges" | tsort >/dev/null 2>"$edges.units"; then
  echo "units include each other in a circle:"; grep -v '^tsort: -: input contains a loop' "$edges.units"
  status=1
fi
rm -f "$edges.units"

awk -v layers="$layers" '
  BEGIN { n = split(layers, pairs, " "); for (i = 1; i <= n; i++) { split(pairs[i], p, ":"); rank[p[1]] = p[2] } }
  { from = $1; sub(/\/.*/, "", from); to = $2; sub(/\/.*/, "", to)
    if (rank[from] < rank[to]) { print $1 " includes " $2 ", a higher layer"; bad = 1 } }
  END { exit bad }' "$edges" || status=1

if ! awk '{ from = $1; sub(/\/.*/, "", from); to = $2; sub(/\/.*/, "", to); if (from != to) print from, to }' \
    "$edges" | tsort >/dev/null 2>&1; then
  echo "folders include each other in a circle"
  status=1
fi
exit $status
