#include <gtest/gtest.h>

#include "fake/FakeServices.h"
#include "relocation/FolderCatalogue.h"
#include "startup/StartMain.h"

namespace vestrand {
namespace {

using fake::FakeMachine;

const char* const kUsf = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char* const kSf = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

bool Start(FakeMachine& m) {
  return StartMain(m.services, [&m]() -> MainForm& { return m.form; });
}

// A Windows 7 profile whose every folder exists and is listed in User Shell Folders.
void Win7Profile(FakeMachine& m) {
  m.host.SetVersion(6, 1, 7601);
  for (const FolderRow& row : FolderCatalogue()) {
    const std::string path = std::string("C:\\Users\\Ann\\F") + std::to_string(row.row);
    m.registry.Set(ReadKeyOf(row), row.valueName, path);
    m.files.AddDirectory(path);
  }
}

TEST(StartMain, NoFamilyCreatesNothing) {
  const std::pair<std::uint32_t, std::uint32_t> versions[] = {{4, 10}, {4, 0}, {3, 51}, {10, 0}};
  for (const auto& [major, minor] : versions) {
    FakeMachine m;
    m.host.SetVersion(major, minor, 1, major == 4 && minor == 10 ? 1 : 2);
    bool created = false;
    EXPECT_FALSE(StartMain(m.services, [&]() -> MainForm& {
      created = true;
      return m.form;
    }));
    EXPECT_FALSE(created);
    EXPECT_EQ(m.trace, fake::Trace{"QueryOsVersion()"});
  }
  FakeMachine failed;  // the version query itself failed
  EXPECT_FALSE(Start(failed));
}

TEST(StartMain, Windows7HappyPathInOrder) {
  FakeMachine m;
  Win7Profile(m);
  m.host.driveTypes["D:"] = kDriveFixed;
  m.files.traceQueries = false;
  ASSERT_TRUE(Start(m));
  EXPECT_EQ(m.form.caption, "Vestrand For Windows 7");
  EXPECT_EQ(m.form.GetText(Control::Text15), "D:\\Win7User");
  for (int k = 1; k <= kRowCount; ++k) {
    EXPECT_EQ(m.form.GetValue(CheckOf(k)), 1) << k;
    EXPECT_TRUE(m.form.State(CheckOf(k)).enabled) << k;
    EXPECT_TRUE(m.form.State(TextOf(k)).locked) << k;
    EXPECT_EQ(m.form.GetText(TextOf(k)), "C:\\Users\\Ann\\F" + std::to_string(k));
  }
  EXPECT_EQ(m.form.GetValue(Control::OptionMove), 1);
  EXPECT_EQ(m.form.GetValue(Control::CkLogoff), 1);  // untouched, ticked as designed
  EXPECT_EQ(m.form.GetText(Control::Check7), "联系人:");
  EXPECT_EQ(m.form.GetText(Control::Check14), "保存的游戏");
  // The window is shown before the captions and paths are filled in.
  const auto& t = m.trace;
  const auto show = std::find(t.begin(), t.end(), "Show()");
  const auto caption = std::find(t.begin(), t.end(), "SetCaption(Check7, 联系人:)");
  const auto firstPath = std::find(t.begin(), t.end(), "SetText(Text1, C:\\Users\\Ann\\F1)");
  ASSERT_NE(show, t.end());
  EXPECT_LT(show - t.begin(), caption - t.begin());
  EXPECT_LT(caption - t.begin(), firstPath - t.begin());
  EXPECT_EQ(t[0], "QueryOsVersion()");
  EXPECT_EQ(t[1], "GetDriveType(D:)");
}

TEST(StartMain, DefaultTargetRootNeedsAFixedD) {
  struct Case {
    std::uint32_t major, minor;
    unsigned driveType;
    const char* expected;
  };
  const Case cases[] = {
      {6, 1, 3, "D:\\Win7User"}, {6, 1, 5, ""}, {6, 1, 2, ""}, {6, 1, 1, ""},
      {5, 1, 3, "D:\\Personal"}, {5, 2, 4, ""},
  };
  for (const Case& c : cases) {
    FakeMachine m;
    m.host.SetVersion(c.major, c.minor);
    m.host.driveTypes["D:"] = c.driveType;
    ASSERT_TRUE(Start(m));
    EXPECT_EQ(m.form.GetText(Control::Text15), c.expected) << c.major << "." << c.minor << " " << c.driveType;
  }
}

TEST(StartMain, CaptionsPerFamily) {
  struct Case {
    std::uint32_t major, minor;
    const char* caption;
    const char* rows7to9[3];
  };
  const Case cases[] = {
      {6, 0, "Vestrand For Windows Vista", {"联系人:", "下载:", "链接:"}},
      {6, 2, "Vestrand For Windows 8", {"联系人:", "下载:", "链接:"}},
      {6, 3, "Vestrand For Windows NT", {"联系人:", "下载:", "链接:"}},
      {7, 0, "Vestrand For Windows NT", {"联系人:", "下载:", "链接:"}},
      {5, 1, "Vestrand For Windows XP", {"程序数据:", "最近文档:", "网页历史:"}},
      {5, 3, "Vestrand For Windows NT", {"程序数据:", "最近文档:", "网页历史:"}},
      {5, 10, "Vestrand For Windows NT", {"程序数据:", "最近文档:", "网页历史:"}},
  };
  for (const Case& c : cases) {
    FakeMachine m;
    m.host.SetVersion(c.major, c.minor);
    ASSERT_TRUE(Start(m));
    EXPECT_EQ(m.form.caption, c.caption);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(m.form.GetText(CheckOf(7 + i)), c.rows7to9[i]);
  }
}

TEST(StartMain, Nt6FallbackAndAvailability) {
  FakeMachine m;
  Win7Profile(m);
  // Row 2: only in Shell Folders -> falls back. Row 6 (TEMP): never falls back.
  m.registry.Set(kUsf, "Personal", "");
  m.registry.Set(kSf, "Personal", "C:\\Users\\Ann\\F2");
  m.registry.Set("Environment", "TEMP", "   ");
  m.registry.Set(kSf, "TEMP", "C:\\Users\\Ann\\F6");
  // Row 3: the registry names a folder that does not exist.
  m.registry.Set(kUsf, "Favorites", "C:\\Users\\Ann\\Gone");
  // Row 4: a file, not a folder.
  m.files.AddFile("C:\\Users\\Ann\\file.txt");
  m.registry.Set(kUsf, "Cache", "C:\\Users\\Ann\\file.txt");
  // Row 12: names a missing folder, but N only needs text. Row 13: empty in both keys.
  m.registry.Set(kUsf, "My Pictures", "C:\\Users\\Ann\\NoPictures");
  m.registry.Set(kUsf, "My Music", "");
  m.registry.Set(kSf, "My Music", "");
  ASSERT_TRUE(Start(m));

  struct Expect {
    int row;
    const char* text;
    int value;
    bool enabled;
  };
  const Expect expected[] = {
      {1, "C:\\Users\\Ann\\F1", 1, true},       {2, "C:\\Users\\Ann\\F2", 1, true},
      {3, "C:\\Users\\Ann\\Gone", 0, false},    {4, "C:\\Users\\Ann\\file.txt", 0, false},
      {6, "", 0, false},                        {12, "C:\\Users\\Ann\\NoPictures", 1, true},
      {13, "", 0, false},                       {14, "C:\\Users\\Ann\\F14", 1, true},
  };
  for (const Expect& e : expected) {
    EXPECT_EQ(m.form.GetText(TextOf(e.row)), e.text) << e.row;
    EXPECT_EQ(m.form.GetValue(CheckOf(e.row)), e.value) << e.row;
    EXPECT_EQ(m.form.State(CheckOf(e.row)).enabled, e.enabled) << e.row;
    EXPECT_TRUE(m.form.State(CheckOf(e.row)).visible) << e.row;  // nothing hidden on NT 6.x
  }
}

TEST(StartMain, Nt5TreatmentsPerLetter) {
  // Every row empty in User Shell Folders; Shell Folders answers for some.
  FakeMachine m;
  m.host.SetVersion(5, 1, 2600);
  m.registry.Set(kSf, "Desktop", "C:\\Documents and Settings\\u\\桌面");           // A
  m.registry.Set(kSf, "TEMP", "C:\\never read");                                    // B
  m.registry.Set(kSf, "{374DE290-123F-4565-9164-39C4925E467B}", "C:\\recent");    // C
  m.registry.Set(kSf, "My Music", "C:\\Documents and Settings\\u\\My Documents\\My Music");  // D
  m.registry.Set(kUsf, "Personal", "C:\\Documents and Settings\\u\\My Documents");  // present
  ASSERT_TRUE(Start(m));

  struct Expect {
    int row;
    const char* text;
    int value;
    bool checkEnabled, checkVisible, textVisible;
  };
  const Expect expected[] = {
      {1, "C:\\Documents and Settings\\u\\桌面", 0, true, true, true},      // A: cleared, filled
      {2, "C:\\Documents and Settings\\u\\My Documents", 1, true, true, true},  // read first time
      {3, "", 0, true, true, true},                                           // A, nothing to fall back on
      {6, "", 0, true, true, true},                                           // B: no fallback read
      {7, "", 0, false, false, false},                                        // C: hidden
      {8, "C:\\recent", 0, false, false, false},                              // C: hidden, filled
      {13, "C:\\Documents and Settings\\u\\My Documents\\My Music", 1, true, true, true},  // D
      {11, "", 1, true, true, true},                                          // D, still offered
  };
  for (const Expect& e : expected) {
    const auto& check = m.form.State(CheckOf(e.row));
    EXPECT_EQ(m.form.GetText(TextOf(e.row)), e.text) << e.row;
    EXPECT_EQ(check.value, e.value) << e.row;
    EXPECT_EQ(check.enabled, e.checkEnabled) << e.row;
    EXPECT_EQ(check.visible, e.checkVisible) << e.row;
    EXPECT_EQ(m.form.State(TextOf(e.row)).visible, e.textVisible) << e.row;
  }
}

TEST(StartMain, Nt5TreatsEachRowWholeBeforeTheNext) {
  FakeMachine m;
  m.host.SetVersion(5, 1, 2600);
  m.registry.traceReads = true;
  m.form.traceForm = true;
  ASSERT_TRUE(Start(m));
  const auto& t = m.trace;
  const auto at = [&](const std::string& s) {
    return std::find(t.begin(), t.end(), s) - t.begin();
  };
  // Row 7's hide and fallback read both come before row 8's first change.
  EXPECT_LT(at("SetVisible(Text7, 0)"),
            at("RegReadValue(" + std::string(kSf) + ", {56784854-C6CB-462B-8169-88E350ACB882})"));
  EXPECT_LT(at("RegReadValue(" + std::string(kSf) + ", {56784854-C6CB-462B-8169-88E350ACB882})"),
            at("SetValue(Check8, 0)"));
  // No fallback read for TEMP on NT 5.x, and no existence tests at all.
  EXPECT_EQ(at("RegReadValue(" + std::string(kSf) + ", TEMP)"), static_cast<long>(t.size()));
  for (const std::string& line : t) EXPECT_EQ(line.rfind("DirExists", 0), std::string::npos) << line;
}

TEST(StartMain, Nt6Row6NeverFallsBack) {
  FakeMachine m;
  m.host.SetVersion(6, 1);
  m.registry.traceReads = true;
  ASSERT_TRUE(Start(m));
  for (const std::string& line : m.trace) {
    EXPECT_NE(line, "RegReadValue(" + std::string(kSf) + ", TEMP)");
  }
  EXPECT_EQ(m.form.GetValue(Control::Check6), 0);
  EXPECT_FALSE(m.form.State(Control::Check6).enabled);
}

}  // namespace
}  // namespace vestrand
