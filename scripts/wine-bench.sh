# Sourced by the test and run scripts: a private Wine prefix and one X display for the
# whole run. Never touches ~/.wine.
#   WINEPREFIX  build/wineprefix (made afresh: no leftovers from an earlier run)
#   DISPLAY     a private Xvfb
ov_bench_start() {
  local top=$1 appdefaults=${2:-}
  # OV_WINEPREFIX lets a second bench run beside this one.
  export WINEPREFIX="${OV_WINEPREFIX:-$top/build/wineprefix}"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
  local wine=/usr/lib/wine/wine64
  [ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
  export OV_WINE=$wine

  # One X display for the run: a new display per program breaks windows (the old
  # wineserver lingers tied to the previous display).
  local n
  for n in $(seq 90 130); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  OV_XVFB_PID=$!
  export DISPLAY=":$n"
  trap ov_bench_stop EXIT

  rm -rf "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
  # A second fixed drive D:, so tests can see which drive wins.
  mkdir -p "$WINEPREFIX/drive_d"
  ln -sfn ../drive_d "$WINEPREFIX/dosdevices/d:"
  # Xvfb runs without a window manager: unmanaged windows keep Wine from waiting 2 s for
  # every window it hides (each dialog that closes).
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  if [ -n "$appdefaults" ] && [ -f "$appdefaults" ]; then
    "$wine" regedit /S "$(winepath_of "$appdefaults")" >/dev/null 2>&1
    wineserver -w 2>/dev/null || true
  fi
}

winepath_of() {
  # Z: maps to / in every prefix.
  printf 'Z:%s' "$(printf '%s' "$1" | sed 's|/|\\|g')"
}

ov_bench_stop() {
  wineserver -k 2>/dev/null || true
  [ -n "${OV_XVFB_PID:-}" ] && kill "$OV_XVFB_PID" 2>/dev/null || true
}
