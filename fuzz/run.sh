#!/bin/sh
# Builds the fuzz preset and runs each fuzz target for the given number of
# seconds (default 60) on a copy of its seed corpus. Exits non-zero on a finding.
# Four targets: CI's 60 seconds each keep the fuzzing within five minutes.
set -eu
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --preset fuzz -S "$root" >/dev/null
cmake --build "$root/build/fuzz" --target FuzzTransportStream FuzzSections FuzzWorld FuzzMenu
work="$root/build/fuzz/corpus"
for pair in FuzzTransportStream:transport_stream FuzzSections:sections FuzzWorld:world FuzzMenu:menu; do
  target=${pair%%:*}
  corpus=${pair#*:}
  mkdir -p "$work/$corpus"
  cp -f "$root/fuzz/corpus/$corpus"/* "$work/$corpus/" && chmod -R u+w "$work/$corpus"
  echo "== $target for ${seconds}s"
  (cd "$root/build/fuzz" && TUNEWRIGHT_CLOCK=virtual "./fuzz/$target" -max_total_time="$seconds" -max_len=65536 \
     -print_final_stats=1 "$work/$corpus")
done
