// Where a restored stream file (a recorded name or greeting) lives on the new
// machine. The traditional rule moves a path that is not under the new
// install root into the new root's "Localize\DefaultConfiguration\<lang>"
// folder, the language folder being the three characters before the path's
// last backslash. That only fits system greetings: a recorded name kept
// under "Stream Files" would end up naming a file that does not exist. So the
// rule is kept where its target exists (now, or once the backup's
// "DefaultConfig" folder has been copied over), and otherwise a path under
// the backed-up install root is moved to the same place under the new root.
#pragma once

#include "platform/Files.h"
#include "platform/Text.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vrel::restore {

class StreamPathRemap {
 public:
  // newRoot and oldRoot end in a backslash; backupFolder is the backup's
  // folder (ending in a backslash), where "DefaultConfig" is found.
  StreamPathRemap(const Files& files, std::string newRoot, std::string oldRoot, std::string backupFolder)
      : m_files(files), m_newRoot(std::move(newRoot)), m_oldRoot(std::move(oldRoot)),
        m_backup(std::move(backupFolder)) {}

  // The new path for an old one that contains ":\".
  std::string remap(const std::string& oldPath) const;

  // The traditional rule's target (no existence check).
  std::string ruleTarget(const std::string& oldPath) const;

 private:
  // The three characters before the path's last backslash.
  static std::string_view language(std::string_view oldPath);
  // Whether the rule's folder for a language exists on the new machine or
  // in the backup, looked up once per language as spelled: most paths name
  // the same few, most of which do not exist.
  bool languageMayHoldFiles(std::string_view language) const;
  bool willExist(const std::string& ruleTarget) const;

  const Files& m_files;
  std::string m_newRoot;
  std::string m_oldRoot;
  std::string m_backup;
  // Whether a language's rule folder may hold files, by language as spelled.
  mutable std::unordered_map<std::string, bool, TextHash, std::equal_to<>> m_languages;
};

}  // namespace vrel::restore
