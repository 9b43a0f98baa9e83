// Build-time tool: turns a translation source ("DEU.txt") into the language
// library shipped next to the program ("VrelRestore_DEU.dll").
//   make_string_library <source.txt> <library.dll>
//   make_string_library --english <library.dll>   (the built-in English table)
// Every ID of a translation must be one the program has an English text for,
// so a mistyped ID fails the build instead of shipping a dead text.
#include "restore/shell/StringLibrary.h"
#include "restore/shell/modLocalize.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

using vrel::restore::StringLibrary;
using vrel::restore::StringSource;

namespace {

bool readSource(const std::string& path, StringSource& source) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::cerr << path << ": cannot open\n";
    return false;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string error;
  if (!StringLibrary::parseSource(text, source, error)) {
    std::cerr << path << ": " << error << "\n";
    return false;
  }
  for (const auto& [id, translated] : source.strings) {
    if (vrel::restore::builtInString(id).empty()) {
      std::cerr << path << ": ID " << id << " has no English text in the program\n";
      return false;
    }
  }
  return true;
}

StringSource english() {
  StringSource source;
  source.languageId = 1033;
  for (int id = 0; id <= vrel::restore::kLastStringId; ++id)
    if (std::string text = vrel::restore::builtInString(id); !text.empty()) source.strings.emplace(id, text);
  return source;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_string_library <source.txt>|--english <library.dll>\n";
    return 2;
  }
  StringSource source;
  if (std::string(argv[1]) == "--english") {
    source = english();
  } else if (!readSource(argv[1], source)) {
    return 1;
  }
  const std::string bytes = StringLibrary::build(source);
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) {
    std::cerr << argv[2] << ": cannot write\n";
    return 1;
  }
  return 0;
}
