#include "restore/run/RunLog.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <regex>

namespace vrel::restore {
namespace {

class RunLogTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m.files().createFolder("D:\\Backup")); }
  std::vector<std::string> lines() {
    std::string text;
    EXPECT_TRUE(m.files().readAll(kPath, text));
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t i; (i = text.find("\r\n", start)) != std::string::npos; start = i + 2)
      out.push_back(text.substr(start, i - start));
    EXPECT_EQ(start, text.size()) << "every entry ends with CR LF";
    return out;
  }
  static constexpr const char* kPath = "D:\\Backup\\DisasterRecoveryRestore.log";
  test::ScratchMachine m;
  RunLog log{m.files()};
};

TEST_F(RunLogTest, HeaderLayoutAndCountersStartAfterIt) {
  log.setInstalledVersionText("4.0(3.15)");
  ASSERT_TRUE(log.OpenLogFile(kPath, false));
  EXPECT_EQ(log.errorCount(), 0);
  EXPECT_EQ(log.warningCount(), 0);
  const auto l = lines();
  ASSERT_EQ(l.size(), 9u);
  const std::regex stamp(R"(^\d{1,2}/\d{1,2}/\d{4} \d{1,2}:\d{2}:\d{2} [AP]M: )");
  EXPECT_TRUE(std::regex_search(l[0], stamp));
  EXPECT_EQ(l[0].substr(l[0].size() - 2), ": ") << "the date stands alone on the first line";
  EXPECT_EQ(l[1], std::string(61, '*'));
  EXPECT_TRUE(l[2].ends_with(": Running VrelRestore version: 1.0.0")) << l[2];
  EXPECT_EQ(l[3], "");
  EXPECT_TRUE(l[4].ends_with(": Local Orvix version=4.0(3.15)"));
  EXPECT_TRUE(l[5].ends_with(": Search for '(error)' or '(warning)' to find logged errors and warnings."));
  EXPECT_TRUE(l[7].ends_with(": " + std::string(61, '*')));
}

TEST_F(RunLogTest, CountsTagsInAnyCaseOncePerCounter) {
  ASSERT_TRUE(log.OpenLogFile(kPath, false));
  log.WriteToLog("(ERROR) upper case counts");
  log.WriteToLog("    (error) and (warning) on one line");
  log.WriteToLog("    plain progress line");
  log.WriteToLog("(Warning) mixed case");
  EXPECT_EQ(log.errorCount(), 2);
  EXPECT_EQ(log.warningCount(), 2);
}

TEST_F(RunLogTest, FreshRunReplacesReadOnlyLogAndRestartsCounters) {
  ASSERT_TRUE(log.OpenLogFile(kPath, false));
  log.WriteToLog("(error) first run");
  log.CloseLogFile();
  ASSERT_TRUE(m.files().setReadOnly(kPath, true));
  ASSERT_TRUE(log.OpenLogFile(kPath, false));
  EXPECT_EQ(log.errorCount(), 0);
  for (const auto& line : lines()) EXPECT_EQ(line.find("first run"), std::string::npos);
}

TEST_F(RunLogTest, TextBeginningWithLineBreakAndAnsiText) {
  ASSERT_TRUE(log.OpenLogFile(kPath, false));
  log.WriteToLog("\r\nafter break");
  log.WriteToLog("Stra\xC3\x9F" "e \xE2\x82\xAC");  // "Straße €" in UTF-8
  std::string raw;
  m.files().readAll(kPath, raw);
  EXPECT_NE(raw.find(std::string("Stra\xDF" "e \x80")), std::string::npos) << "written in the ANSI code page";
  const auto l = lines();
  EXPECT_EQ(l[l.size() - 3].substr(l[l.size() - 3].size() - 2), ": ");
  EXPECT_EQ(l[l.size() - 2], "after break");
}

TEST_F(RunLogTest, EveryEntryIsOnDiskAndThePumpRunsAfterIt) {
  std::size_t seenLines = 0;
  log.setEventPump([&] { seenLines = lines().size(); });
  ASSERT_TRUE(log.OpenLogFile(kPath, false));
  log.WriteToLog("one");
  EXPECT_EQ(seenLines, 10u);
}

TEST_F(RunLogTest, HeldEntriesReachTheFileTogetherInOrderWhenTheOuterHoldEnds) {
  ASSERT_TRUE(log.OpenLogFile(kPath, false));
  const std::size_t header = lines().size();
  log.WriteToLog("before");
  log.holdEntries();
  log.WriteToLog("(error) held one");
  log.holdEntries();
  log.WriteToLog("held two");
  log.releaseEntries();
  EXPECT_EQ(lines().size(), header + 1) << "nothing written while an outer hold lasts";
  EXPECT_EQ(log.errorCount(), 1) << "counted as written";
  log.releaseEntries();
  log.WriteToLog("after");
  log.holdEntries();
  log.WriteToLog("held at close");
  log.CloseLogFile();
  const auto l = lines();
  ASSERT_EQ(l.size(), header + 5);
  const char* expected[] = {"before", "(error) held one", "held two", "after", "held at close"};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_TRUE(l[header + i].ends_with(std::string(": ") + expected[i])) << l[header + i];
}

// An entry given as head and value is the entry of the joined text, held or
// not, with a tag split between the two parts, and beyond ASCII.
TEST_F(RunLogTest, AnEntryInTwoPartsIsTheEntryOfTheJoinedText) {
  ASSERT_TRUE(log.OpenLogFile(kPath, false));
  const std::size_t header = lines().size();
  const std::pair<const char*, const char*> parts[] = {
      {"      alias=", "jdoe"}, {"    (err", "or) split tag"}, {"x=", "Stra\xC3\x9F" "e"}, {"", ""}};
  for (bool held : {false, true}) {
    if (held) log.holdEntries();
    for (const auto& [head, value] : parts) log.WriteToLog(head, value);
    if (held) log.releaseEntries();
  }
  EXPECT_EQ(log.errorCount(), 2);
  const auto l = lines();
  ASSERT_EQ(l.size(), header + 8);
  std::string raw;
  m.files().readAll(kPath, raw);
  EXPECT_EQ(raw.find("Stra\xC3"), std::string::npos) << "written in the ANSI code page";
  for (std::size_t i = 0; i < 8; ++i) {
    const auto& [head, value] = parts[i % 4];
    const std::string joined = std::string(head) + value;
    const std::string shown = i % 4 == 2 ? "x=Stra\xDF" "e" : joined;
    EXPECT_TRUE(l[header + i].ends_with(": " + shown)) << l[header + i];
  }
}

TEST_F(RunLogTest, DebugLinesOnlyWithDebugFlag) {
  ASSERT_TRUE(log.OpenLogFile(kPath, false));
  log.WriteDebug("debug - hidden");
  log.setDebug(true);
  log.WriteDebug("debug - shown");
  std::string raw;
  m.files().readAll(kPath, raw);
  EXPECT_EQ(raw.find("hidden"), std::string::npos);
  EXPECT_NE(raw.find("debug - shown"), std::string::npos);
}

TEST_F(RunLogTest, UnwritableFolderIsReportedNotThrown) {
  ASSERT_TRUE(m.files().setReadOnly("D:\\Backup", true));
  EXPECT_FALSE(log.OpenLogFile(kPath, false));
  EXPECT_FALSE(log.lastError().empty());
  log.WriteToLog("(error) still counted without a file");
  EXPECT_EQ(log.errorCount(), 1);
}

TEST_F(RunLogTest, AFullDiskTakesNoEntriesAndTheLogStaysWhole) {
  ASSERT_TRUE(log.OpenLogFile(kPath, false));
  log.WriteToLog("before");
  ASSERT_TRUE(m.machine().setDriveFull('D', true));
  log.WriteToLog("(error) lost while the disk is full");
  EXPECT_EQ(log.lastError(), std::string("cannot write to ") + kPath + ": Disk full");
  EXPECT_EQ(log.errorCount(), 1) << "still counted for the closing box";
  ASSERT_TRUE(m.machine().setDriveFull('D', false));
  log.WriteToLog("after");
  const std::vector<std::string> all = lines();
  ASSERT_EQ(all.size(), 11u);
  EXPECT_TRUE(all[9].ends_with(": before"));
  EXPECT_TRUE(all[10].ends_with(": after"));
}

TEST_F(RunLogTest, CountsPastSixteenBitsDoNotBreakTheWriter) {
  ASSERT_TRUE(log.OpenLogFile(kPath, false));
  log.CloseLogFile();  // count without touching the disk
  for (int i = 0; i < 33000; ++i) log.WriteToLog("(error) x");
  EXPECT_EQ(log.errorCount(), 33000);
}

}  // namespace
}  // namespace vrel::restore
