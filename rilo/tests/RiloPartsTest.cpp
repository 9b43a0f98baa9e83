// Rilo's shell: the command line, the input file's entries, the output
// lines and where the log goes.
#include "rilo/CRiloHandler.h"

#include <gtest/gtest.h>

namespace vrel::rilo {
namespace {

TEST(RiloParts, Switches) {
  struct Row {
    std::vector<std::string> args;
    std::string input, output;
    bool grant;
  } rows[] = {
      {{"/i:MailstoreInput.txt"}, "MailstoreInput.txt", "Rilo.out", false},
      {{"-I:in.txt", "/o:out.txt", "/f"}, "in.txt", "out.txt", true},
      {{"/F", "/x:ignored", "plain", "-Output.txt"}, "", "tput.txt", true},
      {{"/o:"}, "", "", false},
      {{}, "", "Rilo.out", false},
  };
  for (const Row& r : rows) {
    RiloLog log;
    const RiloSettings s = parseRiloArguments(r.args, log);
    EXPECT_EQ(s.inputPath, r.input);
    EXPECT_EQ(s.outputPath, r.output);
    EXPECT_EQ(s.grant, r.grant);
  }
}

TEST(RiloParts, InputEntries) {
  struct Row {
    const char* name;
    std::string text;
    std::vector<std::string> entries;
  } rows[] = {
      {"CR LF lines, the last one empty", "a\r\nb  \t\r\n\r\n", {"a", "b", ""}},
      {"no line end at the end", "a\nb", {"a", "b"}},
      {"blanks kept at the front", "  a  ", {"  a"}},
      {"empty file", "", {}},
      {"a line of exactly 2047", std::string(2047, 'y') + "\r\n", {std::string(2047, 'y')}},
      {"a line of 2048", std::string(2048, 'y') + "\r\n", {std::string(2047, 'y'), "y"}},
      {"a lone CR at the end stays trimmed", "a\r", {"a"}},
  };
  for (const Row& r : rows) EXPECT_EQ(inputEntries(r.text), r.entries) << r.name;
}

TEST(RiloParts, OutputLinesAndLogPlace) {
  EXPECT_EQ(outputLine("CN=x,DC=y", 1), "\"CN=x,DC=y\",\"1\"");
  EXPECT_EQ(outputLine("", 0), "\"\",\"0\"");
  EXPECT_EQ(RiloLog::pathFor("C:\\Vrel\\RILO.EXE /i:MailstoreInput.txt"), "C:\\VREL\\RILOLOG.TXT");
  EXPECT_EQ(RiloLog::pathFor("\"C:\\Program Files\\Vrel\\rilo.exe\" /F"), "C:\\PROGRAM FILES\\VREL\\RILOLOG.TXT");
  EXPECT_EQ(RiloLog::pathFor("C:\\Tools\\RightsTool.exe /i:x"), "RILOLOG.TXT");
  EXPECT_EQ(format("a %s b %s", {"1", "2"}), "a 1 b 2");
}

}  // namespace
}  // namespace vrel::rilo
