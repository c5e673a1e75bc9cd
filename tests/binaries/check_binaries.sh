#!/usr/bin/env bash
# Checks the built binaries of one target: every .exe/.dll/.cpl imports only Windows
# system DLLs (no libstdc++, libgcc or winpthread), and each deliverable exports exactly
# its expected, undecorated names and carries the product's version resource.
# usage: check_binaries.sh <objdump> <bin dir> <expected_exports.txt>
set -u
objdump=$1 bin=$2 manifest=$3
[ -d "$bin" ] || { echo "FAIL: no binaries in $bin (build this target first)"; exit 1; }

system_dlls='^(kernel32|user32|gdi32|advapi32|msvcrt|version|netapi32|shell32|ole32|oleaut32|comctl32|comdlg32|mpr|userenv|secur32|crypt32|ws2_32|shlwapi|wtsapi32|powrprof|winspool\.drv|rpcrt4|imm32|winmm|hhctrl\.ocx)\.dll$|^winspool\.drv$|^hhctrl\.ocx$'
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

checked=0
while IFS= read -r -d '' file; do
  checked=$((checked + 1))
  while read -r dll; do
    lower=$(printf '%s' "$dll" | tr 'A-Z' 'a-z')
    [[ $lower =~ $system_dlls ]] || fail "$(basename "$file") imports $dll"
  done < <("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')
done < <(find "$bin" -type f \( -iname '*.exe' -o -iname '*.dll' -o -iname '*.cpl' \) -print0)
[ "$checked" -gt 0 ] || fail "no binaries found in $bin"

exports_of() {
  "$objdump" -p "$1" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^[ \t]*\[ *[0-9]+\] [A-Za-z_]/{print $NF} t&&/^$/{t=0}' | sort -u
}

while IFS= read -r line; do
  [[ -z $line || $line == \#* ]] && continue
  name=${line%%:*}
  expected=$(printf '%s\n' ${line#*:} | sed '/^$/d' | sort -u)
  file="$bin/$name"
  [ -f "$file" ] || { fail "$name missing"; continue; }
  actual=$(exports_of "$file")
  if [ "$actual" != "$expected" ]; then
    fail "$name exports differ"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | sed 's/^/    /'
  fi
  grep -q '@' <<<"$actual" && fail "$name has decorated exports"
  # VERSIONINFO strings are UTF-16 in the resource section.
  strings -el "$file" | grep -qx 'Ostrel Logon' || fail "$name has no product version resource"
done < "$manifest"

echo "checked $checked binaries in $bin, $failures failure(s)"
[ "$failures" -eq 0 ]
