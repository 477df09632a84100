// Start-up of the real program under Wine: each test is one scenario, run by the harness
// on a freshly reset prefix with drive D: as the scenario's ctest registration says.
#include <gtest/gtest.h>

#include <map>

#include "e2e/driver/Driver.h"
#include "platform/Win32Text.h"
#include "relocation/FormFields.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowLayout.h"

namespace vestrand::e2e {
namespace {

// Start-up on each Windows version Wine can report, against the profile of its family.
struct StartCase {
  const char* name;
  std::vector<const wchar_t*> versions;  // each started in turn
  bool xp;                               // the NT 5.x family, with XP's profile
  const char* caption;                   // none: the program must end silently
  const char* target;                    // proposed when D: is a fixed disk
  bool secondStart = false;              // then a second start must leave this one alone
};

class Startups : public ::testing::TestWithParam<StartCase> {};

TEST_P(Startups, Start) {
  const StartCase& c = GetParam();
  c.xp ? MakeXpProfile() : MakeWin7Profile();
  for (const wchar_t* version : c.versions) {
    SCOPED_TRACE(Narrow(version));
    SetWineVersion(L"Vestrand.exe", version);
    auto app = App::Launch(c.caption != nullptr ? 20000 : 0);
    if (c.caption == nullptr) {
      EXPECT_TRUE(app->WaitForExit(15000));
      EXPECT_EQ(app->FindTopLevel(kMainWindowClass), nullptr);
      EXPECT_EQ(app->ExitCode(), 0u);
      continue;
    }
    ASSERT_NE(app->Main(), nullptr);
    EXPECT_EQ(app->Caption(), c.caption);
    EXPECT_EQ(app->Text(Control::Text15), ::GetDriveTypeW(L"D:\\") == DRIVE_FIXED ? c.target : "");
    const std::map<int, std::string> captions =
        c.xp ? std::map<int, std::string>{{7, "程序数据:"}, {8, "最近文档:"}, {9, "网页历史:"}}
             : std::map<int, std::string>{{7, "联系人:"}, {9, "链接:"}};
    for (const auto& [row, text] : captions) EXPECT_EQ(app->Text(CheckOf(row)), text) << row;
    // Every row shows its folder, expanded; a row without a value (XP's known folders)
    // is hidden and cleared.
    for (const RowValue& row : RowValues()) {
      const std::string expected = Narrow(Expand(ReadValue(row.key, row.name)));
      EXPECT_EQ(app->Text(TextOf(row.row)), expected) << "row " << row.row;
      EXPECT_EQ(app->Check(CheckOf(row.row)), expected.empty() ? BST_UNCHECKED : BST_CHECKED) << row.row;
      EXPECT_EQ(app->Visible(CheckOf(row.row)), !expected.empty()) << row.row;
      EXPECT_EQ(app->Visible(TextOf(row.row)), !expected.empty()) << row.row;
      EXPECT_TRUE(expected.empty() || app->Enabled(CheckOf(row.row))) << row.row;
    }
    EXPECT_EQ(app->Check(Control::OptionMove), BST_CHECKED);
    EXPECT_EQ(app->Check(Control::OptionCopy), BST_UNCHECKED);
    EXPECT_EQ(app->Check(Control::OptionDont), BST_UNCHECKED);
    EXPECT_EQ(app->Check(Control::CkLogoff), BST_CHECKED);
    if (!c.secondStart) continue;
    // A second start while this one is open shows no window of its own and ends: one
    // Vestrand, its window to the front.
    auto second = App::Launch(3000);
    EXPECT_EQ(second->Main(), nullptr);
    ASSERT_TRUE(second->WaitForExit(10000)) << "a second Vestrand kept running";
    EXPECT_EQ(second->ExitCode(), 0u);
    EXPECT_TRUE(app->Running());
    EXPECT_EQ(ProcessesNamed(L"Vestrand.exe").size(), 1u);
    EXPECT_EQ(::GetForegroundWindow(), app->Main());
  }
}

// Windows XP x64 is version 5.2, as Windows 2003 is; Windows 8.1 and 10 tell a program
// without a manifest entry for them that they are Windows 8.
INSTANTIATE_TEST_SUITE_P(
    Each, Startups,
    ::testing::Values(StartCase{"win7", {L"win7"}, false, "Vestrand For Windows 7", "D:\\Win7User", true},
                      StartCase{"win8_81_10", {L"win8", L"win81", L"win10"}, false, "Vestrand For Windows 8",
                                "D:\\Win7User"},
                      StartCase{"xp", {L"winxp"}, true, "Vestrand For Windows XP", "D:\\Personal"},
                      StartCase{"win2000", {L"win2k"}, true, "Vestrand For Windows 2000", "D:\\Personal"},
                      StartCase{"win2003", {L"win2003"}, true, "Vestrand For Windows 2003", "D:\\Personal"},
                      StartCase{"xp64", {L"winxp64"}, true, "Vestrand For Windows 2003", "D:\\Personal"},
                      StartCase{"nt4", {L"nt40"}, false, nullptr, ""}),
    [](const ::testing::TestParamInfo<StartCase>& c) { return std::string(c.param.name); });

TEST(Startup, Windows7MissingFolderClearsItsRow) {
  SetWineVersion(L"Vestrand.exe", L"win7");
  MakeWin7Profile();
  const std::wstring favorites = Expand(ReadValue(kUserShellFolders, L"Favorites"));
  ASSERT_TRUE(RemoveTree(favorites));
  auto app = App::Launch();
  ASSERT_NE(app->Main(), nullptr);
  EXPECT_EQ(app->Text(Control::Text3), Narrow(favorites));  // path still shown
  EXPECT_EQ(app->Check(Control::Check3), BST_UNCHECKED);
  EXPECT_FALSE(app->Enabled(Control::Check3));
  EXPECT_TRUE(app->Visible(Control::Check3));
  EXPECT_EQ(app->Check(Control::Check2), BST_CHECKED);
  EXPECT_TRUE(app->Enabled(Control::Check2));
}

// Values a damaged or hand-edited profile may hold: the program starts, shows what it
// read, offers only rows it can relocate soundly, and a run writes no empty or
// relative location.
TEST(Startup, BadRegistryInputIsShownButNotOffered) {
  SetWineVersion(L"Vestrand.exe", L"win7");
  MakeWin7Profile();
  std::wstring overLong = Expand(L"%USERPROFILE%\\");
  while (overLong.size() < 1500) overLong += L"很长的文件夹名称\\";
  struct Bad {
    int row;
    const wchar_t* name;
    std::wstring data;
    DWORD type;
    std::string shown;
  };
  const std::vector<Bad> bad = {
      {1, L"Desktop", L"Desktop", REG_SZ, "Desktop"},
      {2, L"Personal", L"%NOSUCHVAR%\\Documents", REG_EXPAND_SZ, "%NOSUCHVAR%\\Documents"},
      {3, L"Favorites", L"", REG_SZ, ""},
      {5, L"Cookies", Expand(L"%USERPROFILE%\\Cookies\\"), REG_SZ, Narrow(Expand(L"%USERPROFILE%\\Cookies\\"))},
      {14, L"{4C5C32FF-BB9D-43B0-B5B4-2D72E54EAAA4}", overLong, REG_SZ, Narrow(overLong.substr(0, overLong.size() - 1))},
  };
  for (const Bad& b : bad) {
    SetValue(kUserShellFolders, b.name, b.data, b.type);
    SetValue(kShellFolders, b.name, b.data, REG_SZ);
  }
  CreateDirectories(Expand(L"%USERPROFILE%\\Cookies"));
  SetDword(kUserShellFolders, L"Cache", 5);

  auto app = App::Launch();
  ASSERT_NE(app->Main(), nullptr);
  EXPECT_EQ(app->Text(Control::Text4), "5");
  for (const Bad& b : bad) {
    if (b.row == 14) continue;  // trimmed by the read; checked below
    EXPECT_EQ(app->Text(TextOf(b.row)), b.shown) << b.row;
  }
  EXPECT_EQ(app->Text(Control::Text14).size(), Narrow(overLong).size());
  for (int k : {1, 2, 3, 4, 5, 14}) {
    EXPECT_EQ(app->Check(CheckOf(k)), BST_UNCHECKED) << k;
    EXPECT_FALSE(app->Enabled(CheckOf(k))) << k;
  }
  EXPECT_EQ(app->Check(Control::Check6), BST_CHECKED);

  // Run anyway (move mode, no log-off): the bad rows' values stay as they were, and
  // every value written is an absolute path.
  app->PostClick(Control::CkLogoff);
  ASSERT_TRUE(WaitUntil(5000, [&] { return app->Check(Control::CkLogoff) == BST_UNCHECKED; }));
  app->PostClick(Control::Command1);
  ASSERT_TRUE(app->WaitForExit(120000));
  for (const Bad& b : bad) {
    EXPECT_EQ(ReadValue(kUserShellFolders, b.name), b.data) << b.row;
  }
  for (const RowValue& row : RowValues()) {
    for (const wchar_t* key : {kShellFolders, kUserShellFolders}) {
      if (row.key == kEnvironment && key == kShellFolders) continue;
      const std::wstring value = ReadValue(row.key == kEnvironment ? kEnvironment : key, row.name);
      if (row.row == 1 || row.row == 2 || row.row == 3 || row.row == 4 || row.row == 5 || row.row == 14) continue;
      EXPECT_TRUE(value.size() > 3 && value[1] == L':' && value[2] == L'\\') << row.row << " " << Narrow(value);
    }
  }
  for (DWORD pid : ProcessesNamed(L"explorer.exe")) {
    for (const ProcessEntry& p : Processes()) {
      if (p.pid == pid && p.parent == app->ProcessId()) EndProcess(pid);
    }
  }
}


// A pictures folder that vanished after the registry named it is still offered (its
// row only needs a path); after the run the registry must name a folder that exists.
TEST(Startup, VanishedFolderStillEndsOnARealFolder) {
  SetWineVersion(L"Vestrand.exe", L"win7");
  MakeWin7Profile();
  const std::wstring pictures = Expand(ReadValue(kUserShellFolders, L"My Pictures"));
  ASSERT_TRUE(RemoveTree(pictures));
  auto app = App::Launch();
  ASSERT_NE(app->Main(), nullptr);
  EXPECT_EQ(app->Check(Control::Check12), BST_CHECKED);
  app->PostClick(Control::CkLogoff);
  ASSERT_TRUE(WaitUntil(5000, [&] { return app->Check(Control::CkLogoff) == BST_UNCHECKED; }));
  app->PostClick(Control::Command1);
  ASSERT_TRUE(app->WaitForExit(120000));
  for (const RowValue& row : RowValues()) {
    const std::wstring value = ReadValue(row.key == kEnvironment ? kEnvironment : kUserShellFolders, row.name);
    EXPECT_TRUE(IsDirectory(value)) << row.row << " names " << Narrow(value);
  }
  EXPECT_EQ(ReadValue(kUserShellFolders, L"My Pictures"), L"D:\\Win7User\\Pictures");
  for (const ProcessEntry& p : Processes()) {
    if (::lstrcmpiW(p.exe.c_str(), L"explorer.exe") == 0 && p.parent == app->ProcessId()) EndProcess(p.pid);
  }
}

}  // namespace
}  // namespace vestrand::e2e
