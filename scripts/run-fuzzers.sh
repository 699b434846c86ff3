#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a while, starting from the seed corpus in
# fuzz/corpus/<target>/ (left unchanged: new inputs go to a scratch directory). Exits non-zero
# when a target crashes; the crashing input is kept in <build>/fuzz-artifacts/.
#   scripts/run-fuzzers.sh [seconds per target, default 20] [build dir, default build/fuzz]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=${2:-build/fuzz}
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Each parser takes inputs of the sizes it meets; the dispatcher's reach past the nesting bound
# (32 levels) that it refuses before parsing.
declare -A max_len=([dispatcher_fuzzer]=16384 [document_scanner_fuzzer]=8192
  [hex_base64_fuzzer]=4096 [sim_config_fuzzer]=16384 [demo_request_fuzzer]=20000)

status=0
for target in dispatcher_fuzzer document_scanner_fuzzer hex_base64_fuzzer sim_config_fuzzer \
              demo_request_fuzzer; do
  corpus="fuzz/corpus/${target%_fuzzer}"
  mkdir -p "$scratch/$target"
  echo "== $target: ${seconds}s"
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" \
      -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
      "$scratch/$target" "$corpus" >"$scratch/$target.log" 2>&1; then
    tail -n 60 "$scratch/$target.log"
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$scratch/$target.log" || true
done
exit $status
