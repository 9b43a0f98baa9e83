#!/usr/bin/env bash
# Main job. Sets up and builds, then runs a disaster-recovery drill on two
# stand-in machines: an old server is installed, lived in and backed up; a
# new server with another name and install root is installed; the backup
# folder is carried over; the restore program, copied onto the new machine,
# restores the backup there without a display (VrelRestore --headless).
# Afterwards the drill shows the run log and checks what the run left.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

BIN=$PWD/build/bin
DRILL=${VREL_DRILL_DIR:-$PWD/build/drill}
VERSION=${VREL_DRILL_VERSION:-'4.0(4.175)'}
rm -rf "$DRILL"
mkdir -p "$DRILL"
step() { printf '\n== %s\n' "$*"; }
sql() { "$BIN/standin" sql "$@" | tail -n +2; }

step "old machine: $DRILL/old (ORVIXOLD, E:\\Orvix, $VERSION)"
export VREL_MACHINE=$DRILL/old
"$BIN/standin" provision --computer ORVIXOLD --root 'E:\Orvix' --version "$VERSION" --failover primary
"$BIN/standin" populate --subscribers "${VREL_DRILL_SUBSCRIBERS:-25}"
"$BIN/standin" backup 'F:\Backup' | tail -n 1
echo "subscribers on the old server: $(sql "SELECT COUNT(*) FROM Subscriber")"

step "new machine: $DRILL/new (ORVIXNEW, D:\\Program Files\\Orvix, $VERSION)"
export VREL_MACHINE=$DRILL/new
"$BIN/standin" provision --computer ORVIXNEW --root 'D:\Program Files\Orvix' --version "$VERSION"
mkdir -p "$DRILL/new/drive_f"
cp -r "$DRILL/old/drive_f/Backup" "$DRILL/new/drive_f/Backup"
echo "subscribers on the new server: $(sql "SELECT COUNT(*) FROM Subscriber")"

step "the restore program, copied onto the new machine (C:\\Vrel)"
PROGRAM=$DRILL/new/drive_c/Vrel
mkdir -p "$PROGRAM"
cp "$BIN/VrelRestore" "$BIN"/VrelRestore_*.dll "$BIN"/*.htm "$BIN/CleanConfigInfo.mdb" "$PROGRAM/"
ls "$PROGRAM"

step "restore (headless; answers in $DRILL/answers.txt)"
cat >"$DRILL/answers.txt" <<'END'
# The drill restores from the carried-over backup folder and keeps the
# report data; the closing offer to open the log in Notepad is taken.
backup = F:\Backup
report-data = yes
answer "view log file" = ok
END
status=0
"$PROGRAM/VrelRestore" --headless --answers "$DRILL/answers.txt" 2>"$DRILL/children.txt" | tee "$DRILL/transcript.txt" || status=$?
echo "VrelRestore exit status: $status"

LOG=$DRILL/new/drive_f/Backup/DisasterRecoveryRestore.log
step "the run log: $LOG"
cat "$LOG"

step "what the run left on the new machine"
"$BIN/regedit" /e 'C:\check.reg' 'HKEY_LOCAL_MACHINE\Software\Tremarc\ZureVezuza\1.0'
echo "registry:       $(iconv -f UTF-16LE -t UTF-8 "$DRILL/new/drive_c/check.reg" | tr -d '\r' | grep -E '^"(Root Path|PrimaryServer)"' | tr '\n' ' ')"
echo "subscribers:    $(sql "SELECT COUNT(*) FROM Subscriber")"
echo "home server:    $(sql "SELECT HomeServer FROM Location WHERE Alias='default'")"
echo "notepad asked:  $("$BIN/standin" machine get NotepadOpened)"
errors=$(grep -c '(error)' "$LOG" || true)
echo "(error) lines:  $((errors - 1)) (the header's search hint names the tag once)"
[ "$status" -eq 0 ] || { echo "drill FAILED: exit status $status"; exit 1; }
step "drill complete: machines in $DRILL, run log in $LOG"
