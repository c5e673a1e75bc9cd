#!/usr/bin/env bash
# The main job: installs what is missing, builds the x86_64 deliverables and runs
# ginahost, the Winlogon stand-in, with ov_gina.dll under wine64, printing its trace of
# every call between "Winlogon" and the GINA, then the GINA's own diagnostic log. A demo
# key (PIN 1234) is made with keyctl in the reader "Demo reader" first.
#   scripts/run.sh                     a scripted session (Ctrl+Alt+Del, shut down)
#   scripts/run.sh --interactive       type the commands yourself (help lists them)
#   scripts/run.sh --windows nt40      emulate NT 4.0 (win2k, winxp, win2003 likewise)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
windows=winxp interactive=0
while [ $# -gt 0 ]; do
  case $1 in
    --interactive) interactive=1 ;;
    --windows) windows=$2; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" x86_64 >/dev/null

bin="$top/build/x86_64/bin"
host="ginahost-$windows.exe"
cp "$bin/ginahost.exe" "$bin/$host"
reg="$top/build/run-appdefaults.reg"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s]\n"Version"="%s"\n' "$host" "$windows" > "$reg"

source "$top/scripts/wine-bench.sh"
ov_bench_start "$top" "$reg"
# Switch the GINA's diagnostic log on (level 3) in the root of drive C:.
: > "$WINEPREFIX/drive_c/ov_ln1.log"

cd "$bin"
# A demo key: a reader folder with a PIN-protected software key in it.
echo "---- the demo key (keyctl) ----"
"$OV_WINE" keyctl.exe add-reader "Demo reader"
"$OV_WINE" keyctl.exe create "Demo reader" --label "Demo key" --pin 1234 --puk 12345678
"$OV_WINE" keyctl.exe list
"$OV_WINE" keyctl.exe show "Demo reader"
echo
echo "---- ginahost: Winlogon's calls and the GINA's answers ----"
status=0
if [ "$interactive" = 1 ]; then
  "$OV_WINE" "$host" || status=$?
else
  "$OV_WINE" "$host" --commands "state; cad; wait 300; sas 251" || status=$?
fi
echo
echo "---- the GINA's diagnostic log (C:\\ov_ln1.log) ----"
tr -d '\r' < "$WINEPREFIX/drive_c/ov_ln1.log"
echo
exit $status
