#!/usr/bin/env bash
# Configures and builds one or both targets: scripts/build.sh [x86_64] [i686]
# Output: build/<target>/bin. The i686 build is compiled and checked only (no 32-bit code runs here).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(i686 x86_64)

for t in "${targets[@]}"; do
  extra=()
  # The x86_64 test bench also checks the i686 binaries (imports, exports).
  [ "$t" = x86_64 ] && extra+=(-DOV_I686_BIN_DIR="$top/build/i686/bin")
  [ "$t" = i686 ] && extra+=(-DOV_BUILD_TESTS=OFF)
  cmake -S "$top" -B "$top/build/$t" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$t.cmake" "${extra[@]}" >/dev/null
  cmake --build "$top/build/$t" -- -j"$(nproc)"
done
