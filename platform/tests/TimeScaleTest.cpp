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

TEST_P(ParseTimeScale, TakesNumbersFromZeroUp) {
  EXPECT_DOUBLE_EQ(parseTimeScale(GetParam().text), GetParam().scale);
}

INSTANTIATE_TEST_SUITE_P(Rows, ParseTimeScale,
                         ::testing::Values(ScaleRow{"Empty", "", 1}, ScaleRow{"Fraction", "0.01", 0.01},
                                           ScaleRow{"Larger", "2.5", 2.5}, ScaleRow{"TrailingBlank", "0.5 ", 0.5},
                                           ScaleRow{"Zero", "0", 0}, ScaleRow{"NegativeZero", "-0", 0}, ScaleRow{"Negative", "-1", 1},
                                           ScaleRow{"Garbage", "fast", 1}, ScaleRow{"NumberThenGarbage", "0.1x", 1},
                                           ScaleRow{"Infinite", "inf", 1}, ScaleRow{"NotANumber", "nan", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TimeScale, TimeoutsKeepTheirFloorWhileWaitsGoToZero) {
  EXPECT_DOUBLE_EQ(timeoutScaleFor(0), kTimeoutScaleFloor);
  EXPECT_DOUBLE_EQ(timeoutScaleFor(kTimeoutScaleFloor / 2), kTimeoutScaleFloor);
  EXPECT_DOUBLE_EQ(timeoutScaleFor(0.5), 0.5);
  EXPECT_DOUBLE_EQ(timeoutScaleFor(3), 3);
  // A simulated hang scales like the time-out it must trip, so a longer hang
  // still outlasts a shorter time-out at any wait scale.
  for (const double scale : {0.0, 0.001, 0.01, 1.0})
    EXPECT_GT(60000 * timeoutScaleFor(scale), 30000 * timeoutScaleFor(scale)) << scale;
}

TEST(TimeScale, ScaledWaitsAndTimeoutsFollowTheirScales) {
  const double s = timeScale();
  EXPECT_EQ(scaledMs(0), 0u);
  EXPECT_EQ(scaledMs(30000), static_cast<std::uint64_t>(std::llround(30000 * s)));
  EXPECT_EQ(scaledTimeoutMs(0), 0u);
  EXPECT_GE(scaledTimeoutMs(1), 1u) << "a time-out never shrinks to nothing";
  EXPECT_EQ(scaledTimeoutMs(30000), static_cast<std::uint64_t>(std::llround(30000 * timeoutScale())));
  EXPECT_GE(scaledTimeoutMs(30000), scaledMs(30000));
  EXPECT_GT(scaledTimeoutMs(0xFFFFFFFFull * 1000), 0u) << "no overflow on huge values";
}

}  // namespace
}  // namespace vrel
