#!/usr/bin/env bash
# Runs one Windows program under wine64 for CTest. Wine may start helper processes
# (the desktop's explorer.exe) from inside a test; they would inherit CTest's output pipe
# and keep CTest waiting long after the test ended. Their output goes to a file instead,
# which is printed when the program itself has ended.
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
out=$(mktemp)
"$wine" "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
rm -f "$out"
exit $status
