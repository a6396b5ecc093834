#!/usr/bin/env bash
# Installs, with apt-get, every Debian package that building, testing and running Tarvex needs.
# Packages already present are not touched; apt-get update runs only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev          # libFuzzer and the sanitizer runtimes
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-dbfread        # python3-dbfread: the independent reader of the tests
  libsqlite3-dev                  # the embedded database of the SQLite session
  libpq-dev postgresql            # the PostgreSQL client library; the server of the tests
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
