// Version text and its registry encoding, option checks, and the IDs an
// installation derives.
#include "standin/server/ProvisionIdentity.h"
#include "standin/server/ProvisionOptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace vrel::standin {
namespace {

// How the restore reads the registry's numbers back: each word written as
// four hex digits; major, minor and rev read as decimal, build as hex.
ServerVersion decodeAsRestoreDoes(std::uint32_t version, std::uint32_t build) {
  char v[16], b[16];
  std::snprintf(v, sizeof v, "%08X", version);
  std::snprintf(b, sizeof b, "%08X", build);
  const std::string vs(v), bs(b);
  return {std::stoi(vs.substr(0, 4)), std::stoi(vs.substr(4)), std::stoi(bs.substr(0, 4)),
          std::stoi(bs.substr(4), nullptr, 16)};
}

struct VersionRow {
  const char* name;
  const char* text;
  std::uint32_t versionNumber;
  std::uint32_t buildNumber;
};

class VersionEncoding : public ::testing::TestWithParam<VersionRow> {};

TEST_P(VersionEncoding, WritesTheRegistryNumbersAndReadsBack) {
  const VersionRow& row = GetParam();
  ServerVersion v;
  std::string error;
  ASSERT_TRUE(parseServerVersion(row.text, v, error)) << error;
  EXPECT_EQ(registryVersionNumber(v), row.versionNumber);
  EXPECT_EQ(registryBuildNumber(v), row.buildNumber);
  const ServerVersion back = decodeAsRestoreDoes(row.versionNumber, row.buildNumber);
  EXPECT_EQ(serverVersionText(back), serverVersionText(v));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VersionEncoding,
    ::testing::Values(VersionRow{"Classic", "4.0(3.15)", 0x00040000, 0x0003000F},
                      VersionRow{"BuildAboveNine", "4.0(4.175)", 0x00040000, 0x000400AF},
                      VersionRow{"TwoDigitFields", "12.3(122.1)", 0x00120003, 0x01220001},
                      VersionRow{"Dotted", "5.0.1.32", 0x00050000, 0x00010020},
                      VersionRow{"Largest", "9999.9999(9999.65535)", 0x99999999, 0x9999FFFF},
                      VersionRow{"Blanks", "  8.0(0.0) ", 0x00080000, 0x00000000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VersionText, RefusesWhatCannotBeEncoded) {
  const char* bad[] = {"", "4.0", "4.0(3)", "4.0(3.15", "4.0(3.15)x", "a.b(c.d)", "10000.0(0.0)",
                       "4.0(3.65536)", "4.0(-3.15)", "4..0(3.15)", "4.0(3.15.1)"};
  for (const char* text : bad) {
    ServerVersion v;
    std::string error;
    EXPECT_FALSE(parseServerVersion(text, v, error)) << text;
    EXPECT_NE(error.find("version"), std::string::npos) << text;
  }
}

TEST(VersionText, AtLeastComparesFieldByField) {
  const ServerVersion v{4, 0, 3, 15};
  EXPECT_TRUE(versionAtLeast(v, 4, 0, 3, 15));
  EXPECT_TRUE(versionAtLeast(v, 4, 0, 2, 122));
  EXPECT_FALSE(versionAtLeast(v, 4, 0, 3, 16));
  EXPECT_FALSE(versionAtLeast(v, 5, 0, 0, 0));
  EXPECT_TRUE(versionAtLeast(v, 3, 9, 99, 999));
}

struct OptionRow {
  const char* name;
  const char* computer;
  const char* root;
  const char* language;
  const char* wantComputer;  // nullptr: refused
  const char* wantRoot;
};

class OptionChecks : public ::testing::TestWithParam<OptionRow> {};

TEST_P(OptionChecks, NormalisesOrRefuses) {
  const OptionRow& row = GetParam();
  ProvisionOptions o;
  o.computerName = row.computer;
  o.installRoot = row.root;
  o.language = row.language;
  std::string error;
  const bool ok = normaliseProvisionOptions(o, error);
  if (!row.wantComputer) {
    EXPECT_FALSE(ok);
    EXPECT_FALSE(error.empty());
    return;
  }
  ASSERT_TRUE(ok) << error;
  EXPECT_EQ(o.computerName, row.wantComputer);
  EXPECT_EQ(o.installRoot, row.wantRoot);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OptionChecks,
    ::testing::Values(OptionRow{"Defaults", "ORVIX01", "C:\\Orvix\\", "ENU", "ORVIX01", "C:\\Orvix\\"},
                      OptionRow{"TrailingBackslashAdded", "orvix-2", "E:\\Orvix", "DEU", "ORVIX-2", "E:\\Orvix\\"},
                      OptionRow{"SlashesAndDriveCase", "a_b", "d:/Program Files/Orvix//", "JPN", "A_B",
                                "D:\\Program Files\\Orvix\\"},
                      OptionRow{"HostRootDriveRefused", "X", "Z:\\Orvix", "ENU", nullptr, nullptr},
                      OptionRow{"DriveRootRefused", "X", "C:\\", "ENU", nullptr, nullptr},
                      OptionRow{"RelativeRefused", "X", "Orvix", "ENU", nullptr, nullptr},
                      OptionRow{"DotDotRefused", "X", "C:\\Orvix\\..\\Windows", "ENU", nullptr, nullptr},
                      OptionRow{"BadCharacterRefused", "X", "C:\\Or|vix", "ENU", nullptr, nullptr},
                      OptionRow{"EmptyComputerRefused", "", "C:\\Orvix", "ENU", nullptr, nullptr},
                      OptionRow{"LongComputerRefused", "ABCDEFGHIJKLMNOP", "C:\\Orvix", "ENU", nullptr, nullptr},
                      OptionRow{"BlankInComputerRefused", "OR VIX", "C:\\Orvix", "ENU", nullptr, nullptr},
                      OptionRow{"UnknownLanguageRefused", "X", "C:\\Orvix", "XYZ", nullptr, nullptr},
                      OptionRow{"LanguageIsCaseSensitive", "X", "C:\\Orvix", "enu", nullptr, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MailStoreKinds, NamesRoundTripAndProgIdsAreTheConnectors) {
  for (MailStoreKind k : {MailStoreKind::Domino, MailStoreKind::Exchange55, MailStoreKind::Exchange2000}) {
    MailStoreKind back{};
    ASSERT_TRUE(parseMailStoreKind(mailStoreKindName(k), back));
    EXPECT_EQ(back, k);
  }
  MailStoreKind k{};
  EXPECT_TRUE(parseMailStoreKind("Exchange55", k));
  EXPECT_FALSE(parseMailStoreKind("exchange2007", k));
  EXPECT_EQ(std::string(idcProgIdOf(MailStoreKind::Exchange2000)), "TMIDCADSvr.TmIDCAD.1");
  EXPECT_EQ(std::string(idcProgIdOf(MailStoreKind::Domino)), "TMDsDomino.TmIDCDomino.1");
}

TEST(Identity, BoundToInstallationAndComputer) {
  ProvisionOptions a;
  a.installationGuid = "0F0E0D0C-0B0A-4908-8706-050403020100";
  ProvisionOptions b = a;
  ProvisionOptions c = a;
  c.computerName = "ORVIX02";
  const ServerIdentity ia(a), ib(b), ic(c);
  EXPECT_EQ(ia.directoryId("Subscriber:EAdmin"), ib.directoryId("Subscriber:EAdmin"));
  EXPECT_EQ(ia.systemId(), ib.systemId());
  EXPECT_NE(ia.directoryId("Subscriber:EAdmin"), ic.directoryId("Subscriber:EAdmin"));
  EXPECT_NE(ia.directoryId("Subscriber:EAdmin"), ia.directoryId("Subscriber:ESubscriber"));
  EXPECT_NE(ia.objectId("Subscriber:EAdmin"), ia.directoryId("Subscriber:EAdmin"));
  const ServerIdentity r1{ProvisionOptions{}}, r2{ProvisionOptions{}};
  EXPECT_NE(r1.options().installationGuid, r2.options().installationGuid);
  EXPECT_NE(r1.systemId(), r2.systemId());
}

TEST(Identity, SystemIdIsEightHexDigitsThatSurviveANumberRoundTrip) {
  for (int i = 0; i < 64; ++i) {
    ProvisionOptions o;
    o.installationGuid = "seed-" + std::to_string(i);
    const ServerIdentity id(o);
    ASSERT_EQ(id.systemId().size(), 8u);
    char back[16];
    std::snprintf(back, sizeof back, "%X", id.systemIdNumber());
    EXPECT_EQ(id.systemId(), back);
    EXPECT_LE(id.systemIdNumber(), 0x7FFFFFFFu);
  }
}

TEST(Identity, ObjectReferenceHasTheServersForm) {
  EXPECT_EQ(ServerIdentity::objectReference(1, "ABC"), std::string("\x01\x07") + "01:ABC");
}

}  // namespace
}  // namespace vrel::standin
