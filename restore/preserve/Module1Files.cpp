// INI values, install-path rewriting and read-only attributes.
#include "restore/preserve/Module1.h"

#include "platform/IniFile.h"

namespace vrel::restore {

namespace {

// The INI reader's buffer, in characters with the terminator.
constexpr std::size_t kIniBuffer = 127;
// Longer paths cannot be opened on Windows; the limit also ends a walk that a
// folder link sends round in a circle.
constexpr std::size_t kMaxPath = 260;

std::string trapLine(const std::string& prefix, long number, const std::string& description,
                     const std::string& procedure) {
  return prefix + std::to_string(number) + " (" + description + ") in procedure " + procedure + " of Module Module1";
}

bool fileIsMissing(const FileStatus& st) {
  return st.number == 53 || st.number == 76;
}

}  // namespace

std::string Module1::VBGetPrivateProfileString(const std::string& section, const std::string& key,
                                               const std::string& filePath) {
  FileStatus read;
  std::string text = getPrivateProfileString(m_files, section, key, "", kIniBuffer, filePath, &read);
  // A missing file is an ordinary empty answer; one that exists and cannot be
  // read is worth a line.
  if (!read && !fileIsMissing(read))
    m_log.WriteToLog(trapLine("(error) ", read.number, read.description, "VBGetPrivateProfileString"));
  return text;
}

std::string Module1::sReplacePathString(const std::string& oldPath, const std::string& newPath,
                                        const std::string& text) {
  // An empty old path "occurs" everywhere; prefixing every value with the new
  // path would corrupt it.
  if (oldPath.empty()) return {};
  const std::size_t at = ifind(text, oldPath);
  if (at == std::string::npos) return {};
  return text.substr(0, at) + newPath + text.substr(at + oldPath.size());
}

void Module1::strReplaceZurevezuzaPathInRegistryKey(const std::string& keyPath, const std::string& valueName) {
  if (!bRegistryKeyExists(Hive::LocalMachine, keyPath)) return;
  const std::string oldValue = GetRegistryValue(Hive::LocalMachine, keyPath, valueName, kRegSz, "").asText();
  m_log.WriteToLog("    Updating registry key value for:" + keyPath + " " + valueName);
  m_log.WriteToLog("        Old Value=" + oldValue);
  const std::string newValue = sReplacePathString(m_paths.backedUpInstallPath, m_paths.installRoot, oldValue);
  if (newValue.empty()) {
    m_log.WriteToLog("        old path not found in string, skipping...");
    return;
  }
  m_log.WriteToLog("        New Value= " + newValue);
  // The line above announced the new value: a write that fails must not pass
  // for done.
  const RegStatus st = writeValue(Hive::LocalMachine, keyPath, valueName, kRegSz, newValue);
  if (st != kRegOk)
    m_log.WriteToLog(trapLine("(error):", st, regStatusText(st), "strReplaceZurevezuzaPathInRegistryKey"));
}

void Module1::MarkAllFilesReadWrite(const std::string& folderPath) {
  std::vector<DirEntry> entries;
  if (!m_files.list(folderPath, entries)) return;
  for (const DirEntry& e : entries) {
    const std::string path = winJoin(folderPath, e.name);
    if (e.isFolder && path.size() <= kMaxPath) MarkAllFilesReadWrite(path);
  }
  for (const DirEntry& e : entries)
    if (!e.isFolder && e.readOnly) m_files.setReadOnly(winJoin(folderPath, e.name), false);
}

}  // namespace vrel::restore
