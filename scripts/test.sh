#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test under wine64.
# Extra arguments go to ctest (e.g. -R gina -V).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" i686 x86_64

source "$top/scripts/wine-bench.sh"
ov_bench_start "$top" "$top/build/x86_64/wine-appdefaults.reg"
cd "$top/build/x86_64"
ctest --output-on-failure -j2 --timeout 300 "$@"
