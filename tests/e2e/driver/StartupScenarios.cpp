// Start-up of the real program under Wine: each test is one scenario, run by the harness
// on a freshly reset prefix with drive D: as the scenario's ctest registration says.
#include <gtest/gtest.h>

#include "e2e/driver/Driver.h"
#include "platform/Win32Text.h"
#include "relocation/FormFields.h"
#include "ui/MainWindowLayout.h"

namespace vestrand::e2e {
namespace {

void ExpectRowsFilledFromRegistry(const App& app) {
  for (const RowValue& row : RowValues()) {
    const std::string expected = Narrow(Expand(ReadValue(row.key, row.name)));
    EXPECT_EQ(app.Text(TextOf(row.row)), expected) << "row " << row.row;
    EXPECT_EQ(app.Text(TextOf(row.row)).find('%'), std::string::npos) << "row " << row.row;
  }
}

TEST(Startup, Windows7WithFixedD) {
  SetWineVersion(L"Vestrand.exe", L"win7");
  MakeWin7Profile();
  auto app = App::Launch();
  ASSERT_NE(app->Main(), nullptr);
  EXPECT_EQ(app->Caption(), "Vestrand For Windows 7");
  EXPECT_EQ(app->Text(Control::Text15), "D:\\Win7User");
  ExpectRowsFilledFromRegistry(*app);
  for (int k = 1; k <= kRowCount; ++k) {
    EXPECT_EQ(app->Check(CheckOf(k)), BST_CHECKED) << k;
    EXPECT_TRUE(app->Enabled(CheckOf(k))) << k;
    EXPECT_TRUE(app->Visible(CheckOf(k))) << k;
  }
  EXPECT_EQ(app->Text(Control::Check7), "联系人:");
  EXPECT_EQ(app->Text(Control::Check9), "链接:");
  EXPECT_EQ(app->Check(Control::OptionMove), BST_CHECKED);
  EXPECT_EQ(app->Check(Control::OptionCopy), BST_UNCHECKED);
  EXPECT_EQ(app->Check(Control::OptionDont), BST_UNCHECKED);
  EXPECT_EQ(app->Check(Control::CkLogoff), BST_CHECKED);

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

TEST(Startup, NoFixedDLeavesTargetEmpty) {
  SetWineVersion(L"Vestrand.exe", L"win7");
  MakeWin7Profile();
  auto app = App::Launch();
  ASSERT_NE(app->Main(), nullptr);
  EXPECT_EQ(app->Text(Control::Text15), "");
  EXPECT_EQ(app->Caption(), "Vestrand For Windows 7");
}

TEST(Startup, WindowsXpFamily) {
  SetWineVersion(L"Vestrand.exe", L"winxp");
  MakeXpProfile();
  auto app = App::Launch();
  ASSERT_NE(app->Main(), nullptr);
  EXPECT_EQ(app->Caption(), "Vestrand For Windows XP");
  EXPECT_EQ(app->Text(Control::Text15), "D:\\Personal");
  EXPECT_EQ(app->Text(Control::Check7), "程序数据:");
  EXPECT_EQ(app->Text(Control::Check8), "最近文档:");
  EXPECT_EQ(app->Text(Control::Check9), "网页历史:");
  // The known-folder rows have no values on XP: hidden, cleared, disabled.
  for (int k : {7, 8, 9, 10, 14}) {
    EXPECT_FALSE(app->Visible(CheckOf(k))) << k;
    EXPECT_FALSE(app->Visible(TextOf(k))) << k;
    EXPECT_EQ(app->Check(CheckOf(k)), BST_UNCHECKED) << k;
  }
  for (int k : {1, 2, 3, 4, 5, 6, 11, 12, 13}) {
    EXPECT_TRUE(app->Visible(CheckOf(k))) << k;
    EXPECT_EQ(app->Check(CheckOf(k)), BST_CHECKED) << k;
  }
  EXPECT_EQ(app->Text(Control::Text1), Narrow(Expand(L"%USERPROFILE%\\桌面")));
  EXPECT_EQ(app->Text(Control::Text13), Narrow(Expand(L"%USERPROFILE%\\My Documents\\My Music")));
}

// The rest of the NT 5.x family, each under its own caption.
struct Nt5Case {
  const char* name;
  const wchar_t* wineVersion;
  const char* caption;
};

class Nt5Versions : public ::testing::TestWithParam<Nt5Case> {};

TEST_P(Nt5Versions, Start) {
  SetWineVersion(L"Vestrand.exe", GetParam().wineVersion);
  MakeXpProfile();
  auto app = App::Launch();
  ASSERT_NE(app->Main(), nullptr);
  EXPECT_EQ(app->Caption(), GetParam().caption);
  EXPECT_EQ(app->Text(Control::Text15), "D:\\Personal");
}

// Windows XP x64 is version 5.2, as Windows 2003 is.
INSTANTIATE_TEST_SUITE_P(
    Each, Nt5Versions,
    ::testing::Values(Nt5Case{"win2000", L"win2k", "Vestrand For Windows 2000"},
                      Nt5Case{"win2003", L"win2003", "Vestrand For Windows 2003"},
                      Nt5Case{"xp64", L"winxp64", "Vestrand For Windows 2003"}),
    [](const ::testing::TestParamInfo<Nt5Case>& c) { return std::string(c.param.name); });

TEST(Startup, Windows81And10RunAsWindows8) {
  MakeWin7Profile();
  for (const wchar_t* version : {L"win8", L"win81", L"win10"}) {
    SetWineVersion(L"Vestrand.exe", version);
    auto app = App::Launch();
    ASSERT_NE(app->Main(), nullptr) << Narrow(version);
    EXPECT_EQ(app->Caption(), "Vestrand For Windows 8") << Narrow(version);
    EXPECT_EQ(app->Text(Control::Text15), "D:\\Win7User");
  }
}

TEST(Startup, VersionWithoutFamilyEndsSilently) {
  SetWineVersion(L"Vestrand.exe", L"nt40");
  auto app = App::Launch(0);
  ASSERT_TRUE(app->Running() || app->WaitForExit(0));
  EXPECT_TRUE(app->WaitForExit(15000));
  EXPECT_EQ(app->FindTopLevel(L"VestrandMainForm"), nullptr);
  EXPECT_EQ(app->ExitCode(), 0u);
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
  const DWORD five = 5;
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
  {
    UniqueHKey key;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kUserShellFolders, 0, KEY_SET_VALUE, key.put()), ERROR_SUCCESS);
    ::RegSetValueExW(key.get(), L"Cache", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&five), 4);
  }

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
