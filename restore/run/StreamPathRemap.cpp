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

std::string_view StreamPathRemap::language(std::string_view old) {
  const std::size_t last = old.rfind('\\');
  const std::size_t end = last == std::string::npos ? 0 : last;
  return old.substr(end >= 3 ? end - 3 : 0, end >= 3 ? 3 : end);
}

std::string StreamPathRemap::ruleTarget(const std::string& oldPath) const {
  const std::string_view old(oldPath);
  const std::size_t last = old.rfind('\\');
  const std::string_view fileName = last == std::string::npos ? old : old.substr(last + 1);
  const std::string_view lang = language(old);
  std::string target;
  target.reserve(m_newRoot.size() + kDefaultConfiguration.size() + lang.size() + 1 + fileName.size());
  target += m_newRoot;
  target += kDefaultConfiguration;
  target += lang;
  target += '\\';
  target += fileName;
  return target;
}

bool StreamPathRemap::languageMayHoldFiles(std::string_view lang) const {
  const auto known = m_languages.find(lang);
  if (known != m_languages.end()) return known->second;
  const bool may = m_files.folderExists(m_newRoot + std::string(kDefaultConfiguration) + std::string(lang)) ||
                   m_files.folderExists(m_backup + "DefaultConfig\\" + std::string(lang) + "\\");
  return m_languages.emplace(lang, may).first->second;
}

// A rule target exists on the new machine after the file restores when it is
// there already or the backup's "DefaultConfig" copy will bring it.
bool StreamPathRemap::willExist(const std::string& ruleTarget) const {
  if (m_files.fileExists(ruleTarget)) return true;
  const std::size_t below = m_newRoot.size() + kDefaultConfiguration.size();
  return m_files.fileExists(m_backup + "DefaultConfig\\" + ruleTarget.substr(below));
}

std::string StreamPathRemap::remap(const std::string& oldPath) const {
  // A path under the new root stays, unless the old root is a deeper folder
  // of the new one and the path lies under it.
  const bool underOldRoot = startsWithNoCase(oldPath, m_oldRoot);
  const bool underDeeperOldRoot = underOldRoot && m_oldRoot.size() > m_newRoot.size();
  if (ifind(oldPath, m_newRoot) != std::string::npos && !underDeeperOldRoot) return oldPath;
  // The rule wins where its file will exist, and for any path outside the
  // old root; the rule's target is only built when it may be the answer.
  if (!underOldRoot || languageMayHoldFiles(language(oldPath))) {
    std::string rule = ruleTarget(oldPath);
    if (!underOldRoot || willExist(rule)) return rule;
  }
  std::string moved;
  moved.reserve(m_newRoot.size() + oldPath.size() - m_oldRoot.size());
  moved += m_newRoot;
  moved.append(oldPath, m_oldRoot.size());
  return moved;
}

}  // namespace vrel::restore
