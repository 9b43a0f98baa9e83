// frmHelp, the help window: one web-browser control, browserHelp, whose
// caption is the address of the page it shows. On loading it shows the
// program's HTML help page in the current language when the program's
// folder holds one, else the default page.
#pragma once

#include "restore/run/FormModel.h"

#include <optional>
#include <string>

namespace vrel::restore {

class Program;

class frmHelp : public FormModel {
 public:
  static constexpr const char* kBrowser = "browserHelp";
  static constexpr const char* kPageBaseName = "OrvixDisasterRecovery";

  explicit frmHelp(Program& program);

  // The window's caption.
  void Auto_Init() override;

  // Chooses the page: program folder + "\OrvixDisasterRecovery_" + the
  // current language's code + ".htm" when that file exists, else
  // "file://" + program folder + "\OrvixDisasterRecovery.htm"; with a topic,
  // its anchor "#topicN" follows. The browser navigates to it.
  void Form_Load();

  // The form's inner size changed; the browser fills it unless the form is
  // minimised, when it keeps its size.
  void Form_Resize(int scaleWidth, int scaleHeight, bool minimised);

  // The help topic to show on loading; none shows the page from its top.
  std::optional<int> topic;

  // The browser's place on the form.
  struct Bounds {
    int left = 0, top = 0, width = 0, height = 0;
  };
  Bounds browserBounds;

  // The address the browser shows.
  const std::string& page() const { return control(kBrowser).caption; }

 private:
  void navigate(const std::string& address);

  Program& m_program;
};

}  // namespace vrel::restore
