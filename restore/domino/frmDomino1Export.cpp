// frmDomino1's export of the unmatched rows: a text file for the Domino
// administration program's person import, one 17-field line per row without
// a directory ID (last name; first name;;; password;;;;;;;;;;;; alias).
#include "platform/Files.h"
#include "platform/Text.h"
#include "restore/domino/frmDomino1.h"
#include "restore/run/VbError.h"

namespace vrel::restore {

namespace {
constexpr int kPasswordPrompt = 122, kPasswordRequired = 123, kAborted = 124, kOverwrite = 125, kSaveTitle = 126,
              kNoneExported = 127, kExportComplete = 128, kUsersIncluded = 129;
}  // namespace

void frmDomino1::cmdExport_Click() {
  Program& p = m_program;
  trap("cmdExport_Click", [&] {
    const std::string password =
        p.ui.InputBox(p.str(kPasswordPrompt), "Default Domino password", "").value_or("");
    if (password.empty()) {
      p.MsgBox(p.str(kPasswordRequired));
      return;
    }
    FileDialogOptions dialog;
    dialog.title = p.str(kSaveTitle);
    dialog.fileName = "C:\\UnMatchedUsers.txt";
    std::string file;
    for (;;) {
      file = p.ui.GetSaveFileName(dialog);
      if (file.empty()) {
        p.MsgBox(p.str(kAborted));
        return;
      }
      if (!p.files.exists(file)) break;
      if (p.MsgBox(p.str(kOverwrite), MsgBoxStyle::YesNo) == MsgResult::Yes) {
        if (const FileStatus st = p.files.deleteFile(file, false); !st) throw VbError(st.number, st.description);
        break;
      }
    }
    writeExportFile(file, password);
  });
}

void frmDomino1::exportUnmatched(const std::string& file, const std::string& password) {
  trap("cmdExport_Click", [&] {
    if (m_program.files.exists(file)) {
      if (const FileStatus st = m_program.files.deleteFile(file, false); !st) throw VbError(st.number, st.description);
    }
    writeExportFile(file, password);
  });
}

void frmDomino1::writeExportFile(const std::string& file, const std::string& password) {
  Program& p = m_program;
  std::string text;
  int lines = 0;
  for (int r = 1; r < myGrid.rows(); ++r) {
    if (!myGrid.cell(r, "DirectoryID").text.empty()) continue;
    text += myGrid.cell(r, "LastName").text + ";" + myGrid.cell(r, "FirstName").text + ";;;" + password +
            ";;;;;;;;;;;;" + myGrid.cell(r, "Alias").text + "\r\n";
    ++lines;
  }
  if (const FileStatus st = p.files.writeAll(file, utf8ToAnsi(text)); !st) throw VbError(st.number, st.description);
  if (lines > 0)
    p.MsgBox(p.str(kExportComplete) + std::to_string(lines) + p.str(kUsersIncluded));
  else
    p.MsgBox(p.str(kNoneExported));
}

}  // namespace vrel::restore
