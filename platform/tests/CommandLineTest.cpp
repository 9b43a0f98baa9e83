#include "platform/CommandLine.h"

#include <gtest/gtest.h>

namespace vrel {
namespace {

struct ParseRow {
  const char* name;
  const char* line;
  std::vector<std::string> argv;
  friend void PrintTo(const ParseRow& r, std::ostream* os) { *os << r.name; }
};

class ParseCommandLine : public ::testing::TestWithParam<ParseRow> {};

TEST_P(ParseCommandLine, GivesTheCrtArgv) {
  EXPECT_EQ(parseCommandLine(GetParam().line), GetParam().argv) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseCommandLine,
    ::testing::Values(
        ParseRow{"Plain", "net stop W3svc", {"net", "stop", "W3svc"}},
        ParseRow{"BlanksAndTabsSeparate", "prog  a\t b  ", {"prog", "a", "b"}},
        ParseRow{"QuotedArgumentKeepsBlanks", R"(prog "a b" c)", {"prog", "a b", "c"}},
        ParseRow{"BackslashesAloneAreLiteral", R"(prog C:\a\b c:\d\\)", {"prog", R"(C:\a\b)", R"(c:\d\\)"}},
        ParseRow{"EvenBackslashesBeforeQuoteHalveAndQuoteGroups", R"(prog "a\\" b)", {"prog", R"(a\)", "b"}},
        ParseRow{"OddBackslashesBeforeQuoteGiveLiteralQuote", R"(prog a\"b a\\\"b)", {"prog", R"(a"b)", R"(a\"b)"}},
        ParseRow{"DoubledQuoteInsideQuotesIsOneQuote", R"(prog "a""b c")", {"prog", R"(a"b c)"}},
        ParseRow{"DoubledQuoteOutsideQuotesIsNothing", R"(prog a""b)", {"prog", "ab"}},
        ParseRow{"EmptyQuotedArgument", R"(prog "" x)", {"prog", "", "x"}},
        ParseRow{"FourQuotesAreOneQuote", R"(prog """")", {"prog", R"(")"}},
        ParseRow{"QuotesInsideAWord", R"(prog "a"b"c d")", {"prog", "abc d"}},
        ParseRow{"UnterminatedQuoteRunsToTheEnd", R"(prog "open arg)", {"prog", "open arg"}},
        ParseRow{"QuotedProgramWithBlanks", R"("C:\Program Files\x.exe" /i:in.txt)",
                 {R"(C:\Program Files\x.exe)", "/i:in.txt"}},
        ParseRow{"ProgramPartIgnoresBackslashBeforeQuote", R"(C:\dir\"x y" z)", {R"(C:\dir\x y)", "z"}},
        ParseRow{"ProgramPartQuoteInTheMiddle", R"(a\"b c)", {R"(a\b c)"}},
        ParseRow{"ArgumentsMayHoldSlashesAndPercent", "kill -F tm*.*", {"kill", "-F", "tm*.*"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, ProgramPartEndsAtFirstBlankOutsideQuotes) {
  const ProgramPart quoted = splitProgramPart(R"("C:\a b\p.exe" x)");
  EXPECT_EQ(quoted.program, R"(C:\a b\p.exe)");
  EXPECT_EQ(quoted.end, 14u);
  EXPECT_TRUE(quoted.quoted);
  const ProgramPart bare = splitProgramPart("regedit /s x");
  EXPECT_EQ(bare.program, "regedit");
  EXPECT_EQ(bare.end, 7u);
  EXPECT_FALSE(bare.quoted);
  EXPECT_EQ(argumentsText("regedit   /s \"a b\""), "/s \"a b\"");
}

struct QuoteRow {
  const char* name;
  std::string arg;
  std::string quoted;
  friend void PrintTo(const QuoteRow& r, std::ostream* os) { *os << r.name; }
};

class QuoteArgument : public ::testing::TestWithParam<QuoteRow> {};

TEST_P(QuoteArgument, QuotesAsNeededAndParsesBack) {
  const auto& row = GetParam();
  EXPECT_EQ(quoteArgument(row.arg), row.quoted);
  EXPECT_EQ(parseArguments(quoteArgument(row.arg)), std::vector<std::string>{row.arg});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, QuoteArgument,
    ::testing::Values(QuoteRow{"Bare", "W3svc", "W3svc"},
                      QuoteRow{"BackslashesWithoutBlanksStayBare", R"(C:\x\)", R"(C:\x\)"},
                      QuoteRow{"Empty", "", R"("")"},
                      QuoteRow{"Blank", "a b", R"("a b")"},
                      QuoteRow{"Tab", "a\tb", "\"a\tb\""},
                      QuoteRow{"Quote", R"(a"b)", R"("a\"b")"},
                      QuoteRow{"TrailingBackslashIsDoubled", R"(C:\a b\)", R"("C:\a b\\")"},
                      QuoteRow{"BackslashesBeforeQuote", R"(a\\"b)", R"("a\\\\\"b")"},
                      QuoteRow{"OnlyQuotes", R"("")", R"("\"\"")"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, JoinParsesBackIntoTheSameArgv) {
  const std::vector<std::string> argv{R"(C:\Program Files\Orvix\tool.exe)", "", "a b", R"(x\)", R"(q"uote)", "-s"};
  EXPECT_EQ(parseCommandLine(joinCommandLine(argv)), argv);
}

TEST(RawCommandLine, TakesTheRunnersLineWhenItMatchesArgv) {
  const char* argv[] = {"C:\\Program Files\\Orvix\\Grant", "-u", "DOM\\me"};
  const char* line = R"(C:\Program Files\Orvix\Grant -u DOM\me)";
  EXPECT_EQ(rawCommandLine(3, argv, line), line);
  const char* quoted[] = {"C:\\a b\\RILO.EXE", "/i:MailstoreInput.txt"};
  const char* quotedLine = R"("C:\a b\RILO.EXE" /i:MailstoreInput.txt)";
  EXPECT_EQ(rawCommandLine(2, quoted, quotedLine), quotedLine);
}

TEST(RawCommandLine, IgnoresALineInheritedFromAnotherProgram) {
  const char* argv[] = {"sleeper", "TmA.exe", "5"};
  EXPECT_EQ(rawCommandLine(3, argv, "net stop TmA"), "sleeper TmA.exe 5") << "other program";
  EXPECT_EQ(rawCommandLine(3, argv, "sleeper TmB.exe 5"), "sleeper TmA.exe 5") << "other arguments";
  const char* bare[] = {"notepad", "C:\\a b.txt"};
  EXPECT_EQ(rawCommandLine(2, bare, nullptr), R"(notepad "C:\a b.txt")");
}

}  // namespace
}  // namespace vrel
