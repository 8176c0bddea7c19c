#!/bin/sh
# Writes Debian's EDICT (package edict, EUC-JP) to standard output as an
# Eijiro-format dictionary in UTF-8 that Orvel can install:
#   漢字 [かな] /(v1,vt) (1) sense/sense/(P)/
# becomes
#   ■漢字  {v1,vt} : 【＠】かな、(1) sense / sense
# The part of speech of the first sense becomes the entry's label (what
# Orvel's Japanese base forms go by), the kana its reading.
# Usage: edict-to-eijiro [EDICT-FILE] > FILE   (default /usr/share/edict/edict)
set -eu
edict=${1:-/usr/share/edict/edict}
# The first line describes the file itself.
iconv -f EUC-JP -t UTF-8 "$edict" | tail -n +2 | sed -E \
  -e 's#^([^ ]+) \[([^]]*)\] /(\([^)]*\) )?#■\1  {\3} : 【＠】\2、#' \
  -e 's#^([^■ ]+) /(\([^)]*\) )?#■\1  {\2} : #' \
  -e 's# \{\((.*)\) \} :# {\1} :#' \
  -e 's#  \{\} :# :#' \
  -e 's#/\(P\)/$#/#' \
  -e 's#/$##' \
  -e 's#/# / #g'
