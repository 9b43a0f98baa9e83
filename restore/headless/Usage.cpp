#include "restore/headless/HeadlessOptions.h"

namespace vrel::restore {

const char* usageText() {
  return R"USAGE(Usage: VrelRestore [--headless [OPTIONS]] [SWITCHES]
       VrelRestore --rehearse [OPTIONS] [SWITCHES]
       VrelRestore --verify-only DIR [--alias-map FILE]

Restores an Orvix server from a disaster-recovery backup onto the machine
named by VREL_MACHINE. Without --headless the program opens its window.

  --headless           run without a window, from a file of answers and the
                       options below; every message box is printed with the
                       answer taken
  --answers FILE       the file of answers (format below)
  --backup DIR         the backup folder the folder picker answers
  --messages, --no-messages          tick or untick Restore Messages
  --report-data, --no-report-data    tick or untick Restore Report Data
  --certificates, --no-certificates  tick or untick Restore certificates
  --alias-map FILE     map subscriber aliases with this mapping file (ticks
                       the option and picks the file with its Browse
                       button, which checks it)
  --restore, --no-restore            press Restore From Backup or not
                       (default: yes when a backup folder is given and
                       neither menu option below is)
  --restore-certificates
                       choose the menu "Restore certificates": the backed-up
                       certificates (from the --backup folder) into the
                       machine's store and the message aging certificate
                       database, without a restore run; also on a machine
                       where only the voice connector is installed
  --check-for-update   choose the menu "Check for updated version"
  --rehearse           run the headless restore on a disposable copy of the
                       machine and report every change it made there
                       (registry values old -> new, rows per table, files,
                       services) and the run log it wrote; the machine
                       itself is left untouched
  --verify-only DIR    check the backup folder DIR completely and change
                       nothing: every item the restore reads, the registry
                       export, the database images, the certificate export,
                       the alias mapping file given with --alias-map, and
                       the backed-up version against the installed one. One
                       line per finding; exit status 0 when the backup is
                       usable, 1 when it is not
  --help               this text

Options beat the same setting in the answer file. Paths are the machine's
Windows paths (C:\Backups\Orvix) or host paths (/srv/backup, or relative to
the current folder), which the machine sees through its drives.

SWITCHES are the words the program looks for anywhere in its command line:
debug, JustRestoreDB, UglyRestore, DirtyRestore, PauseAfterSQLRestore,
SkipVersionCheck.

Answer file: "key = value" lines; lines starting with # are comments.
  backup = DIR          alias-map = FILE
  messages = yes|no     report-data = yes|no     certificates = yes|no
  restore = yes|no     restore-certificates = yes|no     check-for-update = yes|no
  answer "TEXT" = yes|no|ok|cancel|retry|abort|ignore
An answer line answers every message box whose text contains TEXT (any
case; the first matching line wins; "" inside the quotes is one quote).
An answer the box has no button for is taken by its sense: yes, ok, retry
and ignore take the box's affirmative button, no, cancel and abort its
negative one. Any other box gets its affirmative answer (Yes, Retry, OK). When the
same question has been answered other than negatively three times, the
fourth and later times take the negative answer, so a retry loop ends; the
printed answer says so.

Output: standard output is the transcript (each message box with its
caption, buttons, text and the answer taken; the folder and file dialogs;
"note:" lines where an option could not be set); the programs the run
starts write to standard error.

VREL_TIME_SCALE (default 1) multiplies the program's fixed waits (its
pauses and settling waits); 0 means no fixed waits. Time-outs (a service
step's 30 or 60 seconds) are multiplied by the same number but never by
less than 0.02, so a step does not time out falsely when the waits are off.

Exit status: 0 the program ended normally, 2 start-up, the chosen backup
folder or the alias mapping file was refused (or the command line, the
answer file or the machine was unusable), 3 a run aborted, 1 an internal
error.

Each run writes, beside "DisasterRecoveryRestore.log" in the backup folder,
"DisasterRecoveryRestore.json": the phases, what changed, every error and
warning line, and the leftovers of the old machine that the run log's last
"(warning)" lines name.

Environment:
  VREL_MACHINE     the folder of the stand-in machine to work on (required)
  VREL_TIME_SCALE  multiplies every fixed wait, pause and time-out (default 1)
  VREL_TOOLS       the folder of the Windows tools the machine's system
                   folder links to (default: the folder they were built in)
  VREL_TOOLS_SITE  the web site "Check for updated version" and the home
                   page menu use, instead of the program's own
  VREL_PHASE_TIMES a host file to which a run appends each phase's seconds
                   and its peak memory (for the benchmarks)
  VREL_CMDLINE     the whole Windows command line, set by the programs that
                   start this one; the program reads its switches from it
  VREL_CWD         the current folder as a Windows path, set likewise
  TMPDIR           where --verify-only checks the database images
  DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM
                   without any of them the window cannot open: use --headless

Machine values read at start-up (standin machine set NAME VALUE):
  UserDefaultLangID  the language of the window and messages (1033 English,
                     1031 German, 1041 Japanese, ...)
  SessionName        a name starting with "RDP-" is a remote session, which
                     start-up refuses
  ComputerName       the new server's name
  Platform, OsVersion, LanGroup, UserName, LogonDomain, LogonServer,
  LoggedOnUsers, LanRoot, OtherDomains
                     the workstation information start-up reads
  RunningAccount, LocalAdministrators, TokenDenyOnlySids
                     the running account and its rights in the directory
)USAGE";
}

}  // namespace vrel::restore
