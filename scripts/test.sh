#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test under wine64.
# Extra arguments go to ctest (e.g. -R gina -V).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" i686 x86_64

# The portable data logic, natively: its tests, and each fuzzer for a minute, two at a
# time (scripts/fuzz-long.sh runs them for longer).
cmake -S "$top/tests/native" -B "$top/build/native" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$top/build/native"
(cd "$top/build/native" && ctest --output-on-failure -j2)

source "$top/scripts/wine-bench.sh"
ov_bench_start "$top" "$top/build/x86_64/wine-appdefaults.reg"
cd "$top/build/x86_64"
ctest --output-on-failure -j2 --timeout 300 "$@"
