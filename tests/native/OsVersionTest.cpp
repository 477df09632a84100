#include <gtest/gtest.h>

#include "fake/FakeServices.h"
#include "platform/OsVersion.h"

namespace vestrand {
namespace {

RawOsVersion Raw(std::uint32_t platform, std::uint32_t major, std::uint32_t minor,
                 std::uint32_t build = 0) {
  RawOsVersion raw;
  raw.queried = true;
  raw.platformId = platform;
  raw.majorVersion = major;
  raw.minorVersion = minor;
  raw.buildNumber = build;
  return raw;
}

struct NameCase {
  std::uint32_t platform, major, minor, build;
  const char* name;
  const char* version;
  const char* buildText;
};

class OsVersionNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(OsVersionNames, NameVersionAndBuild) {
  const NameCase& c = GetParam();
  OsVersionInfo info;
  ApplyOsVersion(Raw(c.platform, c.major, c.minor, c.build), info);
  EXPECT_EQ(info.Name, c.name);
  EXPECT_EQ(info.Version, c.version);
  EXPECT_EQ(info.Build, c.buildText);
  EXPECT_EQ(info.PlatformId, static_cast<std::int32_t>(c.platform));
}

INSTANTIATE_TEST_SUITE_P(
    DecisionTable, OsVersionNames,
    ::testing::Values(
        NameCase{0, 3, 10, 0, "Win32s", "3.10", "0"},
        NameCase{1, 4, 0, 950, "Windows 95", "4.0", "950"},
        NameCase{1, 4, 10, (4u << 24) | (10u << 16) | 2222u, "Windows 98", "4.10", "2222"},
        NameCase{1, 4, 90, 3000, "Windows ME", "4.90", "3000"},
        NameCase{2, 5, 0, 2195, "Windows 2000", "5.0", "2195"},
        NameCase{2, 5, 1, 2600, "Windows XP", "5.1", "2600"},
        NameCase{2, 5, 2, 3790, "Windows 2003", "5.2", "3790"},
        NameCase{2, 6, 0, 6002, "Windows Vista", "6.0", "6002"},
        NameCase{2, 6, 1, 7601, "Windows 7", "6.1", "7601"},
        NameCase{2, 6, 2, 9200, "Windows 8", "6.2", "9200"},
        NameCase{2, 6, 3, 9600, "Windows NT", "6.3", "9600"},
        NameCase{2, 10, 0, 19045, "Windows NT", "10.0", "19045"},
        NameCase{2, 5, 3, 1, "Windows NT", "5.3", "1"},
        NameCase{2, 4, 0, 1381, "Windows NT", "4.0", "1381"},
        NameCase{2, 3, 51, 1057, "Windows NT", "3.51", "1057"},
        NameCase{3, 10, 0, 1, "", "10.0", "1"}));

TEST(OsVersion, FailedQueryLeavesRecordUntouched) {
  OsVersionInfo info;
  info.Name = "kept";
  info.ServicePack = "kept too";
  ApplyOsVersion(RawOsVersion{}, info);
  EXPECT_EQ(info.Name, "kept");
  EXPECT_EQ(info.Version, "");
  EXPECT_EQ(info.ServicePack, "kept too");
}

TEST(OsVersion, ServicePackCutAtFirstNul) {
  struct Case {
    std::u16string field;
    bool fillAll;  // no NUL anywhere in the 128 characters
    const char* expected;
  };
  const Case cases[] = {
      {u"Service Pack 3", false, "Service Pack 3"},
      {std::u16string(u"Service Pack 3\0junk", 19), false, "Service Pack 3"},
      {u"", false, ""},
      {u"Service Pack 中文", false, "Service Pack 中文"},
      {u"", true, "previous"},
  };
  for (const Case& c : cases) {
    RawOsVersion raw = Raw(2, 6, 1, 7601);
    for (std::size_t i = 0; i < c.field.size(); ++i) raw.servicePack[i] = c.field[i];
    if (c.fillAll) raw.servicePack.fill(u'X');
    OsVersionInfo info;
    info.ServicePack = "previous";
    ApplyOsVersion(raw, info);
    EXPECT_EQ(info.ServicePack, c.expected);
  }
}

TEST(OsVersion, FamilyIsDecidedOnTheText) {
  const std::pair<const char*, OsFamily> cases[] = {
      {"5.0", OsFamily::NT5},  {"5.1", OsFamily::NT5},  {"5.2", OsFamily::NT5},
      {"5.3", OsFamily::NT5},  {"5.10", OsFamily::NT5}, {"6.0", OsFamily::NT6},
      {"6.2", OsFamily::NT6},  {"6.3", OsFamily::NT6},  {"7.0", OsFamily::NT6},
      {"4.10", OsFamily::None}, {"4.0", OsFamily::None}, {"3.51", OsFamily::None},
      {"10.0", OsFamily::None}, {"", OsFamily::None},
  };
  for (const auto& [text, family] : cases) EXPECT_EQ(FamilyOfVersion(text), family) << text;
}

TEST(OsVersion, StartButtonAcceptsOnlySixExactTexts) {
  const std::pair<const char*, OsFamily> cases[] = {
      {"5.0", OsFamily::NT5},   {"5.1", OsFamily::NT5},   {"5.2", OsFamily::NT5},
      {"6.0", OsFamily::NT6},   {"6.1", OsFamily::NT6},   {"6.2", OsFamily::NT6},
      {"5.3", OsFamily::None},  {"5.10", OsFamily::None}, {"6.3", OsFamily::None},
      {"10.0", OsFamily::None}, {"6.1 ", OsFamily::None}, {"", OsFamily::None},
  };
  for (const auto& [text, family] : cases) EXPECT_EQ(RunFamilyOfVersion(text), family) << text;
}

TEST(OsVersion, GetOsVersionAsksTheHost) {
  fake::FakeMachine m;
  m.host.SetVersion(6, 1, 7601, 2, u"Service Pack 1");
  OsVersionInfo info;
  GetOsVersion(m.host, info);
  EXPECT_EQ(info.Name, "Windows 7");
  EXPECT_EQ(info.ServicePack, "Service Pack 1");
}

}  // namespace
}  // namespace vestrand
