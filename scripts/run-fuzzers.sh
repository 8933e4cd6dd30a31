#!/usr/bin/env bash
# Runs each libFuzzer harness for a fixed time, seeded from fuzz/corpus/<name>/ when present.
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=$2
top=$(cd "$(dirname "$0")/.." && pwd)
status=0
for harness in "$build"/fuzz/fuzz_*; do
  [ -x "$harness" ] || continue
  name=$(basename "$harness"); name=${name#fuzz_}
  work=$(mktemp -d)
  seeds=()
  [ -d "$top/fuzz/corpus/$name" ] && seeds+=("$top/fuzz/corpus/$name")
  echo "== fuzzing $name for ${seconds}s"
  if ! (cd "$work" && "$harness" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=0 "$work" "${seeds[@]}" 2>"$work/log"); then
    tail -n 60 "$work/log"
    status=1
  else
    tail -n 2 "$work/log"
  fi
  rm -rf "$work"
done
exit $status
