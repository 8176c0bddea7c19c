#!/bin/sh
# Regenerates sample-eijiro.txt from sample-utf8.txt, which is the file to
# edit. The result is what real Eijiro files are: Shift_JIS with CR LF line
# ends. iconv stops with an error on a character Shift_JIS cannot hold.
set -eu
cd "$(dirname "$0")"
sed 's/$/\r/' sample-utf8.txt | iconv -f UTF-8 -t SHIFT_JIS >sample-eijiro.txt.new
mv sample-eijiro.txt.new sample-eijiro.txt
