#include "restore/run/StreamPathRemap.h"

#include "platform/Text.h"

namespace vrel::restore {

namespace {

constexpr std::string_view kDefaultConfiguration = "Localize\\DefaultConfiguration\\";

// True when text begins with prefix, case ignored.
bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return !prefix.empty() && text.size() >= prefix.size() && iequals(text.substr(0, prefix.size()), prefix);
}

}  // namespace

std::string StreamPathRemap::ruleTarget(const std::string& oldPath) const {
  const std::string_view old(oldPath);
  const std::size_t last = old.rfind('\\');
  const std::string_view fileName = last == std::string::npos ? old : old.substr(last + 1);
  const std::size_t end = last == std::string::npos ? 0 : last;
  const std::string_view language = old.substr(end >= 3 ? end - 3 : 0, end >= 3 ? 3 : end);
  std::string target;
  target.reserve(m_newRoot.size() + kDefaultConfiguration.size() + language.size() + 1 + fileName.size());
  target += m_newRoot;
  target += kDefaultConfiguration;
  target += language;
  target += '\\';
  target += fileName;
  return target;
}

// A file exists on the new machine after the file restores when it is there
// already or the backup's "DefaultConfig" copy will bring it.
bool StreamPathRemap::willExist(const std::string& newPath) const {
  // Most paths spell their folder alike: looked up as spelled first, by the
  // text before the last backslash, without a copy.
  const std::string_view spelled = std::string_view(newPath).substr(0, newPath.rfind('\\'));
  const auto known = m_spelled.find(spelled);
  const bool mayHold = known != m_spelled.end()
                           ? known->second
                           : m_spelled.emplace(spelled, folderMayHoldFiles(winParent(newPath))).first->second;
  if (!mayHold) return false;
  if (m_files.fileExists(newPath)) return true;
  const std::string folder = m_newRoot + std::string(kDefaultConfiguration);
  if (!startsWithNoCase(newPath, folder)) return false;
  return m_files.fileExists(m_backup + "DefaultConfig\\" + newPath.substr(folder.size()));
}

bool StreamPathRemap::folderMayHoldFiles(const std::string& folder) const {
  const auto [at, added] = m_folders.try_emplace(foldCase(folder), false);
  if (!added) return at->second;
  const std::string defaults = m_newRoot + std::string(kDefaultConfiguration);
  at->second = m_files.folderExists(folder) ||
               (startsWithNoCase(folder + "\\", defaults) &&
                m_files.folderExists(m_backup + "DefaultConfig\\" + (folder + "\\").substr(defaults.size())));
  return at->second;
}

std::string StreamPathRemap::remap(const std::string& oldPath) const {
  // A path under the new root stays, unless the old root is a deeper folder
  // of the new one and the path lies under it.
  const bool underDeeperOldRoot = m_oldRoot.size() > m_newRoot.size() && startsWithNoCase(oldPath, m_oldRoot);
  if (ifind(oldPath, m_newRoot) != std::string::npos && !underDeeperOldRoot) return oldPath;
  const std::string rule = ruleTarget(oldPath);
  if (willExist(rule) || !startsWithNoCase(oldPath, m_oldRoot)) return rule;
  return m_newRoot + oldPath.substr(m_oldRoot.size());
}

}  // namespace vrel::restore
