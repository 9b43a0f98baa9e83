// SQL text prepared for SQLite: ISNULL calls and columns named Index.
#include "platform/data/SqlDialect.h"

#include <gtest/gtest.h>

namespace vrel::data {
namespace {

TEST(SqlDialect, RewritesOnlyWhatSqliteCannotTake) {
  const std::pair<const char*, const char*> rows[] = {
      {"Select * from CertTable ORDER BY Index ASC", "Select * from CertTable ORDER BY \"Index\" ASC"},
      {"select index, x from t where Index > 1", "select \"index\", x from t where \"Index\" > 1"},
      {"CREATE INDEX IX_a ON t (a)", "CREATE INDEX IX_a ON t (a)"},
      {"CREATE UNIQUE INDEX IX_a ON t (a)", "CREATE UNIQUE INDEX IX_a ON t (a)"},
      {"DROP INDEX IX_a", "DROP INDEX IX_a"},
      {"select [Index], 'Index', \"Index\" from t", "select [Index], 'Index', \"Index\" from t"},
      {"select IndexNumber from t", "select IndexNumber from t"},
      {"select ISNULL(a, 0) from t", "select IFNULL(a, 0) from t"},
  };
  for (const auto& [in, out] : rows) EXPECT_EQ(toSqliteText(in), out) << in;
}

}  // namespace
}  // namespace vrel::data
