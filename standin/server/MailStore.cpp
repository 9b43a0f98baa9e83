#include "standin/server/MailStore.h"

#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "standin/server/Backup.h"

#include <algorithm>
#include <charconv>

namespace vrel::standin {

namespace {

constexpr std::string_view kMagic = "VRELPST1\r\n";
constexpr std::string_view kMessage = "Message: ";

std::vector<DirEntry> sortedEntries(const Files& files, const std::string& folder) {
  std::vector<DirEntry> entries;
  files.list(folder, entries);
  std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  return entries;
}

}  // namespace

std::string exportPst(const Files& files, const std::string& mailboxFolder) {
  std::string pst(kMagic);
  for (const DirEntry& e : sortedEntries(files, mailboxFolder)) {
    std::string body;
    if (e.isFolder || !files.readAll(winJoin(mailboxFolder, e.name), body)) continue;
    pst += std::string(kMessage) + e.name + " " + std::to_string(body.size()) + "\r\n" + body + "\r\n";
  }
  return pst;
}

bool parsePst(std::string_view data, std::vector<PstMessage>& out, std::string& error) {
  if (!data.starts_with(kMagic)) {
    error = "not a message export";
    return false;
  }
  std::size_t at = kMagic.size();
  while (at < data.size()) {
    const std::size_t end = data.find("\r\n", at);
    const std::string_view header = data.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    const std::size_t blank = header.rfind(' ');
    std::size_t length = 0;
    if (end == std::string_view::npos || !header.starts_with(kMessage) || blank == std::string_view::npos ||
        blank < kMessage.size() ||
        std::from_chars(header.data() + blank + 1, header.data() + header.size(), length).ec != std::errc()) {
      error = "damaged message header at byte " + std::to_string(at);
      return false;
    }
    const std::string name(header.substr(kMessage.size(), blank - kMessage.size()));
    const std::size_t body = end + 2;
    if (length > data.size() - body || data.substr(body + length, 2) != "\r\n") {
      error = "message " + name + " is cut short";
      return false;
    }
    if (!isPlainFileName(name)) {
      error = "message name " + name + " is not a plain file name";
      return false;
    }
    out.push_back({name, std::string(data.substr(body, length))});
    at = body + length + 2;
  }
  return true;
}

std::vector<MailboxCount> listMailboxes(Machine& machine) {
  const Files files(machine);
  std::vector<MailboxCount> out;
  for (const DirEntry& store : sortedEntries(files, kMailStoreRoot)) {
    if (!store.isFolder) continue;
    const std::string storeFolder = winJoin(kMailStoreRoot, store.name);
    for (const DirEntry& box : sortedEntries(files, storeFolder)) {
      if (!box.isFolder) continue;
      long count = 0;
      for (const DirEntry& m : sortedEntries(files, winJoin(storeFolder, box.name))) count += m.isFolder ? 0 : 1;
      out.push_back({store.name, box.name, count});
    }
  }
  return out;
}

bool mergeIntoMailbox(Machine& machine, const std::string& store, const std::string& alias,
                      const std::vector<PstMessage>& messages, long& added, std::string& error) {
  added = 0;
  if (!isPlainFileName(store) || !isPlainFileName(alias)) {
    error = "the mailbox " + store + "\\" + alias + " cannot be named in the store";
    return false;
  }
  const Files files(machine);
  const std::string folder = winJoin(winJoin(kMailStoreRoot, store), alias);
  if (FileStatus st = files.createFolder(folder); !st) {
    error = folder + ": " + st.description;
    return false;
  }
  for (const PstMessage& m : messages) {
    const std::string path = winJoin(folder, m.name);
    if (files.exists(path)) continue;
    if (FileStatus st = files.writeAll(path, m.body); !st) {
      error = path + ": " + st.description;
      return false;
    }
    ++added;
  }
  return true;
}

}  // namespace vrel::standin
