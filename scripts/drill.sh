#!/usr/bin/env bash
# Main job. Sets up and builds, then runs a disaster-recovery drill on two
# stand-in machines: an old server is installed, lived in and backed up; a
# new server with another name and install root is installed; the backup
# folder is carried over; the restore program, copied onto the new machine,
# restores the backup there without a display (VrelRestore --headless), with
# an alias mapping file and the messages. Afterwards the drill shows the run log and, side by
# side, what the old server held and what the restored one holds.
#
# These variables change the scenario: VREL_DRILL_DIR (where the machines
# go), VREL_DRILL_VERSION, VREL_DRILL_MAILSTORE (exchange55, exchange2000,
# domino), VREL_DRILL_LANGUAGE, VREL_DRILL_SUBSCRIBERS, the computer names
# VREL_DRILL_OLD_NAME and VREL_DRILL_NEW_NAME, and the Windows paths
# VREL_DRILL_OLD_ROOT, VREL_DRILL_NEW_ROOT and VREL_DRILL_BACKUP.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

BIN=$PWD/build/bin
DRILL=${VREL_DRILL_DIR:-$PWD/build/drill}
VERSION=${VREL_DRILL_VERSION:-'4.0(4.175)'}
MAILSTORE=${VREL_DRILL_MAILSTORE:-exchange2000}
LANGUAGE=${VREL_DRILL_LANGUAGE:-ENU}
OLD_NAME=${VREL_DRILL_OLD_NAME:-ORVIXOLD}
NEW_NAME=${VREL_DRILL_NEW_NAME:-ORVIXNEW}
OLD_ROOT=${VREL_DRILL_OLD_ROOT:-'E:\Orvix'}
NEW_ROOT=${VREL_DRILL_NEW_ROOT:-'D:\Program Files\Orvix'}
BACKUP=${VREL_DRILL_BACKUP:-'F:\Backup'}
# host MACHINE WINDOWS-PATH: where a Windows path of a stand-in machine lies.
host() {
  local drive=${2:0:1} rest=${2:3}
  printf '%s/drive_%s/%s' "$1" "${drive,,}" "${rest//\\//}"
}
rm -rf "$DRILL"
mkdir -p "$DRILL"
step() { printf '\n== %s\n' "$*"; }
sql() { "$BIN/standin" sql "$@" | tail -n +2; }

step "old machine: $DRILL/old ($OLD_NAME, $OLD_ROOT, $VERSION, $LANGUAGE)"
export VREL_MACHINE=$DRILL/old
"$BIN/standin" provision --computer "$OLD_NAME" --root "$OLD_ROOT" --version "$VERSION" --mailstore "$MAILSTORE" \
  --language "$LANGUAGE" --failover primary
"$BIN/standin" populate --subscribers "${VREL_DRILL_SUBSCRIBERS:-25}" --admins both
"$BIN/standin" backup "$BACKUP" | tail -n 1
echo "subscribers on the old server: $(sql "SELECT COUNT(*) FROM Subscriber")"
mapfile -t ALIASES < <(sql "SELECT Alias FROM Subscriber WHERE IsSubscriber=1 AND Alias NOT LIKE 'E%' AND Alias <> 'Installer' ORDER BY Alias" | head -n 5)
OLD_ADMIN=$(sql "SELECT SubscriberObjectID FROM Subscriber WHERE Alias='EAdmin'")

# What the checks below look at, on a server: stream paths under the old
# root or naming no file, registry path values under the old root.
STREAMS="SELECT StreamPath FROM Subscriber WHERE StreamPath IS NOT NULL UNION ALL SELECT StreamPath FROM CallHandler WHERE StreamPath IS NOT NULL UNION ALL SELECT StreamPath FROM MessagingRule WHERE StreamPath IS NOT NULL UNION ALL SELECT StreamPath FROM DistributionList WHERE StreamPath IS NOT NULL UNION ALL SELECT StreamPath FROM NameLookupHandler WHERE StreamPath IS NOT NULL"
state() {  # state ROOT: one line per point
  local root=$1
  printf '%s\t%s\n' "locations on another server" "$(sql "SELECT COUNT(*) FROM Location WHERE HomeServer <> '$2'")"
  printf '%s\t%s\n' "subscribers on another server" "$(sql "SELECT COUNT(*) FROM Subscriber WHERE HomeServer <> '$2'")"
  printf '%s\t%s\n' "stream paths" "$(sql "SELECT COUNT(*) FROM ($STREAMS)")"
  printf '%s\t%s\n' "  under the old root" "$(sql "SELECT COUNT(*) FROM ($STREAMS) WHERE StreamPath LIKE '$OLD_ROOT\\%'")"
  printf '%s\t%s\n' "  naming no file" "$(sql "$STREAMS" | sed 's/\\\\/\\/g' | "$BIN/standin" missing-files | wc -l)"
  "$BIN/regedit" /e 'C:\drill-paths.reg' 'HKEY_LOCAL_MACHINE\Software\Tremarc'
  printf '%s\t%s\n' "registry values under the old root" "$(iconv -f UTF-16LE -t UTF-8 "$root/drive_c/drill-paths.reg" | grep -ciF "${OLD_ROOT//\\/\\\\}" || true)"
  printf '%s\t%s\n' "mail stores, cache rows" "$(sql "SELECT COUNT(*) FROM MailboxStore"), $(sql "SELECT (SELECT COUNT(*) FROM ADMonitorDirObjsList) + (SELECT COUNT(*) FROM MovedMailbox)")"
  printf '%s\t%s\n' "EAdmin, EAdministrator" "$(sql "SELECT COUNT(*) FROM Subscriber WHERE Alias='EAdmin'"), $(sql "SELECT COUNT(*) FROM Subscriber WHERE Alias='EAdministrator'")"
  printf '%s\t%s\n' "references to the old EAdmin" "$(sql "SELECT (SELECT COUNT(*) FROM CallHandler WHERE IsPrimary=0 AND (AdministratorObjectID='$OLD_ADMIN' OR RecipientObjectID='$OLD_ADMIN')) + (SELECT COUNT(*) FROM MessagingRule WHERE DestinationObjectID='$OLD_ADMIN') + (SELECT COUNT(*) FROM MenuEntry WHERE DestinationObjectID='$OLD_ADMIN')")"
  printf '%s\t%s\n' "aliases ${ALIASES[0]}, ${ALIASES[1]}" "$(sql "SELECT COUNT(*) FROM Subscriber WHERE UID='${ALIASES[0]}'"), $(sql "SELECT COUNT(*) FROM Subscriber WHERE UID='${ALIASES[1]}'")"
  printf '%s\t%s\n' "aliases renamed.one, chain.end" "$(sql "SELECT COUNT(*) FROM Subscriber WHERE UID='renamed.one'"), $(sql "SELECT COUNT(*) FROM Subscriber WHERE UID='chain.end'")"
  printf '%s\t%s\n' "mailboxes, messages in the mail store" "$("$BIN/standin" mailstore | awk -F'\t' '{ n++; m += $2 } END { printf "%d, %d", n, m }')"
  printf '%s\t%s\n' "global subscribers, global locations" "$(sql "SELECT COUNT(*) FROM GlobalSubscriber"), $(sql "SELECT COUNT(*) FROM GlobalLocation")"
  printf '%s\t%s\n' "server manager service" "$("$BIN/standin" service list | awk '$1 == "TmCsMgr" { print $2 }')"
  printf '%s\t%s\n' "SystemID (OrvixDB), System ID (Doh)" "$(sql "SELECT Value FROM OrvixSetupParameters WHERE Name='@SystemId'"), $(iconv -f UTF-16LE -t UTF-8 "$root/drive_c/drill-paths.reg" | tr -d '\r' | awk '/^\[/{k=$0} k ~ /\\Doh\\1.00\]$/ && /^"System ID"/' | head -n 1)"
}
step "the old server, before the backup"
state "$DRILL/old" "$OLD_NAME" >"$DRILL/before.txt"
column -t -s $'\t' "$DRILL/before.txt"

step "new machine: $DRILL/new ($NEW_NAME, $NEW_ROOT, $VERSION, $LANGUAGE)"
export VREL_MACHINE=$DRILL/new
"$BIN/standin" provision --computer "$NEW_NAME" --root "$NEW_ROOT" --version "$VERSION" --mailstore "$MAILSTORE" \
  --language "$LANGUAGE"
mkdir -p "$(dirname "$(host "$DRILL/new" "$BACKUP")")"
cp -r "$(host "$DRILL/old" "$BACKUP")" "$(host "$DRILL/new" "$BACKUP")"
echo "subscribers on the new server: $(sql "SELECT COUNT(*) FROM Subscriber")"

step "the restore program, copied onto the new machine (C:\\Vrel)"
PROGRAM=$DRILL/new/drive_c/Vrel
mkdir -p "$PROGRAM"
cp "$BIN/VrelRestore" "$BIN"/VrelRestore_*.dll "$BIN"/*.htm "$BIN/CleanConfigInfo.mdb" "$BIN"/exmerge.ini* "$PROGRAM/"
# The programs the run starts from its folder: the directory syncher and ExMerge.
cp "$BIN/OrvixDirSync" "$PROGRAM/OrvixDirSync.exe"
cp "$BIN/exmerge" "$PROGRAM/exmerge.exe"
cp "$BIN/Rilo" "$PROGRAM/Rilo.exe"
ls "$PROGRAM"

step "restore (headless; answers in $DRILL/answers.txt)"
# The alias mapping file: a header with extra columns and blanks around the
# names, a rename, a chain, a swap, a case-only line, a short line, CR LF.
printf '%s\r\n' "Display Name , new_alias ,Extra, OLD_ALIAS ,Other" \
  "Renamed,renamed.one,x,${ALIASES[0]},y" "Chain,chain.mid,x,${ALIASES[1]},y" "Chain,chain.end,x,chain.mid,y" \
  "Swap, ${ALIASES[3]} ,x, ${ALIASES[2]} ,y" "Swap,${ALIASES[2]},x,${ALIASES[3]},y" \
  "Case,${ALIASES[4]^^},x,${ALIASES[4]},y" "z" >"$DRILL/new/drive_c/AliasMap.csv"
cat >"$DRILL/answers.txt" <<END
# The drill restores from the carried-over backup folder, keeps the report
# data, the messages and the certificates, and remaps aliases; the closing
# offer to open the log in Notepad is taken.
backup = $BACKUP
report-data = yes
messages = yes
certificates = yes
alias-map = C:\AliasMap.csv
answer "view log file" = ok
END
status=0
"$PROGRAM/VrelRestore" --headless --answers "$DRILL/answers.txt" 2>"$DRILL/children.txt" | tee "$DRILL/transcript.txt" || status=$?
echo "VrelRestore exit status: $status"

LOG=$(host "$DRILL/new" "$BACKUP")/DisasterRecoveryRestore.log
step "the run log: $LOG"
cat "$LOG"

step "the restored server, after the run (before: $DRILL/before.txt)"
state "$DRILL/new" "$NEW_NAME" >"$DRILL/after.txt"
printf '%-36s %-32s %s\n' "" "old server (backed up)" "new server (restored)"
paste "$DRILL/before.txt" "$DRILL/after.txt" | awk -F'\t' '{ printf "%-36s %-32s %s\n", $1, $2, $4 }'

step "what the run left on the new machine"
"$BIN/regedit" /e 'C:\check.reg' 'HKEY_LOCAL_MACHINE\Software\Tremarc\ZureVezuza\1.0'
echo "registry:       $(iconv -f UTF-16LE -t UTF-8 "$DRILL/new/drive_c/check.reg" | tr -d '\r' | grep -E '^"(Root Path|PrimaryServer)"' | tr '\n' ' ')"
echo "subscribers:    $(sql "SELECT COUNT(*) FROM Subscriber")"
echo "home server:    $(sql "SELECT HomeServer FROM Location WHERE Alias='default'")"
echo "notepad asked:  $("$BIN/standin" machine get NotepadOpened)"
echo "certificates:   $(ls "$DRILL/new/certstore/LocalMachine/My" 2>/dev/null | wc -l) in LocalMachine\My (the new server's own and the old one's)"
echo "rights check:   $(cat "$PROGRAM/Rilo.out" 2>/dev/null | tr -d '\r' | tr '\n' ' ')"
errors=$(grep -c '(error)' "$LOG" || true)
echo "(error) lines:  $((errors - 1)) (the header's search hint names the tag once)"
[ "$status" -eq 0 ] || { echo "drill FAILED: exit status $status"; exit 1; }
step "drill complete: machines in $DRILL, run log in $LOG"
