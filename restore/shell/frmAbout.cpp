#include "restore/shell/frmAbout.h"

#include "restore/run/Program.h"

#include <cstdlib>

namespace vrel::restore {

namespace {

constexpr int kBuildWord = 0;        // " Build"
constexpr int kChangeLanguage = 10;  // "Change Language"
constexpr int kOK = 26;
constexpr int kSelectLanguage = 42;
constexpr int kFormCaption = 50;
constexpr int kVersionTitle = 54;       // "Version:"
constexpr int kNoLanguagesLoaded = 60;  // "no languages loaded"
constexpr const char* kEnglishTag = "1033";

}  // namespace

frmAbout::frmAbout(Program& program, std::vector<FormModel*> otherForms)
    : FormModel("frmAbout"), m_program(program), m_otherForms(std::move(otherForms)) {
  add("lblVersionTitle", ControlKind::Label);
  add("lblVersion", ControlKind::Label);
  add("lblChangeLanguage", ControlKind::Label);
  add("cmdOK", ControlKind::Button);
  add("mnuSelectLanguage", ControlKind::Menu).visible = false;  // shown only as a pop-up
  onClick("cmdOK", [this] { cmdOK_Click(); });
  onClick("lblChangeLanguage", [this] { lblChangeLanguage_Click(); });
}

std::string frmAbout::languageItemName(int index) {
  return "mnuLanguageList(" + std::to_string(index) + ")";
}

std::string frmAbout::versionLine(const ProgramInfo& version, const std::string& buildWord) {
  return vbStr(version.major) + "." + std::to_string(version.minor) + buildWord + vbStr(version.revision);
}

void frmAbout::Form_Load() {
  frmAbout_Auto_Init();
  fillLanguageMenu();
}

void frmAbout::frmAbout_Auto_Init() {
  caption = m_program.str(kFormCaption);
  control("cmdOK").caption = m_program.str(kOK);
  control("lblVersionTitle").caption = m_program.str(kVersionTitle);
  control("lblChangeLanguage").caption = m_program.str(kChangeLanguage);
  control("mnuSelectLanguage").caption = m_program.str(kSelectLanguage);
  control("lblVersion").caption = versionLine(m_program.log.programInfo(), m_program.str(kBuildWord));
  touch();
}

std::vector<FormModel*> frmAbout::openForms() {
  std::vector<FormModel*> forms = m_otherForms;
  forms.push_back(this);
  return forms;
}

Control& frmAbout::languageItem(int index) {
  const std::string name = languageItemName(index);
  if (Control* c = find(name)) return *c;
  Control& item = add(name, ControlKind::Menu, "mnuSelectLanguage");
  onClick(name, [this, index] { mnuLanguageList_Click(index); });
  return item;
}

int frmAbout::languageItemCount() const {
  int n = 0;
  for (const auto& c : controls())
    if (c->container == "mnuSelectLanguage" && c->visible) ++n;
  return n;
}

void frmAbout::fillLanguageMenu() {
  modLocalize& localize = m_program.localize;
  localize.InitalizeLanguages(openForms());
  const std::vector<std::string>& codes = localize.availableLanguages;
  // One installed library is offered as well: only the single empty entry
  // means that no library was found.
  const bool none = codes.empty() || (codes.size() == 1 && codes.front().empty());
  int shown = 0;
  if (none) {
    Control& item = languageItem(0);
    item.caption = m_program.str(kNoLanguagesLoaded);
    item.tag = kEnglishTag;
    item.visible = true;
    shown = 1;
  } else {
    for (const std::string& code : codes) {
      Control& item = languageItem(shown++);
      item.caption = modLocalize::languageNameOf(code);
      item.tag = std::to_string(modLocalize::languageIdOf(code));
      item.visible = true;
    }
  }
  // Items left over from a longer list earlier are hidden.
  for (int i = shown; Control* c = find(languageItemName(i)); ++i) c->visible = false;
  touch();
}

void frmAbout::cmdOK_Click() {
  m_program.ui.closeForm(*this);
}

void frmAbout::lblChangeLanguage_Click() {
  popupMenu = "mnuSelectLanguage";
  touch();
}

void frmAbout::mnuLanguageList_Click(int index) {
  const Control* item = find(languageItemName(index));
  if (!item) return;
  char* end = nullptr;
  const long id = std::strtol(item->tag.c_str(), &end, 10);
  const bool valid = end != item->tag.c_str() && *end == 0 && id > 0 && id <= 0x7FFFFFFF;
  m_program.localize.changeLanguage(valid ? static_cast<std::int32_t>(id) : 1033, openForms());
}

}  // namespace vrel::restore
