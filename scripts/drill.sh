#!/usr/bin/env bash
# Main job. Sets up and builds, then runs a drill on two stand-in machines
# with the machine's own tools: a server's registry branch written on an
# "old" machine, exported with regedit, imported on a "new" machine and
# exported again byte for byte; the new machine's services stopped (one of
# them hangs for a while) and started; left-over server processes killed.
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
"$BIN/standin" init
"$BIN/standin" machine set ComputerName ORVIXOLD
# A REGEDIT4 file as an administrator would write it by hand.
printf '%s\r\n' 'REGEDIT4' '' \
  '[HKEY_LOCAL_MACHINE\SOFTWARE\Tremarc\ZureVezuza\1.0]' \
  '"Root Path"="E:\\Orvix"' \
  '"Version Number"=dword:00040000' \
  '"Switch File"="E:\\Orvix\\Switch\\switch.ini"' \
  '"Logins"=hex(7):61,00,62,00,00,00' \
  '"Blob"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,19,1a,1b,1c,1d,1e,1f' \
  '' '[HKEY_LOCAL_MACHINE\SOFTWARE\Tremarc\ZureVezuza\1.0\Logging]' '@="on"' '' > "$DRILL/old/drive_c/seed.reg"
"$BIN/regedit" /s 'C:\seed.reg'
"$BIN/regedit" /e 'C:\OrvixReg.reg' 'HKEY_LOCAL_MACHINE\SOFTWARE\Tremarc'
echo "exported C:\\OrvixReg.reg ($(stat -c %s "$DRILL/old/drive_c/OrvixReg.reg") bytes, UTF-16LE)"

step "new machine: $DRILL/new"
export VREL_MACHINE=$DRILL/new
"$BIN/standin" init
"$BIN/standin" machine set ComputerName ORVIXNEW
mkdir -p "$DRILL/new/drive_d/Backup"
cp "$DRILL/old/drive_c/OrvixReg.reg" "$DRILL/new/drive_d/Backup/OrvixReg.reg"
"$BIN/regedit" /s 'd:\BACKUP\orvixreg.reg'
"$BIN/regedit" /e 'C:\check.reg' 'HKEY_LOCAL_MACHINE\SOFTWARE\Tremarc'
cmp "$DRILL/old/drive_c/OrvixReg.reg" "$DRILL/new/drive_c/check.reg"
echo "re-exported branch is byte-identical to the backup's"

step "services of the new machine"
"$BIN/standin" service add AvTmSvc --display "Orvix Messaging" --hang-stop 2
"$BIN/standin" service add AvDirChangeWriter --display "Orvix Directory Change Writer"
"$BIN/net" stop "Orvix Messaging"
"$BIN/net" stop AvDirChangeWriter
"$BIN/standin" service list
"$BIN/net" start AvTmSvc
"$BIN/net" start AvDirChangeWriter
"$BIN/net" stop NoSuchService || echo "(unknown service refused, as expected)"

step "left-over server processes"
mkdir -p "$DRILL/new/drive_e/Orvix"
ln -sf "$BIN/sleeper" "$DRILL/new/drive_e/Orvix/TmServer.exe"
"$BIN/standin" start 'E:\Orvix\TmServer.exe TmServer.exe 600' >/dev/null
"$BIN/standin" start 'E:\Orvix\TmServer.exe TmSchedule.exe 600' >/dev/null
sleep 0.5
"$BIN/standin" ps
"$BIN/kill" -F 'tm*.*'
"$BIN/standin" ps

step "drill complete: machines in $DRILL"
