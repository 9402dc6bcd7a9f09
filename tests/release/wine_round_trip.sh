#!/bin/bash
# The installer's round trip in a fresh Wine prefix of one architecture: a silent
# install (file, uninstall entry, chosen saver), the installed saver full screen
# until a key, a second silent install over the first, and a silent uninstall
# that leaves nothing of the saver behind.
#   wine_round_trip.sh win64|win32 SETUP SCR VERSION PREFIX
set -euo pipefail
arch=$1 setup=$2 scr=$3 version=$4 prefix=$5
source "$(dirname "$0")/../../scripts/wine-lib.sh"

rm -rf "$prefix"
[ "$arch" = win32 ] && export WINEARCH=win32
use_wine_prefix "$prefix"
xvfb_pid=
[ -n "${DISPLAY:-}" ] || { start_xvfb 1024x768x24; xvfb_pid=$XVFB_PID; }
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

fail() { echo "$arch: $*" >&2; exit 1; }
# The value of a registry value as `reg query` prints it; empty when missing.
# The 32-bit view: the installer is a 32-bit program.
reg_value() { wine reg query "$1" /v "$2" /reg:32 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brisel'
desktop_key='HKCU\Control Panel\Desktop'
if [ "$arch" = win64 ]; then system=syswow64; else system=system32; fi
installed=$WINEPREFIX/drive_c/windows/$system/brisel.scr

wine cmd /c exit >/dev/null 2>&1  # makes the prefix

expect_installed() {
  wine "$setup" /S || fail "$1: the installer failed"
  cmp -s "$installed" "$scr" || fail "$1: $system/brisel.scr is not the release .scr"
  [ "$(reg_value "$uninstall_key" DisplayVersion)" = "$version" ] || fail "$1: no uninstall entry of $version"
  reg_value "$desktop_key" SCRNSAVE.EXE | grep -qi "\\\\$system\\\\brisel.scr$" ||
    fail "$1: SCRNSAVE.EXE is '$(reg_value "$desktop_key" SCRNSAVE.EXE)'"
}
expect_installed "first install"

# The installed saver covers the screen and ends on a key.
wine "C:\\windows\\$system\\brisel.scr" /s &
saver=$!
window=
for _ in $(seq 1 100); do
  window=$(xdotool search --name '^Screen Saver$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || fail "no saver window"
eval "$(xdotool getwindowgeometry --shell "$window")"
read -r screen_width screen_height < <(xdotool getdisplaygeometry)
[ "$WIDTH x $HEIGHT" = "$screen_width x $screen_height" ] ||
  fail "saver window $WIDTH x $HEIGHT, screen $screen_width x $screen_height"
xdotool windowfocus "$window"
sleep 0.5
kill -0 "$saver" 2>/dev/null || fail "the saver ended before the key"
xdotool key shift
for _ in $(seq 1 50); do kill -0 "$saver" 2>/dev/null || break; sleep 0.2; done
kill -0 "$saver" 2>/dev/null && fail "the saver still runs after a key"
wait "$saver" || fail "the saver's exit code is $?"

expect_installed "second install"

# The uninstaller copies itself away and returns at once: wait for the prefix's
# programs to end.
printf '[Other]\r\nkept=1\r\n[Brisel]\r\nSOUND_SW=1\r\n' > "$WINEPREFIX/drive_c/windows/CONTROL.INI"
quiet=$(reg_value "$uninstall_key" QuietUninstallString)
uninstaller=$(sed -n 's/^"\(.*\)" \/S$/\1/p' <<< "$quiet")
unix_uninstaller=$WINEPREFIX/drive_c/$(sed 's/^[Cc]:\\//; s/\\/\//g' <<< "$uninstaller")
[ -e "$unix_uninstaller" ] || fail "quiet uninstall command '$quiet'"
wine "$uninstaller" /S
wineserver -w
[ ! -e "$installed" ] || fail "brisel.scr is left"
[ ! -e "$unix_uninstaller" ] || fail "the uninstaller is left"
[ -z "$(reg_value "$uninstall_key" DisplayName)" ] || fail "the uninstall entry is left"
! grep -qi '^\[Brisel\]' "$WINEPREFIX/drive_c/windows/CONTROL.INI" || fail "the [Brisel] section is left"
grep -q '^kept=1' "$WINEPREFIX/drive_c/windows/CONTROL.INI" || fail "other sections of CONTROL.INI are gone"
[ -z "$(reg_value "$desktop_key" SCRNSAVE.EXE)" ] || fail "SCRNSAVE.EXE still names the saver"
echo "$arch: install, saver, second install and uninstall passed"
