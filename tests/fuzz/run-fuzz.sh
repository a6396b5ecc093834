#!/bin/sh
# Runs the DBF reader fuzzer for a bounded time, starting from the corpus tables and the saved
# findings.
#
#   tests/fuzz/run-fuzz.sh BUILD_DIR SECONDS [extra libFuzzer options...]
#
# BUILD_DIR is a build configured with CC=clang CXX=clang++ -DTARVEX_FUZZ=ON in which the target
# dbf_reader_fuzz was built. Each corpus table is seeded four times, once per value of the
# switch byte that the fuzzer reads first (LngIsCorInHdr, CreateNewFld). The working corpus
# lives in a temporary folder that is removed afterwards; crash inputs are kept in
# BUILD_DIR/fuzz-artifacts/. The exit status is non-zero when the fuzzer found a crash.
set -eu

if [ $# -lt 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS [libFuzzer options...]" >&2
  exit 2
fi
build=$1
seconds=$2
shift 2

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
fuzzer="$build/tests/fuzz/dbf_reader_fuzz"
if [ ! -x "$fuzzer" ]; then
  echo "$0: $fuzzer not found; build the target dbf_reader_fuzz first" >&2
  exit 2
fi
case $seconds in
  ''|*[!0-9]*) echo "$0: SECONDS must be a whole number" >&2; exit 2 ;;
esac

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvex-fuzz-corpus.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"

# Seeds: every corpus table behind each switch byte; saved findings as they are.
n=0
find "$root/tests/data/corpus" -type f \( -name '*.dbf' -o -name '*.DBF' \) | while read -r table; do
  n=$((n + 1))
  for switches in 0 1 2 3; do
    { printf "\\00$switches"; cat "$table"; } > "$work/seed-$n-$switches"
  done
done
if [ -d "$root/tests/data/regressions" ]; then
  find "$root/tests/data/regressions" -type f -name '*.bin' -exec cp {} "$work/" \;
fi

echo "fuzzing for $seconds s with $(ls "$work" | wc -l) seeds; crashes go to $artifacts/"
status=0
"$fuzzer" "$work" \
  -max_total_time="$seconds" \
  -max_len=16384 \
  -timeout=10 \
  -rss_limit_mb=2048 \
  -print_final_stats=1 \
  -artifact_prefix="$artifacts/" \
  "$@" || status=$?
if [ "$status" -ne 0 ]; then
  echo "$0: the fuzzer stopped with status $status; see $artifacts/" >&2
fi
exit "$status"
