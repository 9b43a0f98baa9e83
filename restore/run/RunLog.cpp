#include "restore/run/RunLog.h"

#include "platform/Text.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vrel::restore {

namespace {
constexpr const char* kStars = "*************************************************************";

// Tags begin with "(", which most entries do not hold at all.
bool containsTag(const std::string& text, const char* tag) {
  return text.find('(') != std::string::npos && ifind(text, tag) != std::string::npos;
}

void bump(std::int32_t& counter) {
  if (counter < INT32_MAX) ++counter;
}
}  // namespace

RunLog::~RunLog() { CloseLogFile(); }

const std::string& RunLog::dateTimeText() {
  const std::time_t now = std::time(nullptr);
  // Entries come many to a second; the text changes once a second.
  thread_local std::time_t cachedAt = -1;
  thread_local std::string cached;
  if (now == cachedAt) return cached;
  std::tm tm{};
  localtime_r(&now, &tm);
  const int hour12 = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%02d:%02d %s", tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900, hour12,
                tm.tm_min, tm.tm_sec, tm.tm_hour < 12 ? "AM" : "PM");
  cached = buf;
  cachedAt = now;
  return cached;
}

bool RunLog::OpenLogFile(const std::string& path, bool append) {
  CloseLogFile();
  m_path = path;
  m_lastError.clear();
  if (!append && m_files.fileExists(path)) {
    const FileStatus del = m_files.deleteFile(path, true);
    if (!del) {
      m_lastError = del.description;
      return false;
    }
  }
  // Create the file (empty) through the platform, so the read-only media and
  // attribute rules apply; entries are then appended to it directly.
  const FileStatus created = m_files.append(path, "");
  if (!created) {
    m_lastError = created.description;
    return false;
  }
  m_hostPath = m_files.paths().toHost(path);
  m_hostFolder = m_hostPath.substr(0, m_hostPath.rfind('/'));
  if (!reopen()) return false;
  WriteToLog(std::string("\r\n") + kStars);
  WriteToLog("Running " + m_program.name + " version: " + std::to_string(m_program.major) + "." +
             std::to_string(m_program.minor) + "." + std::to_string(m_program.revision) + "\r\n");
  WriteToLog("Local Orvix version=" + m_versionText);
  WriteToLog("Search for '(error)' or '(warning)' to find logged errors and warnings.\r\n");
  WriteToLog(std::string(kStars) + "\r\n");
  m_errors = 0;
  m_warnings = 0;
  return true;
}

bool RunLog::reopen() {
  // For appending only: an entry never re-creates a log that was removed.
  m_fd = ::open(m_hostPath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (m_fd < 0) {
    m_lastError = "cannot open " + m_path + " for appending: " + std::strerror(errno);
    return false;
  }
  return stillWritable();
}

// A read-only file, or a folder that has become read-only media, takes no
// more entries; a log that was removed is not written behind the reader's
// back either. The folder was resolved when the log was opened, so the check
// costs two system calls and no path resolution.
bool RunLog::stillWritable() {
  struct stat st{};
  if (::fstat(m_fd, &st) != 0 || st.st_nlink == 0) {
    ::close(m_fd);
    m_fd = -1;
    return reopen();
  }
  if (m_files.paths().driveIsFull(m_path)) {
    ::close(m_fd);
    m_fd = -1;
    m_lastError = "cannot write to " + m_path + ": Disk full";
    return false;
  }
  struct stat folder{};
  const bool folderReadOnly = ::stat(m_hostFolder.c_str(), &folder) == 0 && (folder.st_mode & S_IWUSR) == 0;
  if ((st.st_mode & S_IWUSR) == 0 || folderReadOnly) {
    ::close(m_fd);
    m_fd = -1;
    m_lastError = "Path/File access error: " + m_path;
    return false;
  }
  return true;
}

void RunLog::WriteToLog(const std::string& text) {
  const bool isError = containsTag(text, "(error)");
  const bool isWarning = containsTag(text, "(warning)");
  if (isError) bump(m_errors);
  if (isWarning) bump(m_warnings);
  if (m_tagged && (isError || isWarning)) m_tagged(text);
  appendEntry(text, {});
}

void RunLog::WriteToLog(std::string_view head, std::string_view value) {
  // A tag may be anywhere in the joined text, and text beyond ASCII is
  // converted whole: such an entry is joined first.
  if (head.find('(') != std::string_view::npos || value.find('(') != std::string_view::npos || !isAscii(head) ||
      !isAscii(value)) {
    std::string text;
    text.reserve(head.size() + value.size());
    text += head;
    text += value;
    WriteToLog(text);
    return;
  }
  appendEntry(head, value);
}

// The entry head + value after the date, held or written out, then the
// event pump.
void RunLog::appendEntry(std::string_view head, std::string_view value) {
  auto append = [&](std::string& to) {
    to += dateTimeText();
    to += ": ";
    // ASCII is the same in the ANSI code page.
    for (std::string_view part : {head, value}) {
      if (isAscii(part)) to += part;
      else to += utf8ToAnsi(part);
    }
    to += "\r\n";
  };
  if (m_holds > 0 && !m_hostPath.empty()) {
    append(m_held);
  } else {
    std::string entry;
    append(entry);
    writeOut(entry);
  }
  if (m_pump) m_pump();
}

void RunLog::releaseEntries() {
  if (m_holds > 0 && --m_holds > 0) return;
  if (m_held.empty()) return;
  std::string entries;
  entries.swap(m_held);
  writeOut(entries);
}

// Whole entries, in one write to the kernel: a run that dies leaves its log
// complete up to its last entry.
void RunLog::writeOut(const std::string& entries) {
  // A transient failure to re-open (say, a locked file) must not lose the
  // rest of the run's entries.
  if (m_fd < 0 && !m_hostPath.empty()) reopen();
  if (m_fd < 0 || !stillWritable()) return;
  // A write the disk cuts short (it is full) is taken back, so no half entry
  // stays behind.
  struct stat before{};
  const bool sized = ::fstat(m_fd, &before) == 0;
  std::size_t off = 0;
  while (off < entries.size()) {
    const ssize_t n = ::write(m_fd, entries.data() + off, entries.size() - off);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      m_lastError = "cannot write to " + m_path + ": " + std::strerror(errno);
      if (off > 0 && sized && ::ftruncate(m_fd, before.st_size) != 0) m_lastError += " (a part of the entry stays)";
      ::close(m_fd);
      m_fd = -1;
      break;
    }
    off += static_cast<std::size_t>(n);
  }
}

void RunLog::CloseLogFile() {
  if (!m_held.empty()) {
    std::string entries;
    entries.swap(m_held);
    writeOut(entries);
  }
  m_holds = 0;
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_hostPath.clear();
}

}  // namespace vrel::restore
