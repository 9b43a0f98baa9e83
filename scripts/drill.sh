#!/usr/bin/env bash
# Main job. Sets up and builds, then runs a drill on two stand-in machines:
# an old server is installed, lived in and backed up; a new server is
# installed; the backup folder is carried over; on the new machine the
# services are stopped (one hangs for a while), left-over server processes
# are killed, the backed-up registry branch is imported and re-exported byte
# for byte, and the services are started again. The restore program itself
# will take over these steps; until then the drill runs the machine's tools.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

BIN=$PWD/build/bin
DRILL=${VREL_DRILL_DIR:-$PWD/build/drill}
rm -rf "$DRILL"
mkdir -p "$DRILL"
step() { printf '\n== %s\n' "$*"; }

step "old machine: $DRILL/old"
export VREL_MACHINE=$DRILL/old
"$BIN/standin" provision --computer ORVIXOLD --root 'E:\Orvix' --version '4.0(3.15)' --installation-guid 11111111-2222-3333-4444-555555555555
"$BIN/standin" populate --subscribers "${VREL_DRILL_SUBSCRIBERS:-25}"
"$BIN/standin" backup 'F:\Backup' | tail -n 1
"$BIN/standin" sql "SELECT COUNT(*) AS Subscribers FROM Subscriber"

step "new machine: $DRILL/new"
export VREL_MACHINE=$DRILL/new
"$BIN/standin" provision --computer ORVIXNEW --root 'D:\Program Files\Orvix' --version '4.0(3.15)'
mkdir -p "$DRILL/new/drive_f"
cp -r "$DRILL/old/drive_f/Backup" "$DRILL/new/drive_f/Backup"
"$BIN/standin" sql "SELECT COUNT(*) AS Subscribers FROM Subscriber"

step "stop the new machine's services (one hangs on stop for 2 seconds)"
first=$("$BIN/standin" service list | head -n 1 | cut -f1)
"$BIN/standin" service set "$first" --hang-stop 2
"$BIN/standin" service list | cut -f1 | while read -r svc; do "$BIN/net" stop "$svc" | head -n 1; done
"$BIN/net" stop NoSuchService || echo "(unknown service refused, as expected)"

step "left-over server processes"
ln -sf "$BIN/sleeper" "$DRILL/new/drive_d/Program Files/Orvix/TmServer.exe"
"$BIN/standin" start '"D:\Program Files\Orvix\TmServer.exe" TmServer.exe 600' >/dev/null
"$BIN/standin" start '"D:\Program Files\Orvix\TmServer.exe" TmSchedule.exe 600' >/dev/null
sleep 0.5
"$BIN/standin" ps
"$BIN/kill" -F 'tm*.*'

step "the backed-up registry branch on the new machine"
"$BIN/regedit" /e 'C:\PreRestore.reg' 'HKEY_LOCAL_MACHINE\Software\Tremarc'
"$BIN/regedit" /s 'F:\BACKUP\orvixreg.reg'
"$BIN/regedit" /e 'C:\check.reg' 'HKEY_LOCAL_MACHINE\SOFTWARE\Tremarc'
cmp "$DRILL/new/drive_f/Backup/OrvixReg.reg" "$DRILL/new/drive_c/check.reg"
echo "imported and re-exported: byte-identical to the backup's OrvixReg.reg"

step "start the services again"
"$BIN/standin" service list | cut -f1 | while read -r svc; do "$BIN/net" start "$svc" | head -n 1; done

step "drill complete: machines in $DRILL"
