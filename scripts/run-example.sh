#!/usr/bin/env bash
# The main job on the sample files: builds Tarvex when needed and runs it on examples/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/install-deps.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEX_BUILD_TESTS=OFF >/dev/null
build/tarvex-cli info examples/*.dbf
