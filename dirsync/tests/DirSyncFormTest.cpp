// The syncher's form without a window: the error lines of each event code,
// the progress values, and the error file rule (written only for errors, an
// old one always removed, a short path never written).
#include "dirsync/frmMain.h"
#include "platform/Files.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <functional>

namespace vrel::test {
namespace {

using standin::ComResult;

class RecordingFace : public dirsync::DirSyncFace {
 public:
  void showTopmost(dirsync::frmMain&) override { ++shown; }
  void setHourglass(bool on) override { hourglass = on; }
  void refresh(dirsync::frmMain& form) override {
    ++refreshes;
    lastShownItem = form.lblCurrentItem;
  }
  void messageBox(const std::string& text) override { boxes.push_back(text); }
  int shown = 0, refreshes = 0;
  std::string lastShownItem;
  bool hourglass = false;
  std::vector<std::string> boxes;
};

// A synchronisation that raises the events a test scripts.
class ScriptedSync : public standin::DbSync {
 public:
  explicit ScriptedSync(std::function<void(standin::DbSyncEvents&)> script, ComResult result = {})
      : m_script(std::move(script)), m_result(std::move(result)) {}
  void Advise(standin::DbSyncEvents* sink) override { m_sink = sink; }
  ComResult SyncCommit(std::string&, std::string&, std::uint32_t flags, std::int16_t, std::int32_t) override {
    EXPECT_EQ(flags, 0x0800FFFFu);
    if (m_sink && m_script) m_script(*m_sink);
    return m_result;
  }

 private:
  std::function<void(standin::DbSyncEvents&)> m_script;
  ComResult m_result;
  standin::DbSyncEvents* m_sink = nullptr;
};

class DirSyncForm : public ::testing::Test {
 protected:
  static constexpr const char* kErrors = "C:\\Sync\\DirectorySyncErrors.log";

  void SetUp() override {
    m_scratch.activate();
    ASSERT_TRUE(files().createFolder("C:\\Sync"));
  }
  Files& files() { return m_scratch.files(); }

  // Runs the form with a synchronisation that plays the script.
  dirsync::frmMain& run(const std::string& commandLine, std::function<void(standin::DbSyncEvents&)> script,
                        ComResult result = {}) {
    m_form = std::make_unique<dirsync::frmMain>(files(), m_face, [=](std::unique_ptr<standin::DbSync>& out) {
      out = std::make_unique<ScriptedSync>(script, result);
      return ComResult{};
    });
    m_form->Form_Load(commandLine);
    return *m_form;
  }
  std::string errorFile() {
    std::string text;
    return files().readAll(kErrors, text) ? text : "<none>";
  }

  ScratchMachine m_scratch;
  RecordingFace m_face;
  std::unique_ptr<dirsync::frmMain> m_form;
};

TEST_F(DirSyncForm, EachEventCodeAndItsLines) {
  const struct {
    std::uint32_t code;
    const char* message;  // null: the event adds nothing
  } cases[] = {
      {0x800B1001u, "(error) Monitor could not resolve ambiguous alias; object not synched"},
      {0x800B1002u, "(error) Monitor failed creating object in directory; object not synched"},
      {0x800B1003u, nullptr},
      {0x800B1004u, "(error) Synker failed writing Directory props to SQL; object not synched"},
      {0x800B1005u, "(error) Synker failed to initialize"},
      {0x800B1006u, "(error) Subscriber exists in directory but has no mailbox, object not synched."},
      {0x800B1007u, "(error) Internet Subscriber exists in directory but has no delivery address, object not synched."},
      {0x800B1008u, nullptr},
      {0u, nullptr},
  };
  for (const auto& c : cases) {
    const auto code = static_cast<std::int32_t>(c.code);
    dirsync::frmMain& form = run(kErrors, [&](standin::DbSyncEvents& e) {
      e.LogInfo(code, "jsmith", 7);
      e.LogInfo(code, "negative", -2);
    });
    const std::string expected = c.message ? std::to_string(code) + " jsmith  7\r\n" + c.message + "\r\n" +
                                                 std::to_string(code) + " negative -2\r\n" + c.message + "\r\n"
                                           : "";
    EXPECT_EQ(form.txtErrors, expected) << std::hex << c.code;
    EXPECT_EQ(errorFile(), c.message ? expected : "<none>") << std::hex << c.code;
  }
}

TEST_F(DirSyncForm, ProgressAndCaptions) {
  dirsync::frmMain& form = run("", [](standin::DbSyncEvents& e) {
    e.Progress(3, 10);
    e.Progress(0, 0);  // no total: the bar keeps its values
  });
  EXPECT_EQ(form.caption, "Orvix Directory Syncronization");
  EXPECT_EQ(form.frameErrors, "Errors Encountered");
  EXPECT_EQ(form.frameProgress, "Progress");
  EXPECT_EQ(form.Label1, "of");
  EXPECT_EQ(form.progressMax, 10);
  EXPECT_EQ(form.progressValue, 3);
  EXPECT_EQ(form.lblCount, "0");
  EXPECT_EQ(form.lblCurrentItem, "0");
  EXPECT_EQ(m_face.shown, 1);
  EXPECT_GE(m_face.refreshes, 2);
  EXPECT_FALSE(m_face.hourglass);
  EXPECT_TRUE(form.finished());
}

TEST_F(DirSyncForm, ALongSynchronisationIsShownNowAndThenAndAtItsEnd) {
  constexpr int kTotal = 20000;
  run("", [](standin::DbSyncEvents& e) {
    for (int i = 1; i <= kTotal; ++i) e.Progress(i, kTotal);
  });
  EXPECT_LT(m_face.refreshes, kTotal / 4) << "not a repaint per subscriber";
  EXPECT_GE(m_face.refreshes, 2) << "the first and the last at least";
  EXPECT_EQ(m_face.lastShownItem, std::to_string(kTotal));
}

TEST_F(DirSyncForm, TheErrorFileRule) {
  auto error = [](standin::DbSyncEvents& e) { e.LogInfo(static_cast<std::int32_t>(0x800B1005u), "x", 0); };
  auto quiet = [](standin::DbSyncEvents& e) { e.Progress(1, 1); };
  const struct {
    const char* name;
    std::string commandLine;
    std::function<void(standin::DbSyncEvents&)> script;
    bool oldFile;
    bool written;
  } cases[] = {
      {"errors", kErrors, error, false, true},
      {"errors, old read-only file", kErrors, error, true, true},
      {"progress only removes an old file", kErrors, quiet, true, false},
      {"no argument", "", error, false, false},
      {"path under 7 characters", "C:\\a.l", error, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = c.commandLine.empty() ? kErrors : c.commandLine;
    files().deleteFile(path, true);
    if (c.oldFile) {
      ASSERT_TRUE(files().writeAll(path, "old run\r\n"));
      ASSERT_TRUE(files().setReadOnly(path, true));
    }
    run(c.commandLine, c.script);
    if (c.written) EXPECT_NE(errorFile().find("(error) Synker failed to initialize"), std::string::npos);
    else EXPECT_FALSE(files().fileExists(path));
  }
}

TEST_F(DirSyncForm, StartUpFailuresGoToTheErrorFile) {
  // The component is not registered: creation fails, then the call on no
  // object; both lines reach the file, so the caller sees a failure.
  dirsync::frmMain form(files(), m_face, [](std::unique_ptr<standin::DbSync>&) {
    return ComResult{standin::kClassNotRegistered, "Class not registered"};
  });
  form.Form_Load(kErrors);
  EXPECT_EQ(errorFile(),
            "(error):429 (ActiveX component can't create object) in procedure Form_Load of Form frmMain\r\n"
            "(error):91 (Object variable or With block variable not set) in procedure Form_Load of Form frmMain\r\n");

  // A synchronisation call that fails is an error of start-up too.
  run(kErrors, {}, ComResult{static_cast<std::int32_t>(0x80004005u), "Unspecified error"});
  EXPECT_EQ(errorFile(), "(error):-2147467259 (Unspecified error) in procedure Form_Load of Form frmMain\r\n");
}

}  // namespace
}  // namespace vrel::test
