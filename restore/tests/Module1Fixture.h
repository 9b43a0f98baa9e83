// A scratch machine with an open run log and a Module1 over it. logLines()
// gives the entries written after the header, date prefix removed.
#pragma once

#include "restore/preserve/Module1.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace vrel::restore::test {

class Module1Test : public ::testing::Test {
 protected:
  static constexpr const char* kLog = "D:\\Backup\\DisasterRecoveryRestore.log";
  static constexpr std::size_t kHeaderLines = 9;

  void SetUp() override {
    ASSERT_TRUE(m.files().createFolder("D:\\Backup"));
    ASSERT_TRUE(log.OpenLogFile(kLog, false)) << log.lastError();
  }

  std::vector<std::string> logLines() {
    std::string raw;
    EXPECT_TRUE(m.files().readAll(kLog, raw));
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i; (i = raw.find("\r\n", start)) != std::string::npos; start = i + 2)
      lines.push_back(raw.substr(start, i - start));
    const std::regex stamp(R"(^\d{1,2}/\d{1,2}/\d{4} \d{1,2}:\d{2}:\d{2} [AP]M: )");
    std::vector<std::string> out;
    for (std::size_t i = kHeaderLines; i < lines.size(); ++i) {
      std::smatch mt;
      EXPECT_TRUE(std::regex_search(lines[i], mt, stamp)) << "no date prefix: " << lines[i];
      out.push_back(mt.empty() ? lines[i] : mt.suffix().str());
    }
    return out;
  }

  void createKey(const std::string& path) { ASSERT_EQ(m.registry().createKey(Hive::LocalMachine, path), kRegOk); }
  void setValue(const std::string& path, const RegValue& v) {
    ASSERT_EQ(m.registry().setValue(Hive::LocalMachine, path, v), kRegOk);
  }
  bool keyExists(const std::string& path) { return m.registry().keyExists(Hive::LocalMachine, path); }

  vrel::test::ScratchMachine m;
  RunLog log{m.files()};
  InstallPaths paths;
  Module1 mod{m.registry(), m.files(), log, paths};
};

}  // namespace vrel::restore::test
