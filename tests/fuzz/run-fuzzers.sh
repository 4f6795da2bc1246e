#!/bin/bash
# Runs every built fuzz target for SECONDS each, starting from the seeds of
# seed-corpus.sh (targets without seeds start empty). The others still run after
# a finding; the script then fails and keeps the logs and inputs of the run.
# Usage: run-fuzzers.sh BUILD_DIR SECONDS   (BUILD_DIR configured with -DCHIMELY_FUZZ=ON)
set -uo pipefail
build=${1:?usage: run-fuzzers.sh BUILD_DIR SECONDS}
seconds=${2:?usage: run-fuzzers.sh BUILD_DIR SECONDS}
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/chimely-fuzzers-XXXXXX")
"$here/seed-corpus.sh" "$work/corpus"

found=0
status=0
for target in "$build"/tests/fuzz/fuzz_*; do
  [ -x "$target" ] && [ -f "$target" ] || continue
  found=1
  name=$(basename "$target")
  mkdir -p "$work/corpus/$name" "$work/artifacts/$name"
  echo "== $name: $seconds s"
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/$name/" "$work/corpus/$name" > "$work/$name.log" 2>&1
  rc=$?
  grep -E '^stat::number_of_executed_units|^Done ' "$work/$name.log" || true
  if [ $rc -ne 0 ]; then
    echo "!! $name failed (exit $rc); log and input kept in $work" >&2
    grep -E 'ERROR|SUMMARY|deadly signal|Test unit written' "$work/$name.log" >&2 || true
    status=$rc
  fi
done
if [ $found -eq 0 ]; then
  echo "no fuzz targets in $build/tests/fuzz (configure with CC=clang CXX=clang++ -DCHIMELY_FUZZ=ON)" >&2
  exit 2
fi
[ $status -eq 0 ] && rm -rf "$work"
exit $status
