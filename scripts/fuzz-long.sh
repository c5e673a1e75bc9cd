#!/usr/bin/env bash
# Long fuzz runs of the portable code: scripts/fuzz-long.sh [SECONDS] [FUZZER...]
# Without SECONDS each fuzzer runs 10 million inputs; with it, that many seconds each.
# Without FUZZER names every fuzzer of tests/native runs, one after the other. The
# corpus of each grows in build/fuzz/corpus/<fuzzer> from run to run; inputs that fail
# are saved in build/fuzz/findings. Prints executions and time per fuzzer from
# libFuzzer's final statistics; the exit status is 1 when any fuzzer failed.
# OV_NATIVE_BUILD picks the native build directory (default build/native).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${OV_NATIVE_BUILD:-$top/build/native}
work=$top/build/fuzz

limit=(-runs=10000000)
if [ $# -gt 0 ] && [[ $1 =~ ^[0-9]+$ ]]; then
  limit=(-max_total_time="$1")
  shift
fi

cmake -S "$top/tests/native" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build"

fuzzers=("$@")
if [ ${#fuzzers[@]} -eq 0 ]; then
  for source in "$top"/tests/native/fuzz_*.cpp; do fuzzers+=("$(basename "$source" .cpp)"); done
fi

mkdir -p "$work/findings" "$work/logs"
summary=()
failed=0
for fuzzer in "${fuzzers[@]}"; do
  mkdir -p "$work/corpus/$fuzzer"
  log=$work/logs/$fuzzer.log
  echo "== $fuzzer (${limit[*]})"
  status=0
  "$build/$fuzzer" "${limit[@]}" -print_final_stats=1 -artifact_prefix="$work/findings/$fuzzer-" \
    "$work/corpus/$fuzzer" >"$log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  seconds=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  result=ok
  if [ "$status" -ne 0 ]; then
    result="FAILED (exit $status, see $log)"
    failed=1
    grep -m1 -E "ERROR: |==[0-9]+==|runtime error" "$log" || true
  fi
  line=$(printf '%-24s %12s execs %7s s %8s execs/s  %s' "$fuzzer" "${execs:-?}" "${seconds:-?}" "${rate:-?}" "$result")
  echo "$line"
  summary+=("$line")
done

echo
echo "summary:"
printf '%s\n' "${summary[@]}"
exit $failed
