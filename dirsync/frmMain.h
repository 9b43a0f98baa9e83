// The syncher's one form as a model: its captions, the accumulated error
// text, the progress values, and the procedures that run the server's
// SQL/directory synchronisation and write the errors it reports into the
// file named on the command line. A front-end shows the model and repaints
// when asked; tests drive it without one.
#pragma once

#include "standin/server/DirectoryComponents.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vrel {
class Files;
}

namespace vrel::dirsync {

class frmMain;

// What the form needs from its front-end.
class DirSyncFace {
 public:
  virtual ~DirSyncFace() = default;
  // Shows the window topmost, not moved or resized.
  virtual void showTopmost(frmMain& form) = 0;
  virtual void setHourglass(bool on) = 0;
  // Brings the window up to date with the model and lets it repaint.
  virtual void refresh(frmMain& form) = 0;
  virtual void messageBox(const std::string& text) = 0;
};

using DbSyncFactory = std::function<standin::ComResult(std::unique_ptr<standin::DbSync>&)>;

class frmMain : public standin::DbSyncEvents {
 public:
  frmMain(Files& files, DirSyncFace& face, DbSyncFactory createSync);
  ~frmMain() override;

  // Captions, the error file from the command line (its argument text),
  // the synchronisation run, then Finish.
  void Form_Load(const std::string& commandLine);
  // Writes the error file when errors were reported (an old one is always
  // removed first) and releases the synchronisation object. Runs once; the
  // window's closing calls it too.
  void Finish();

  // The synchronisation object's events.
  void Progress(std::int32_t current, std::int32_t total) override;  // synker_Progress
  void LogInfo(std::int32_t code, const std::string& text, std::int32_t value) override;  // synker_LogInfo

  // Controls.
  std::string caption;
  std::string frameErrors;
  std::string txtErrors;
  std::string frameProgress;
  std::int32_t progressMax = 100;
  std::int32_t progressValue = 0;
  std::string lblCurrentItem = "0";
  std::string Label1;
  std::string lblCount = "0";

  const std::string& errorFilePath() const { return m_errorFile; }
  bool finished() const { return m_finished; }

 private:
  void appendError(const std::string& line);
  void loadCaptions();

  Files& m_files;
  DirSyncFace& m_face;
  DbSyncFactory m_createSync;
  std::unique_ptr<standin::DbSync> m_synker;
  std::string m_errorFile;
  bool m_finished = false;
  bool m_inSync = false;
  // When the window last showed the progress: a synchronisation reports
  // every subscriber, and repainting for each of 100,000 costs more than
  // the synchronisation itself.
  std::chrono::steady_clock::time_point m_lastShown{};
};

}  // namespace vrel::dirsync
