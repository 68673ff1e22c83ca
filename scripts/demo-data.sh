#!/usr/bin/env bash
# Brings the demo installation <dir> up to date with the program <maker> that writes it: the demo is written
# anew only when no demo is there or another maker wrote it; a rewritten demo keeps the saves (save/) and the
# settings (quillm2.cfg) of the previous one. Usage: demo-data.sh <maker> <dir>
set -euo pipefail
maker=$1
dir=$2
# A run interrupted during the swap below left the previous demo aside.
if [ ! -d "$dir" ] && [ -d "$dir.old" ]; then mv "$dir.old" "$dir"; fi
rm -rf "$dir.old"
# The demo records the digest of the maker that wrote it: the same maker writes the same demo.
stamp=.qm_make_demo.sha256
digest=$(sha256sum "$maker" | cut -d' ' -f1)
if [ -f "$dir/$stamp" ] && [ "$(cat "$dir/$stamp")" = "$digest" ]; then exit 0; fi
rm -rf "$dir.new"
"$maker" "$dir.new"
for item in save quillm2.cfg; do
  if [ -e "$dir/$item" ]; then
    rm -rf "${dir:?}.new/$item"
    cp -a "$dir/$item" "$dir.new/$item"
  fi
done
echo "$digest" >"$dir.new/$stamp"
if [ -d "$dir" ]; then mv "$dir" "$dir.old"; fi
mv "$dir.new" "$dir"
rm -rf "$dir.old"
