#include "restore/shell/frmHelp.h"

#include "restore/run/Program.h"

namespace vrel::restore {

namespace {
constexpr int kHelpCaption = 21;  // "Help"
}

frmHelp::frmHelp(Program& program) : FormModel("frmHelp"), m_program(program) {
  // The front-ends recognise the browser by its name.
  add(kBrowser, ControlKind::Label);
}

void frmHelp::Auto_Init() {
  caption = m_program.str(kHelpCaption);
  touch();
}

void frmHelp::Form_Load() {
  Auto_Init();
  const std::string folder = m_program.programFolder();
  const std::string code = modLocalize::languageCodeOf(m_program.localize.currentLanguage);
  const std::string localised = folder + "\\" + kPageBaseName + "_" + code + ".htm";
  std::string address = m_program.files.fileExists(localised)
                            ? localised
                            : "file://" + folder + "\\" + kPageBaseName + ".htm";
  if (topic) address += "#topic" + std::to_string(*topic);
  navigate(address);
}

void frmHelp::Form_Resize(int scaleWidth, int scaleHeight, bool minimised) {
  if (minimised) return;
  browserBounds = {0, 0, scaleWidth > 0 ? scaleWidth : 0, scaleHeight > 0 ? scaleHeight : 0};
  touch();
}

void frmHelp::navigate(const std::string& address) {
  control(kBrowser).caption = address;
  touch();
}

}  // namespace vrel::restore
