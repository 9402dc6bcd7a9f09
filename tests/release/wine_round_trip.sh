#!/bin/bash
# The installer's round trip in a fresh Wine prefix of one architecture: silent installs
# (file, uninstall entry, chosen saver) over a changed one, while the saver or a preview
# runs, a restart (wineboot -r), and an uninstall that leaves nothing of the saver behind:
# ScreenSaveActive as it was, no CONTROL.INI where the saver's settings were all it held.
#   wine_round_trip.sh win64|win32 SETUP SCR VERSION PREFIX
set -euo pipefail
arch=$1 setup=$2 scr=$3 version=$4 prefix=$5
source "$(dirname "$0")/../../scripts/wine-lib.sh"

chattr -i "$prefix"/drive_c/windows/sys* 2>/dev/null || true
rm -rf "$prefix"
[ "$arch" = win32 ] && export WINEARCH=win32
use_wine_prefix "$prefix"
xvfb_pid=
[ -n "${DISPLAY:-}" ] || { start_xvfb 1024x768x24; xvfb_pid=$XVFB_PID; }
cleanup() {
  [ -z "${installed:-}" ] || unlock_system
  wineserver -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
# One server for the whole run: a new one boots the prefix, which plays PendingFileRenameOperations.
wineserver -p

fail() { echo "$arch: $*" >&2; exit 1; }
# The value of a registry value as `reg query` prints it; empty when missing.
# The 32-bit view: the installer is a 32-bit program.
reg_value() { wine reg query "$1" /v "$2" /reg:32 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brisel'
desktop_key='HKCU\Control Panel\Desktop'
if [ "$arch" = win64 ]; then system=syswow64; else system=system32; fi
installed=$WINEPREFIX/drive_c/windows/$system/brisel.scr
lock_system() { chmod a-w "${installed%/*}" && { chattr +i "${installed%/*}" 2>/dev/null || [ "$(id -u)" != 0 ]; }; }
unlock_system() { chattr -i "${installed%/*}" 2>/dev/null; chmod u+w "${installed%/*}"; }

wine cmd /c exit >/dev/null 2>&1  # makes the prefix

make_stale() { printf 'stale' >> "$installed"; wine reg add "$uninstall_key" /v DisplayVersion /d 0.1 /f /reg:32 >/dev/null; }
# The uninstaller runs from a copy of itself and returns at once: wait for the entry to go.
uninstall() {
  local quiet=$(reg_value "$uninstall_key" QuietUninstallString) uninstaller
  uninstaller=$WINEPREFIX/drive_c/$(sed -n 's/^"[Cc]:\\\(.*\)" \/S$/\1/p' <<< "$quiet" | tr '\\' /)
  wine "$(sed 's/"\(.*\)" \/S/\1/' <<< "$quiet")" /S
  # The uninstaller goes on from its copy in the temporary folder: wait for all it removes.
  gone() { [ -z "$(reg_value "$uninstall_key" DisplayName)" ] && [ ! -e "$uninstaller" ] && [ ! -e "$installed" ]; }
  for _ in $(seq 1 100); do gone && break; sleep 0.2; done
  gone || fail "$1: the entry, the uninstaller or brisel.scr is left"
  ! reg_value "$desktop_key" SCRNSAVE.EXE | grep -qi "\\\\$system\\\\brisel.scr$" || fail "$1: SCRNSAVE.EXE still names the saver"
}

expect_installed() {
  wine "$setup" /S ${2:+"$2"} || fail "$1: the installer failed"
  cmp -s "$installed" "$scr" || fail "$1: $system/brisel.scr is not the release .scr"
  [ "$(reg_value "$uninstall_key" DisplayName), $(reg_value "$uninstall_key" DisplayVersion)" = \
    "Brisel screen saver, $version" ] || fail "$1: no uninstall entry \"Brisel screen saver\" of $version"
  reg_value "$desktop_key" SCRNSAVE.EXE | grep -qi "\\\\$system\\\\brisel.scr$" ||
    fail "$1: SCRNSAVE.EXE is '$(reg_value "$desktop_key" SCRNSAVE.EXE)'"
  ! wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations |
    grep -qi 'brisel\.scr' || fail "$1: brisel.scr waits for a restart"
}
wine reg add "$desktop_key" /v SCRNSAVE.EXE /d 'C:\mine.scr' /f >/dev/null
active() { wine reg query "$desktop_key" /v ScreenSaveActive 2>/dev/null | tr -d '\r' | grep -i ScreenSaveActive || true; }
active=$(active)
status=skipped; ! lock_system || { wine "$setup" /S && status=0 || status=$?; }
unlock_system
[ "$status" = skipped ] && echo "$arch: no rights check, the system folder cannot be made read-only here" ||
  [ "$status $(reg_value "$desktop_key" SCRNSAVE.EXE)" = '5 C:\mine.scr' ] ||
  fail "without rights: exit code $status, SCRNSAVE.EXE '$(reg_value "$desktop_key" SCRNSAVE.EXE)'"
expect_installed "first install" '/D=C:\Elsewhere'
[ "$(reg_value "$uninstall_key" InstallLocation)" = 'C:\Elsewhere' ] || fail "not installed into C:\Elsewhere"
make_stale
expect_installed "upgrade"
[ "$(reg_value "$uninstall_key" InstallLocation)" = 'C:\Elsewhere' ] || fail "the upgrade left C:\Elsewhere"
make_stale

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
expect_installed "upgrade while the saver runs"
xdotool key shift
for _ in $(seq 1 50); do kill -0 "$saver" 2>/dev/null || break; sleep 0.2; done
kill -0 "$saver" 2>/dev/null && fail "the saver still runs after a key"
wait "$saver" || fail "the saver's exit code is $?"

# Uninstalled while a preview runs (in Wine's desktop window) and installed before the restart.
wine "C:\\windows\\$system\\brisel.scr" /p 65568 & preview=$!
sleep 1; kill -0 "$preview" 2>/dev/null || fail "no preview"
printf '[Brisel]\r\nSOUND_SW=1\r\n' > "$WINEPREFIX/drive_c/windows/CONTROL.INI"
uninstall "uninstall while the preview runs"
[ "$(active)" = "$active" ] && [ ! -e "$WINEPREFIX/drive_c/windows/CONTROL.INI" ] ||
  fail "ScreenSaveActive is '$(active)', not '$active', or CONTROL.INI is left"
# An earlier version's uninstall queued brisel.scr itself, among other programs' operations (paths in any
# script, a replacement) in a value without its closing zero: the install drops only the saver's pair.
wide_hex() { printf '%s\0' "$@" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 -v | tr -s ' \n' , | sed 's/^,//;s/,$//'; }
session_key='HKLM\System\CurrentControlSet\Control\Session Manager'
pending_hex() {
  wine reg export "$session_key" 'C:\pending.reg' /y >/dev/null
  iconv -f UTF-16 -t UTF-8 "$WINEPREFIX/drive_c/pending.reg" | tr -d '\r' |
    sed -n '/^"PendingFileRenameOperations"=/{:a;/\\$/{N;ba};p}' | tr -d ' \\\n' | sed 's/^.*hex(7)://'
}
touch "$WINEPREFIX/drive_c/other.tmp"
others=('\??\C:\temp\日本.tmp' '' '\??\C:\users\Łukasz\new.dll' '!\??\C:\users\Łukasz\old.dll')
seeded=$(wide_hex '\??\C:\other.tmp' '' "\\??\\C:\\windows\\$system\\brisel.scr" '' "${others[@]}")
printf 'Windows Registry Editor Version 5.00\n[%s]\n"PendingFileRenameOperations"=hex(7):%s\n' \
  "${session_key/HKLM/HKEY_LOCAL_MACHINE}" "$seeded" | iconv -f UTF-8 -t UTF-16 > "$WINEPREFIX/drive_c/pending.reg"
wine reg import 'C:\pending.reg' >/dev/null 2>&1
before=$(pending_hex)
expect_installed "install before the restart"
after=$(pending_hex)
[ "$before" = "$seeded" ] && [ "$after" = "$(wide_hex '\??\C:\other.tmp' '' "${others[@]}" '')" ] ||
  fail "PendingFileRenameOperations seeded $seeded, before the install $before, after $after"
wineserver -k; wineboot -r >/dev/null 2>&1
cmp -s "$installed" "$scr" && [ ! -e "$WINEPREFIX/drive_c/other.tmp" ] || fail "the restart took brisel.scr or kept other.tmp"

# The settings, also in the user's VirtualStore copy a saver without administrator rights wrote through.
store=$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')")/VirtualStore/Windows/CONTROL.INI
for ini in "$WINEPREFIX/drive_c/windows/CONTROL.INI" "$store"; do
  mkdir -p "${ini%/*}" && printf '[Other]\r\nkept=1\r\n[Brisel]\r\nSOUND_SW=1\r\n' > "$ini"
done
# A saver of the user's own in the 64-bit System32 is not the one installed: it stays chosen.
own=; [ "$arch" = win32 ] || own='C:\windows\system32\brisel.scr'
[ -z "$own" ] || { cp "$scr" "${installed/syswow64/system32}" && wine reg add "$desktop_key" /v SCRNSAVE.EXE /d "$own" /f >/dev/null; }
uninstall "uninstall"
[ ! -e "$WINEPREFIX/drive_c/Elsewhere" ] || fail "C:\Elsewhere is left"
for ini in "$WINEPREFIX/drive_c/windows/CONTROL.INI" "$store"; do
  ! grep -qi '^\[Brisel\]' "$ini" || fail "the [Brisel] section is left in $ini"
  grep -q '^kept=1' "$ini" || fail "other sections of $ini are gone"
done
[ "$(reg_value "$desktop_key" SCRNSAVE.EXE)" = "$own" ] || fail "SCRNSAVE.EXE is '$(reg_value "$desktop_key" SCRNSAVE.EXE)'"
echo "$arch: installs, upgrades, uninstalls and restart passed"
