#include "platform/TimeScale.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vrel {
namespace {

struct ScaleRow {
  const char* name;
  const char* text;
  double scale;
  friend void PrintTo(const ScaleRow& r, std::ostream* os) { *os << r.name; }
};

class ParseTimeScale : public ::testing::TestWithParam<ScaleRow> {};

TEST_P(ParseTimeScale, TakesPositiveNumbersOnly) {
  EXPECT_DOUBLE_EQ(parseTimeScale(GetParam().text), GetParam().scale);
}

INSTANTIATE_TEST_SUITE_P(Rows, ParseTimeScale,
                         ::testing::Values(ScaleRow{"Empty", "", 1}, ScaleRow{"Fraction", "0.01", 0.01},
                                           ScaleRow{"Larger", "2.5", 2.5}, ScaleRow{"TrailingBlank", "0.5 ", 0.5},
                                           ScaleRow{"Zero", "0", 1}, ScaleRow{"Negative", "-1", 1},
                                           ScaleRow{"Garbage", "fast", 1}, ScaleRow{"NumberThenGarbage", "0.1x", 1},
                                           ScaleRow{"Infinite", "inf", 1}, ScaleRow{"NotANumber", "nan", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TimeScale, ScaledWaitsFollowTheScaleAndNeverShrinkToZero) {
  const double s = timeScale();
  EXPECT_EQ(scaledMs(0), 0u);
  EXPECT_GE(scaledMs(1), 1u);
  EXPECT_EQ(scaledMs(30000), static_cast<std::uint64_t>(std::llround(30000 * s)));
  EXPECT_GT(scaledMs(0xFFFFFFFFull * 1000), 0u) << "no overflow on huge values";
}

}  // namespace
}  // namespace vrel
