// --help and the README name every environment variable the programs read:
// the sources are searched for getenv calls, so a new variable without its
// line in both fails here.
#include "restore/headless/HeadlessOptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace vrel::test {
namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The variables the programs' sources (not their tests) read.
std::set<std::string> variablesRead() {
  const std::regex call(R"(getenv\(\s*"([A-Z_][A-Z0-9_]*)\"\s*\))");
  std::set<std::string> names;
  for (const char* part : {"platform", "restore", "dirsync", "rilo", "domsvr"})
    for (const auto& e : fs::recursive_directory_iterator(fs::path(VREL_SOURCE_DIR) / part)) {
      const std::string path = e.path().string();
      if (!e.is_regular_file() || path.find("/tests/") != std::string::npos) continue;
      if (e.path().extension() != ".cpp" && e.path().extension() != ".h") continue;
      const std::string text = readText(e.path());
      for (auto it = std::sregex_iterator(text.begin(), text.end(), call); it != std::sregex_iterator(); ++it)
        names.insert((*it)[1]);
    }
  return names;
}

TEST(HelpEnvironment, HelpAndReadmeNameEveryVariableTheProgramsRead) {
  const std::set<std::string> names = variablesRead();
  for (const char* known : {"VREL_MACHINE", "VREL_TIME_SCALE", "VREL_TOOLS", "VREL_TOOLS_SITE"})
    EXPECT_TRUE(names.count(known)) << "the search missed " << known;
  const std::string help = restore::usageText();
  const std::string readme = readText(fs::path(VREL_SOURCE_DIR) / "README.md");
  for (const std::string& name : names) {
    EXPECT_NE(help.find(name), std::string::npos) << name << " is not in --help";
    EXPECT_NE(readme.find(name), std::string::npos) << name << " is not in README.md";
  }
}

TEST(HelpEnvironment, HelpNamesTheMachineValuesStartUpReads) {
  const std::string help = restore::usageText();
  for (const char* value : {"UserDefaultLangID", "SessionName", "ComputerName", "Platform", "OsVersion"})
    EXPECT_NE(help.find(value), std::string::npos) << value;
}

}  // namespace
}  // namespace vrel::test
