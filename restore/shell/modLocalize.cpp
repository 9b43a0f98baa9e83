#include "restore/shell/modLocalize.h"

#include "platform/Files.h"
#include "platform/Text.h"
#include "restore/run/Program.h"
#include "restore/run/UiPort.h"
#include "restore/shell/StringLibrary.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

namespace vrel::restore {

namespace {

constexpr std::string_view kLibraryExtension = ".dll";

// At most the buffer's characters less its terminating null, counted in
// UTF-16 code units as the Windows loader counts them; a surrogate pair is
// never split.
std::string clipToLoadBuffer(std::string_view text) {
  constexpr std::size_t kMax = modLocalize::kLoadBufferChars - 1;
  if (text.size() <= kMax) return std::string(text);  // ASCII-or-shorter fast path: bytes >= code units
  std::u16string wide = utf8ToUtf16(text);
  if (wide.size() <= kMax) return std::string(text);
  std::size_t cut = kMax;
  if (wide[cut - 1] >= 0xD800 && wide[cut - 1] <= 0xDBFF) --cut;
  return utf16ToUtf8(std::u16string_view(wide).substr(0, cut));
}

// Keeps the normal pointer coming back however the switch ends.
class Hourglass {
 public:
  explicit Hourglass(UiPort& ui) : m_ui(ui) { m_ui.setHourglass(true); }
  ~Hourglass() { m_ui.setHourglass(false); }
  Hourglass(const Hourglass&) = delete;
  Hourglass& operator=(const Hourglass&) = delete;

 private:
  UiPort& m_ui;
};

}  // namespace

modLocalize::modLocalize(Files& files, UiPort& ui, std::string programFolder, std::string programFileName,
                         std::int32_t userDefaultLanguage)
    : m_files(files),
      m_ui(ui),
      m_programFolder(std::move(programFolder)),
      m_programFileName(std::move(programFileName)),
      m_userDefault(userDefaultLanguage) {}

modLocalize::~modLocalize() = default;

std::string modLocalize::mymyLoadString(int id) {
  try {
    if (m_library) {
      std::string text = clipToLoadBuffer(m_library->text(id));
      if (!text.empty()) return text;
    }
    return builtInString(id);
  } catch (const std::exception& e) {
    m_ui.MsgBox(std::string("error in mymyLoadString: ") + e.what(), MsgBoxStyle::OKOnly, MsgIcon::None,
                Program::kTitle);
    return {};
  }
}

std::string modLocalize::libraryPath(const std::string& code) const {
  return m_programFolder + "\\" + m_programFileName + "_" + code + std::string(kLibraryExtension);
}

void modLocalize::InitalizeLanguages(const std::vector<FormModel*>& openForms) {
  if (currentLanguage == 0) currentLanguage = m_userDefault;
  // Each step reports its own failure and the next one still runs.
  auto step = [this](auto&& body) {
    try {
      body();
    } catch (const std::exception& e) {
      m_ui.MsgBox(std::string("Error in InitalizeLanguages: ") + e.what(), MsgBoxStyle::OKOnly, MsgIcon::None,
                  Program::kTitle);
    }
  };
  step([this] { loadLibrary(); });
  step([this] { listLanguages(); });
  step([this, &openForms] {
    for (FormModel* form : openForms)
      if (form) applyFonts(*form);
  });
}

void modLocalize::loadLibrary() {
  m_library.reset();
  m_libraryError.clear();
  // Only read: a damaged or foreign file simply gives no library, and every
  // text then comes from the built-in table.
  m_library = StringLibrary::load(m_files, libraryPath(languageCodeOf(currentLanguage)), m_libraryError);
}

void modLocalize::listLanguages() {
  availableLanguages.clear();
  std::vector<DirEntry> entries;
  const FileStatus listed = m_files.list(m_programFolder, entries);
  // NTFS hands out a folder's names in case-insensitive name order.
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return foldCase(a.name) < foldCase(b.name); });
  const std::string prefix = m_programFileName + "_";
  for (const DirEntry& e : entries) {
    if (e.isFolder || e.name.size() < prefix.size() + 3 + kLibraryExtension.size()) continue;
    if (!iequals(std::string_view(e.name).substr(0, prefix.size()), prefix)) continue;
    const std::string_view tail = std::string_view(e.name).substr(e.name.size() - kLibraryExtension.size());
    if (!iequals(tail, kLibraryExtension)) continue;
    availableLanguages.push_back(e.name.substr(e.name.size() - kLibraryExtension.size() - 3, 3));
  }
  if (availableLanguages.empty()) availableLanguages.emplace_back();
  if (!listed) throw std::runtime_error(listed.description);
}

void modLocalize::applyFonts(FormModel& form) const {
  const LanguageFont font = fontOf(currentLanguage);
  for (const auto& control : form.controls()) {
    if (control->kind == ControlKind::Menu) continue;
    control->charset = font.charset;
    control->fontName = font.name;
  }
  form.touch();
}

void modLocalize::changeLanguage(std::int32_t languageId, const std::vector<FormModel*>& openForms) {
  Hourglass busy(m_ui);
  currentLanguage = languageId;
  InitalizeLanguages(openForms);
  for (FormModel* form : openForms) {
    if (!form) continue;
    applyFonts(*form);
    form->Auto_Init();
    form->touch();
  }
}

}  // namespace vrel::restore
