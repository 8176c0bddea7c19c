#!/usr/bin/env bash
# Installs the free EDICT dictionary (Debian's edict package), where the
# system has it, and the sample dictionary into Orvel's own database on the
# very first start, when that database does not exist yet, so that there are
# words to look up. Once the database exists it never installs again: a user
# who removed them meant it. tools/run.sh calls it right before it starts
# Orvel.
# Usage: install-sample.sh [BUILD_DIR]   (default: build)
# ORVEL_EDICT_FILE names another EDICT file (default /usr/share/edict/edict).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
cli=$build/cli/orvel-cli

# `list` never creates a database; it exits with 2 when there is none yet.
status=0
"$cli" list >/dev/null 2>&1 || status=$?
case $status in
0) exit 0 ;;
2) ;;
*)
  echo "install-sample: cannot read Orvel's dictionary list; starting without the sample." >&2
  exit 0
  ;;
esac

# Read in place: the package's file stays where the package keeps it.
edict=${ORVEL_EDICT_FILE:-/usr/share/edict/edict}
edict_installed=
if [ -r "$edict" ]; then
  echo "install-sample: installing the EDICT dictionary from $edict (a few seconds)..." >&2
  if "$cli" install --name EDICT --type edict "$edict" >/dev/null; then
    edict_installed=1
  else
    echo "install-sample: installing EDICT failed; going on without it." >&2
  fi
fi

# An installed dictionary is read in place through byte offsets, so the
# sample gets a copy of its own that no update of this checkout changes.
data=${XDG_DATA_HOME:-$HOME/.local/share}/orvel
mkdir -p "$data"
cp "$root/samples/sample-eijiro.txt" "$data/sample-eijiro.txt"
if ! "$cli" install "$data/sample-eijiro.txt" >/dev/null; then
  echo "install-sample: installing the sample dictionary failed; starting without it." >&2
  exit 0
fi
if [ -n "$edict_installed" ]; then
  cat <<MESSAGE
This is Orvel's first start, so the free EDICT Japanese-English dictionary
has been installed from $edict
(some 267,000 entries; try 食べる, たべる, eat or みず), named "EDICT".
MESSAGE
fi
cat <<MESSAGE
This is Orvel's first start, so its small sample dictionary has been
installed: $data/sample-eijiro.txt
(a few hundred entries; try run, look, water, word or dictionary).
To use your own Eijiro dictionary file instead, open Edit > Preferences... >
Dictionary, click the sample, Remove it, then Add... your file.
MESSAGE
