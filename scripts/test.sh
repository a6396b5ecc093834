#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the unit and end-to-end tests, the same
# tests under AddressSanitizer and UndefinedBehaviorSanitizer, and a bounded fuzzing run.
# Usage: scripts/test.sh            (FUZZ_SECONDS=60 by default)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
out="${TARVEX_BUILD_ROOT:-$root/build-test}"
mkdir -p "$out"

scripts/install-deps.sh

# A throwaway PostgreSQL cluster on a free loopback port for the database tests, stopped on exit.
pg_dir="$(mktemp -d /tmp/tarvex-pg.XXXXXX)"
chmod 755 "$pg_dir"
trap 'scripts/pg-cluster.sh stop "$pg_dir" || true' EXIT
pg_port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
echo "== PostgreSQL test cluster on 127.0.0.1:$pg_port"
pg_facts="$(scripts/pg-cluster.sh start "$pg_dir" "$pg_port")"
while IFS= read -r line; do export "${line?}"; done <<<"$pg_facts"
export TARVEX_PG_REQUIRED=1  # a PostgreSQL test that would skip fails instead

echo "== build and unit tests"
scripts/build.sh "$out/release" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEX_BUILD_BENCH=ON
(cd "$out/release" && ctest --output-on-failure -j "$(nproc)")

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
scripts/build.sh "$out/asan" -DCMAKE_BUILD_TYPE=Debug -DTARVEX_SANITIZE=ON
(cd "$out/asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$(nproc)")

echo "== fuzzing"
CC=clang CXX=clang++ scripts/build.sh "$out/fuzz" -DCMAKE_BUILD_TYPE=Debug -DTARVEX_FUZZ=ON \
  -DTARVEX_BUILD_TESTS=ON
tests/fuzz/run-fuzz.sh "$out/fuzz" "${FUZZ_SECONDS:-60}"

echo "== all tests passed"
