// How the index stays true to the folders:
//
// - Each indexed folder has an inotify watch for entries created, deleted
//   and renamed in or out. The kernel queues the event before the call that
//   made the change returns, whichever process made it, so reading the queue
//   at the start of every lookup shows every change that completed before
//   the lookup began. This process's own creations (Files::writeAll's
//   temporary and its rename, copies, folders) arrive the same way: no code
//   path has to remember to update the index, and a run of creations in one
//   folder costs a few queued events per file, never a new read.
// - Folders are keyed by device and inode, not by path: a folder that is
//   renamed keeps its index; one deleted and made again under the same path
//   is another inode (and the deleted one's watch reports its deletion, which
//   drops its index before its inode number can be reused).
// - The folder's own stat (mtime and ctime to the nanosecond, size, link
//   count) is kept as well. A change that the notifications do not report (a
//   folder shared over the network, changed by another host) alters it, and
//   the folder is read again. Notified changes alter it too; after each
//   notified change it is simply taken again.
// - A queue overflow (events lost) makes every folder be read again.
// - Without notifications (the host's limit on watches or inotify instances
//   is reached) a folder is read on every lookup, as before the index.
//
// The race that remains: a change made concurrently with a lookup may or may
// not be seen by it, just as with reading the folder; and a change made by
// another host within the same timestamp tick as a change made here and
// notified is missed until the folder changes again. Names found in the
// index are checked with lstat before they are returned, so a stale index
// can name a missing file only for the instant of that race, never a file
// deleted before the lookup.
#include "platform/FolderIndex.h"

#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <list>
#include <mutex>
#include <pthread.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace vrel {

namespace {

constexpr std::uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_ONLYDIR;

struct Identity {
  dev_t dev = 0;
  ino_t ino = 0;
  bool operator==(const Identity&) const = default;
};

struct IdentityHash {
  std::size_t operator()(const Identity& id) const noexcept {
    return std::hash<std::uint64_t>{}((static_cast<std::uint64_t>(id.ino) * 0x9E3779B97F4A7C15ull) ^
                                      static_cast<std::uint64_t>(id.dev));
  }
};

struct Signature {
  std::int64_t mtimeSec = 0, mtimeNsec = 0, ctimeSec = 0, ctimeNsec = 0;
  std::int64_t size = 0;
  std::uint64_t links = 0;
  bool operator==(const Signature&) const = default;
};

Signature signatureOf(const struct stat& st) {
  return {st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_ctim.tv_sec, st.st_ctim.tv_nsec, st.st_size, st.st_nlink};
}

Identity identityOf(const struct stat& st) { return {st.st_dev, st.st_ino}; }

// Folded name -> spelling. A case-sensitive host folder may hold several
// spellings of one folded name.
using Names = std::unordered_multimap<std::string, std::string>;

bool isDotEntry(const char* n) { return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)); }

bool readNames(DIR* d, Names& names) {
  for (;;) {
    errno = 0;
    const dirent* e = readdir(d);
    if (!e) return errno == 0;
    if (!isDotEntry(e->d_name)) names.emplace(foldCase(e->d_name), e->d_name);
  }
}

// Exact spelling first, then any other.
std::string pick(const Names& names, std::string_view name) {
  const auto [first, last] = names.equal_range(foldCase(name));
  if (first == last) return {};
  for (auto it = first; it != last; ++it)
    if (it->second == name) return it->second;
  return first->second;
}

bool present(const std::string& dir, const std::string& name) {
  struct stat st{};
  return lstat((dir + "/" + name).c_str(), &st) == 0;
}

}  // namespace

struct FolderIndex::State {
  struct Folder {
    Identity id;
    int wd = -1;
    Signature sig;
    bool sigStale = false;  // notified changes since sig was taken
    bool stale = false;     // changes may have been missed: read it again
    Names names;
  };
  using Lru = std::list<Folder>;

  explicit State(Limits l) : limits(l) { limits.folders = std::max<std::size_t>(limits.folders, 1); }
  ~State() {
    if (fd >= 0) ::close(fd);
  }

  Limits limits;
  std::mutex mutex;
  int fd = -1;
  bool unavailable = false;
  Lru lru;  // most recently used first
  std::unordered_map<Identity, Lru::iterator, IdentityHash> byId;
  std::unordered_map<int, Lru::iterator> byWd;
  std::size_t names = 0;
  std::uint64_t scans = 0;
  alignas(inotify_event) char buffer[16 * 1024];

  bool notifier() {
    if (fd < 0 && !unavailable) {
      fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
      unavailable = fd < 0;
    }
    return fd >= 0;
  }

  void drop(Lru::iterator it, bool removeWatch) {
    if (removeWatch) inotify_rm_watch(fd, it->wd);
    byWd.erase(it->wd);
    byId.erase(it->id);
    names -= it->names.size();
    lru.erase(it);
  }

  void addName(Folder& f, const std::string& name) {
    std::string key = foldCase(name);
    const auto [first, last] = f.names.equal_range(key);
    for (auto it = first; it != last; ++it)
      if (it->second == name) return;
    f.names.emplace(std::move(key), name);
    ++names;
  }

  void removeName(Folder& f, const std::string& name) {
    const auto [first, last] = f.names.equal_range(foldCase(name));
    for (auto it = first; it != last; ++it)
      if (it->second == name) {
        f.names.erase(it);
        --names;
        return;
      }
  }

  void apply(const inotify_event& ev, const char* name) {
    if (ev.mask & IN_Q_OVERFLOW) {
      for (Folder& f : lru) f.stale = true;
      return;
    }
    const auto w = byWd.find(ev.wd);
    if (w == byWd.end()) return;  // a folder dropped since
    const Lru::iterator it = w->second;
    if (ev.mask & (IN_IGNORED | IN_DELETE_SELF | IN_UNMOUNT)) {
      drop(it, !(ev.mask & IN_IGNORED));
      return;
    }
    if (ev.len == 0) return;
    if (ev.mask & (IN_CREATE | IN_MOVED_TO)) addName(*it, name);
    else if (ev.mask & (IN_DELETE | IN_MOVED_FROM)) removeName(*it, name);
    it->sigStale = true;
  }

  // Applies every queued change.
  void drain() {
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;  // EAGAIN: the queue is empty
      for (std::size_t off = 0; off + sizeof(inotify_event) <= static_cast<std::size_t>(n);) {
        inotify_event ev;
        std::memcpy(&ev, buffer + off, sizeof ev);
        apply(ev, buffer + off + sizeof ev);  // the name is NUL-padded
        off += sizeof ev + ev.len;
      }
    }
  }

  // Reads the folder into f; st is the folder's stat taken before. False
  // when it cannot be read or the path now names another folder.
  bool read(Folder& f, const std::string& dir, const struct stat& st) {
    ++scans;
    DIR* d = opendir(dir.c_str());
    if (!d) return false;
    struct stat opened{};
    if (fstat(dirfd(d), &opened) != 0 || identityOf(opened) != f.id) {
      closedir(d);
      return false;
    }
    names -= f.names.size();
    f.names.clear();
    const bool ok = readNames(d, f.names);
    closedir(d);
    names += f.names.size();
    f.sig = signatureOf(st);
    f.sigStale = false;
    f.stale = !ok;
    return ok;
  }

  // A new index for the folder: the watch first, so that nothing changed
  // while the folder is read goes unreported.
  Lru::iterator open(const std::string& dir, const struct stat& st) {
    const int wd = inotify_add_watch(fd, dir.c_str(), kWatchMask);
    if (wd < 0) return lru.end();
    if (const auto clash = byWd.find(wd); clash != byWd.end()) drop(clash->second, false);
    lru.emplace_front();
    const Lru::iterator it = lru.begin();
    it->id = identityOf(st);
    it->wd = wd;
    byId[it->id] = it;
    byWd[wd] = it;
    if (!read(*it, dir, st)) {
      drop(it, true);
      return lru.end();
    }
    return it;
  }

  // The folder's index, current; lru.end() when the folder cannot be indexed.
  Lru::iterator current(const std::string& dir, const struct stat& st) {
    const Identity id = identityOf(st);
    auto found = byId.find(id);
    if (found == byId.end()) return open(dir, st);
    Lru::iterator it = found->second;
    if (!it->stale && !it->sigStale && it->sig != signatureOf(st)) {
      // A change of this host made since the queue was read is queued by
      // now; one that is not is unreported and needs a new read.
      drain();
      found = byId.find(id);
      if (found == byId.end()) return open(dir, st);
      it = found->second;
      if (!it->sigStale) it->stale = true;
    }
    if (it->stale) {
      if (!read(*it, dir, st)) {
        drop(it, true);
        return lru.end();
      }
    } else if (it->sigStale) {
      it->sig = signatureOf(st);
      it->sigStale = false;
    }
    lru.splice(lru.begin(), lru, it);
    return it;
  }

  // Drops the least recently used folders until within the limits; the one
  // just used goes last, when it alone holds too many names.
  void trim() {
    while (!lru.empty() && (lru.size() > limits.folders || names > limits.names)) drop(std::prev(lru.end()), true);
  }

  // Without an index: read the folder for this one name.
  std::string readFor(const std::string& dir, std::string_view name) {
    ++scans;
    if (present(dir, std::string(name))) return std::string(name);
    DIR* d = opendir(dir.c_str());
    if (!d) return {};
    std::string found;
    while (const dirent* e = readdir(d))
      if (!isDotEntry(e->d_name) && iequals(e->d_name, name)) {
        found = e->d_name;
        break;
      }
    closedir(d);
    return found;
  }

  // After fork the child shares the parent's inotify instance; reading it
  // would take events from the parent. The child starts afresh.
  void forget() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    unavailable = false;
    lru.clear();
    byId.clear();
    byWd.clear();
    names = 0;
  }

  static std::mutex& registryMutex() {
    static std::mutex m;
    return m;
  }
  static std::vector<State*>& registry() {
    static std::vector<State*> r;
    return r;
  }
  static void beforeFork() {
    registryMutex().lock();
    for (State* s : registry()) s->mutex.lock();
  }
  static void afterForkInParent() {
    for (State* s : registry()) s->mutex.unlock();
    registryMutex().unlock();
  }
  static void afterForkInChild() {
    for (State* s : registry()) {
      s->forget();
      s->mutex.unlock();
    }
    registryMutex().unlock();
  }
};

FolderIndex::FolderIndex() : FolderIndex(Limits{}) {}

FolderIndex::FolderIndex(Limits limits) : m(std::make_unique<State>(limits)) {
  static std::once_flag atFork;
  std::call_once(atFork,
                 [] { pthread_atfork(&State::beforeFork, &State::afterForkInParent, &State::afterForkInChild); });
  std::lock_guard lock(State::registryMutex());
  State::registry().push_back(m.get());
}

FolderIndex::~FolderIndex() {
  std::lock_guard lock(State::registryMutex());
  auto& r = State::registry();
  r.erase(std::remove(r.begin(), r.end(), m.get()), r.end());
}

FolderIndex& FolderIndex::shared() {
  // Never destroyed: paths may be resolved while other statics are torn down.
  static FolderIndex* index = new FolderIndex();
  return *index;
}

std::string FolderIndex::find(const std::string& hostFolder, std::string_view name) {
  const std::string dir = hostFolder.empty() ? "/" : hostFolder;
  std::lock_guard lock(m->mutex);
  if (!m->notifier()) return m->readFor(dir, name);
  m->drain();
  struct stat st{};
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
  State::Lru::iterator it = m->current(dir, st);
  if (it == m->lru.end()) return m->readFor(dir, name);
  std::string found = pick(it->names, name);
  if (!found.empty() && !present(dir, found)) {
    // Gone without a word: an unreported change. Read the folder again.
    if (m->read(*it, dir, st)) {
      found = pick(it->names, name);
    } else {
      m->drop(it, true);
      found = m->readFor(dir, name);
    }
  }
  m->trim();
  return found;
}

FolderIndex::Stats FolderIndex::stats() const {
  std::lock_guard lock(m->mutex);
  return {m->scans, m->lru.size(), m->names};
}

}  // namespace vrel
