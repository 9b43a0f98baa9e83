#include "restore/gui/DialogFilters.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

struct FilterCase {
  const char* name;
  const char* windows;
  const char* qt;
};

class DialogFilters : public ::testing::TestWithParam<FilterCase> {};

TEST_P(DialogFilters, BecomeQtFilters) {
  EXPECT_EQ(restore::qtFilter(GetParam().windows), GetParam().qt);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DialogFilters,
    ::testing::Values(FilterCase{"Empty", "", ""}, FilterCase{"Blank", "   ", ""},
                      FilterCase{"BarePattern", "*.CSV", "*.CSV *.csv"},
                      FilterCase{"MixedCaseGetsAllThree", "*.Csv", "*.Csv *.csv *.CSV"},
                      FilterCase{"SemicolonList", "*.csv;*.txt", "*.csv *.CSV *.txt *.TXT"},
                      FilterCase{"StarDotStarOnce", "*.*", "*.*"},
                      FilterCase{"Pairs", "Mapping files|*.csv|All files|*.*",
                                 "Mapping files (*.csv *.CSV);;All files (*.*)"},
                      FilterCase{"DescriptionNamingItsPatterns", "CSV (*.csv)|*.csv", "CSV (*.csv) (*.csv *.CSV)"},
                      FilterCase{"EmptyDescriptionUsesPatterns", "|*.txt", "*.txt (*.txt *.TXT)"},
                      FilterCase{"TrailingDescriptionDropped", "Text|*.txt|Orphan", "Text (*.txt *.TXT)"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vrel::test
