#!/usr/bin/env bash
# The main job on the sample files: builds Tarvex when needed, shows what the reader finds in the
# sample DBF files of examples/, converts them into load files (INSERT scripts and table scripts,
# with bad files for rejected records) with the coloured log, and loads them into the embedded
# SQLite database of the program folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/install-deps.sh
scripts/build.sh build-run -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEX_BUILD_TESTS=OFF >/dev/null
home="$root/build-run/example-home"
out="$root/build-run/example-out"
rm -rf "$out" "$home/tarvex.db"
mkdir -p "$home" "$out"
build-run/tarvex-cli info examples/*.dbf
build-run/tarvex-cli convert examples/*.dbf --home "$home" --out "$out" --prj OWN=demo
echo "load files written to $out:"
ls "$out"
echo "loading them into $home/tarvex.db (schema demo):"
build-run/tarvex-cli exec --home "$home" --connect "demo/demo@sqlite:$home/tarvex.db" \
  "$out"/*.STB "$out"/*.Sql
