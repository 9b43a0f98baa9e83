// PLACEHOLDER: the language module's owner replaces this file.
#include "restore/shell/modLocalize.h"

#include "platform/Files.h"

namespace vrel::restore {

class StringLibrary {};

modLocalize::modLocalize(Files& files, UiPort& ui, std::string programFolder, std::string programFileName,
                         std::int32_t userDefaultLanguage)
    : m_files(files),
      m_ui(ui),
      m_programFolder(std::move(programFolder)),
      m_programFileName(std::move(programFileName)),
      m_userDefault(userDefaultLanguage) {}

modLocalize::~modLocalize() = default;

std::string modLocalize::mymyLoadString(int id) { return builtInString(id); }

std::string builtInString(int) { return {}; }

}  // namespace vrel::restore
