// The about box: the program's version and the language menu. Clicking
// "Change Language" pops up the menu mnuSelectLanguage, whose items
// mnuLanguageList(i) carry the language ID of each installed library in
// their tag; choosing one switches every open form to that language.
#pragma once

#include "restore/run/FormModel.h"
#include "restore/run/RunLog.h"

#include <string>
#include <vector>

namespace vrel::restore {

class Program;

class frmAbout : public FormModel {
 public:
  // otherForms: the forms open besides the about box (frmMain, and the
  // wizard page that showed it); a language switch re-captions them too.
  // The caller runs Form_Load before showing the box.
  explicit frmAbout(Program& program, std::vector<FormModel*> otherForms = {});

  void Form_Load();
  // The caption routine: captions and the version line in the current language.
  void frmAbout_Auto_Init();
  void Auto_Init() override { frmAbout_Auto_Init(); }

  void cmdOK_Click();
  void lblChangeLanguage_Click();
  void mnuLanguageList_Click(int index);

  // The menu the front-end is asked to pop up ("mnuSelectLanguage"); the
  // front-end clears it when it has shown the menu.
  std::string popupMenu;

  // "mnuLanguageList(3)"
  static std::string languageItemName(int index);
  // The number of language items shown in the menu.
  int languageItemCount() const;
  // " 1.0 Build 7": major and revision as VB's Str writes a non-negative
  // number (a leading blank), minor trimmed, the localised " Build" between.
  static std::string versionLine(const ProgramInfo& version, const std::string& buildWord);

 private:
  std::vector<FormModel*> openForms();
  void fillLanguageMenu();
  Control& languageItem(int index);

  Program& m_program;
  std::vector<FormModel*> m_otherForms;
};

}  // namespace vrel::restore
