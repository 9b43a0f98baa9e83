#include "restore/headless/HeadlessOptions.h"

namespace vrel::restore {

const char* usageText() {
  return R"(Usage: VrelRestore [--headless [OPTIONS]] [SWITCHES]

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
)";
}

}  // namespace vrel::restore
