// The machine's notepad: "notepad[.exe] FILE". Like Windows' Notepad it takes
// everything after its name as one file name, blanks and all, surrounding
// quotes removed. It records the request in the machine value
// "NotepadOpened" (the file name as given). With a display it then shows the
// file read-only in a window until the window is closed; without one it ends
// at once.
#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/Text.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#ifdef VREL_NOTEPAD_WINDOW
#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#endif

using namespace vrel;

namespace {

// The file name: the whole argument text, one pair of quotes around it
// removed.
std::string fileNameOf(const std::string& commandLine) {
  std::string name = trim(argumentsText(commandLine));
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
  return name;
}

bool envSet(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}

[[maybe_unused]] bool displayAvailable() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform && std::string_view(platform) == "offscreen") return false;
  return envSet("DISPLAY") || envSet("WAYLAND_DISPLAY");
}

#ifdef VREL_NOTEPAD_WINDOW
int showWindow(int argc, char** argv, const Files& files, const std::string& name) {
  QApplication app(argc, argv);
  std::string text;
  const FileStatus st = files.readAll(name, text);
  if (!st) {
    QMessageBox::warning(nullptr, "Notepad",
                         QString::fromStdString("Cannot find the " + name + " file.\n\n" + st.description));
    return 0;
  }
  QPlainTextEdit edit;
  edit.setReadOnly(true);
  edit.setLineWrapMode(QPlainTextEdit::NoWrap);
  edit.setPlainText(QString::fromStdString(ansiToUtf8(text)));
  edit.setWindowTitle(QString::fromStdString(winFileName(name) + " - Notepad"));
  edit.resize(900, 600);
  // The window style the program was started with: 3 maximised, 2 and 6
  // minimised; a hidden notepad would linger unseen, so others show normally.
  const char* style = std::getenv("VREL_WINDOW_STYLE");
  const int s = style ? std::atoi(style) : 1;
  if (s == 3)
    edit.showMaximized();
  else if (s == 2 || s == 6)
    edit.showMinimized();
  else
    edit.show();
  return app.exec();
}
#endif

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  auto machine = Machine::fromEnvironment(error);
  if (!machine) {
    std::fprintf(stderr, "notepad: %s\n", error.c_str());
    return 1;
  }
  const std::string name = fileNameOf(rawCommandLine(argc, argv));
  if (!machine->setValue("NotepadOpened", name)) {
    std::fprintf(stderr, "notepad: cannot record the request in the machine's store\n");
    return 1;
  }
#ifdef VREL_NOTEPAD_WINDOW
  if (displayAvailable()) return showWindow(argc, argv, Files(*machine), name);
#endif
  return 0;
}
