// Database images: the image's header and checksum, and the pages (the
// input wrapped as a whole image, so the checksum holds) checked the way the
// restore checks them before it replaces a database.
#include "platform/data/DatabaseBackup.h"
#include "platform/data/DatabaseRestore.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

namespace {

std::string scratchFile() {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/vrel-fuzz-dbimage-" + std::to_string(::getpid()) + ".mdf";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view pages;
  std::string reason;
  (void)vrel::data::readDatabaseImage(input, pages, reason);

  const std::string image = vrel::data::makeDatabaseImage(input);
  if (!vrel::data::readDatabaseImage(image, pages, reason)) return 0;
  static const std::string file = scratchFile();
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(pages.data(), static_cast<std::streamsize>(pages.size()));
  }
  (void)vrel::data::databaseFileIsSound(file, reason);
  ::unlink(file.c_str());
  return 0;
}
