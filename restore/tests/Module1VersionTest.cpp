#include "restore/tests/Module1Fixture.h"

#include <optional>

namespace vrel::restore::test {
namespace {

constexpr const char* kProduct = "Software\\Tremarc";
constexpr const char* kConnector = "Software\\Tremarc\\TmIvc";

struct VersionRow {
  const char* name;
  bool productKey;
  std::optional<std::uint32_t> version, build;
  std::optional<std::string> smtpPickupPath;  // under the connector key
  LocalVersionInfo expected;
};
void PrintTo(const VersionRow& r, std::ostream* os) {
  *os << r.name;
}

LocalVersionInfo v(std::int16_t a, std::int16_t b, std::int16_t c, std::int16_t d, std::string text, bool ivc) {
  return {a, b, c, d, std::move(text), ivc};
}

const VersionRow kVersionRows[] = {
    {"NoProductKey", false, std::nullopt, std::nullopt, std::nullopt, v(0, 0, 0, 0, "", false)},
    {"ProductKeyWithoutValues", true, std::nullopt, std::nullopt, std::nullopt, v(0, 0, 0, 0, "0.0(0.0)", false)},
    {"FourZeroThreeFifteen", true, 0x00040000, 0x0003000F, std::nullopt, v(4, 0, 3, 15, "4.0(3.15)", false)},
    {"HexDigitsReadAsDecimal", true, 0x00120010, 0x0122007A, std::nullopt,
     v(12, 10, 122, 122, "12.10(122.122)", false)},
    {"DecimalReadingStopsAtLetter", true, 0x001A0B02, 0xA0041000, std::nullopt, v(1, 0, 0, 4096, "1.0(0.4096)", false)},
    {"BuildAbove7FFFIsNegative", true, 0x00040000, 0x0000FFFF, std::nullopt, v(4, 0, 0, -1, "4.0(0.-1)", false)},
    {"ConnectorOnly", true, 0, std::nullopt, "C:\\Pickup", v(0, 0, 0, 0, "0.0(0.0)", true)},
    {"ConnectorWithoutVersionValue", true, std::nullopt, std::nullopt, "C:\\Pickup", v(0, 0, 0, 0, "0.0(0.0)", true)},
    {"ConnectorWithEmptyPickupPath", true, 0, std::nullopt, "", v(0, 0, 0, 0, "0.0(0.0)", false)},
    {"ConnectorBesideProduct", true, 0x00040000, 0x0003000F, "C:\\Pickup", v(4, 0, 3, 15, "4.0(3.15)", false)},
};

class GetLocalVersionInfoRows : public Module1Test, public ::testing::WithParamInterface<VersionRow> {};

TEST_P(GetLocalVersionInfoRows, ReadsTheInstalledVersion) {
  const VersionRow& r = GetParam();
  if (r.productKey) createKey(kProduct);
  if (r.version) setValue(kProduct, RegValue::dword("Version Number", *r.version));
  if (r.build) setValue(kProduct, RegValue::dword("Build Number", *r.build));
  if (r.smtpPickupPath) {
    createKey(kConnector);
    setValue(kConnector, RegValue::text("SmtpPickupPath", *r.smtpPickupPath));
  }
  const LocalVersionInfo got = mod.GetLocalVersionInfo();
  EXPECT_EQ(got.Major, r.expected.Major);
  EXPECT_EQ(got.Minor, r.expected.Minor);
  EXPECT_EQ(got.Rev, r.expected.Rev);
  EXPECT_EQ(got.Build, r.expected.Build);
  EXPECT_EQ(got.VersionText, r.expected.VersionText);
  EXPECT_EQ(got.bIVCInstall, r.expected.bIVCInstall);
}

INSTANTIATE_TEST_SUITE_P(Rows, GetLocalVersionInfoRows, ::testing::ValuesIn(kVersionRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct AtLeastRow {
  const char* name;
  LocalVersionInfo installed;
  bool expected;  // at least 4.0(2.22)
};
void PrintTo(const AtLeastRow& r, std::ostream* os) {
  *os << r.name;
}

const AtLeastRow kAtLeastRows[] = {
    {"Equal", v(4, 0, 2, 22, "", false), true},       {"HigherRev", v(4, 0, 3, 1, "", false), true},
    {"HigherMinor", v(4, 1, 0, 0, "", false), true},  {"LowerBuild", v(4, 0, 2, 21, "", false), false},
    {"LowerMajor", v(3, 9, 9, 99, "", false), false},
};

class AtLeastRows : public Module1Test, public ::testing::WithParamInterface<AtLeastRow> {};

TEST_P(AtLeastRows, ComparesFieldByFieldFromMajor) {
  mod.localVersionInfo = GetParam().installed;
  EXPECT_EQ(mod.bLocalVersionAtLeast(4, 0, 2, 22), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, AtLeastRows, ::testing::ValuesIn(kAtLeastRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vrel::restore::test
