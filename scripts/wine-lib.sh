# Sourced helpers for running Windows programs under Wine.

# use_wine_prefix DIR: makes DIR (created if missing) the Wine prefix of what
# follows, quiet, and without the Mono and Gecko installer dialogs of a new prefix.
use_wine_prefix() {
  mkdir -p "$1"
  export WINEPREFIX=$(cd "$1" && pwd)
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  # Wine hands its windows to the window manager and, whenever one of them hides,
  # waits up to two seconds for the manager to answer. The test displays run
  # none: there Wine places every window itself.
  local managed=N
  [ -n "${DISPLAY:-}" ] && xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && managed=Y
  # The server is let go, so that it writes the setting down and the caller
  # starts one of its own.
  grep -qs "^\"Managed\"=\"$managed\"" "$WINEPREFIX/user.reg" ||
    { wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d $managed /f >/dev/null 2>&1; wineserver -w; }
}

# start_xvfb GEOMETRY [XVFB_ARGS...] starts Xvfb on a free display number and
# sets DISPLAY and XVFB_PID. The caller stops it by its process id.
start_xvfb() {
  local geometry=${1:-1280x1024x24} n
  shift || true
  for n in $(seq 90 190); do
    if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then
      Xvfb :$n -screen 0 "$geometry" -nolisten tcp "$@" >/dev/null 2>&1 &
      XVFB_PID=$!
      local i
      for i in $(seq 1 50); do
        [ -e /tmp/.X11-unix/X$n ] && break
        sleep 0.1
      done
      if kill -0 "$XVFB_PID" 2>/dev/null; then
        export DISPLAY=:$n
        return 0
      fi
    fi
  done
  echo "no free X display number" >&2
  return 1
}
