#include "dirsync/frmMain.h"

#include "dirsync/DirSyncStrings.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "platform/TimeScale.h"

#include <stdexcept>

namespace vrel::dirsync {

namespace {

// The scope word of a full synchronisation.
constexpr std::uint32_t kSyncEverything = 0x0800FFFFu;

constexpr long kCannotCreateObject = 429;
constexpr long kObjectNotSet = 91;

// A run-time error: number and description.
struct RunError {
  long number;
  std::string description;
};

// Runs one step; the error it raised, if any.
template <class F>
std::optional<RunError> trap(F&& step) {
  try {
    step();
    return std::nullopt;
  } catch (const RunError& e) {
    return e;
  } catch (const std::exception& e) {
    return RunError{51, e.what()};
  }
}

// The fixed message of each LogInfo code that reports an error.
const char* fixedMessage(std::int32_t code) {
  switch (static_cast<std::uint32_t>(code)) {
    case 0x800B1001u: return "(error) Monitor could not resolve ambiguous alias; object not synched";
    case 0x800B1002u: return "(error) Monitor failed creating object in directory; object not synched";
    case 0x800B1004u: return "(error) Synker failed writing Directory props to SQL; object not synched";
    case 0x800B1005u: return "(error) Synker failed to initialize";
    case 0x800B1006u: return "(error) Subscriber exists in directory but has no mailbox, object not synched.";
    case 0x800B1007u:
      return "(error) Internet Subscriber exists in directory but has no delivery address, object not synched.";
    default: return nullptr;
  }
}

}  // namespace

frmMain::frmMain(Files& files, DirSyncFace& face, DbSyncFactory createSync)
    : m_files(files), m_face(face), m_createSync(std::move(createSync)) {}

frmMain::~frmMain() {
  if (m_synker) m_synker->Advise(nullptr);
}

void frmMain::loadCaptions() {
  auto load = [&](int id) -> std::string {
    try {
      return myLoadResString(id);
    } catch (const std::exception& e) {
      m_face.messageBox(std::string("error in myLoadResString: ") + e.what());
      return {};
    }
  };
  caption = load(kFormCaption);
  frameErrors = load(kErrorsFrame);
  frameProgress = load(kProgressFrame);
  Label1 = load(kOf);
}

void frmMain::Form_Load(const std::string& commandLine) {
  auto step = [&](auto&& body) {
    if (auto e = trap(body))
      appendError(myLoadResString(kErrorPrefix) + std::to_string(e->number) + " (" + e->description +
                  myLoadResString(kInFormLoad));
  };
  step([&] { loadCaptions(); });
  step([&] {
    m_face.showTopmost(*this);
    m_face.setHourglass(true);
  });
  step([&] { m_errorFile = trim(commandLine); });
  step([&] {
    standin::ComResult r = m_createSync ? m_createSync(m_synker) : standin::ComResult{standin::kClassNotRegistered, {}};
    if (r.failed() || !m_synker) {
      m_synker.reset();
      throw RunError{kCannotCreateObject, "ActiveX component can't create object"};
    }
    m_synker->Advise(this);
  });
  step([&] {
    if (!m_synker) throw RunError{kObjectNotSet, "Object variable or With block variable not set"};
    std::string server, database;
    m_inSync = true;
    const standin::ComResult r = m_synker->SyncCommit(server, database, kSyncEverything, 0, 0);
    m_inSync = false;
    if (r.failed()) throw RunError{r.hr, r.description};
  });
  step([&] { Finish(); });
}

void frmMain::Progress(std::int32_t current, std::int32_t total) {
  if (total > 0) {
    progressMax = total;
    progressValue = current;
  }
  lblCount = std::to_string(total);
  lblCurrentItem = std::to_string(current);
  // The first, the last and otherwise about 20 a second are shown.
  const auto now = std::chrono::steady_clock::now();
  if (current <= 1 || current >= total || now - m_lastShown >= std::chrono::milliseconds(50)) {
    m_lastShown = now;
    m_face.refresh(*this);
  }
  if (total > 0 && current == total) sleepScaledMs(100);
}

void frmMain::LogInfo(std::int32_t code, const std::string& text, std::int32_t value) {
  if (auto e = trap([&] {
        const char* message = fixedMessage(code);
        if (!message) return;
        appendError(std::to_string(code) + " " + text + " " + vbStr(value));
        appendError(message);
      }))
    m_face.messageBox(myLoadResString(kErrorPrefix) + std::to_string(e->number) + " (" + e->description +
                      myLoadResString(kInLogInfo));
}

void frmMain::appendError(const std::string& line) {
  txtErrors += line + "\r\n";
  m_face.refresh(*this);
}

void frmMain::Finish() {
  if (m_finished) return;
  m_finished = true;
  if (!m_errorFile.empty() && m_files.fileExists(m_errorFile)) {
    if (const FileStatus st = m_files.deleteFile(m_errorFile, true); !st)
      appendError(myLoadResString(kErrorPrefix) + std::to_string(st.number) + " (" + st.description + ")");
  }
  sleepScaledSeconds(1);
  if (textLength(m_errorFile) >= 7 && textLength(txtErrors) > 5) {
    if (const FileStatus st = m_files.writeAll(m_errorFile, utf8ToAnsi(txtErrors)); !st)
      m_face.messageBox(myLoadResString(kErrorPrefix) + std::to_string(st.number) + " (" + st.description + ")");
  }
  // Closed while the synchronisation runs, the program ends right after
  // this; the object whose call is still under way is left alone.
  if (m_synker && !m_inSync) {
    m_synker->Advise(nullptr);
    m_synker.reset();
  }
  m_face.setHourglass(false);
}

}  // namespace vrel::dirsync
