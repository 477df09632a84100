// Start-up and the window's events against the in-memory Windows: what the user sees, decided by tables.
#include <gtest/gtest.h>

#include "fake/FakeServices.h"
#include "relocation/FolderCatalogue.h"
#include "startup/StartMain.h"
#include "ui/MainWindowEvents.h"
#include "ui/MainWindowLayout.h"

namespace vestrand {
namespace {

using fake::FakeMachine;
using namespace fake::rows;

constexpr unsigned kDriveRemovable = 2, kDriveRemote = 4;  // as GetDriveType numbers them

bool Start(FakeMachine& m) {
  return StartMain(m.services, [&m]() -> MainForm& { return m.form; });
}

TEST(Startup, VersionDecidesCaptionTargetAndWhetherTheWindowComes) {
  struct Case {
    std::uint32_t major, minor;  // 0.0: the version query itself failed
    unsigned driveD;             // the type of drive D:
    const char* caption;         // nullptr: no window at all
    const char* target;          // the target proposed
  };
  const Case cases[] = {
      {5, 0, kDriveFixed, "Vestrand For Windows 2000", "D:\\Personal"},
      {5, 2, kDriveRemote, "Vestrand For Windows 2003", ""},
      {6, 0, kDriveFixed, "Vestrand For Windows Vista", "D:\\Win7User"},
      {6, 2, kDriveRemovable, "Vestrand For Windows 8", ""},
      {6, 3, kDriveFixed, "Vestrand For Windows NT", "D:\\Win7User"},
      {4, 0, kDriveFixed, nullptr, ""},
      {0, 0, kDriveFixed, nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
    FakeMachine m;
    if (c.major != 0) m.host.SetVersion(c.major, c.minor);
    m.host.driveTypes["D:"] = c.driveD;
    const bool started = Start(m);
    EXPECT_EQ(started, c.caption != nullptr);
    EXPECT_EQ(m.form.shown, started);
    if (!started) continue;
    EXPECT_EQ(m.form.caption, c.caption);
    EXPECT_EQ(m.form.GetText(Control::Text15), c.target);
    EXPECT_EQ(m.form.GetText(Control::Check7), c.major == 5 ? "程序数据:" : "联系人:");
    EXPECT_EQ(m.form.GetValue(Control::OptionMove), 1);
  }
}

TEST(Startup, EachRowShowsWhatTheRegistryHoldsAndOffersOnlySoundFolders) {
  enum Offer { kTicked, kUnticked, kDisabled, kHidden };  // a row not offered is unticked and disabled, or hidden
  struct Case {
    bool nt5;
    int row;
    const char* userShellFolders;  // the row's value there (TEMP for the temporary files)
    const char* shellFolders;
    bool folderExists;
    const char* shown;  // what the row's box shows
    Offer offered;
  };
  const Case cases[] = {
      {false, kDesktop, "C:\\U\\Desktop", "", true, "C:\\U\\Desktop", kTicked},
      {false, kDocuments, "C:\\U\\Docs", "", false, "C:\\U\\Docs", kDisabled},  // a folder that is gone
      {false, kFavorites, "", "C:\\U\\Fav", true, "C:\\U\\Fav", kTicked},       // read from Shell Folders
      {false, kTempRow, "", "C:\\U\\Temp", true, "", kDisabled},                // temporary files never fall back
      {false, kContacts, "", "C:\\U\\Contacts", true, "C:\\U\\Contacts", kTicked},
      {false, kVideos, "C:\\U\\Videos", "", false, "C:\\U\\Videos", kTicked},  // media: offered without a look
      {false, kDesktop, "Desktop", "", true, "Desktop", kDisabled},
      {false, kDesktop, "C:\\", "", true, "C:\\", kDisabled},
      {true, kDocuments, "", "C:\\U\\My Documents", true, "C:\\U\\My Documents", kUnticked},
      {true, kDownloads, "C:\\U\\Recent", "", true, "C:\\U\\Recent", kTicked},  // a value there: offered as it is
      {true, kDesktop, "Desktop", "", true, "Desktop", kDisabled},
      {true, kTempRow, "", "C:\\U\\Temp", true, "", kUnticked},
      {true, kDownloads, "", "C:\\U\\Recent", true, "C:\\U\\Recent", kHidden},
      {true, kMusic, "", "C:\\U\\My Music", true, "C:\\U\\My Music", kTicked},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.row) + (c.nt5 ? " NT 5.x " : " NT 6.x ") + c.userShellFolders);
    FakeMachine m;
    m.host.SetVersion(c.nt5 ? 5 : 6, 1);
    const FolderRow& r = CatalogueRow(c.row);
    m.registry.Set(ReadKeyOf(r), r.valueName, c.userShellFolders);
    m.registry.Set(kShellFoldersKey, r.valueName, c.shellFolders);
    if (c.folderExists) m.files.AddDirectory(std::string(c.userShellFolders) + c.shellFolders);
    ASSERT_TRUE(Start(m));
    const auto& box = m.form.State(TextOf(c.row));
    const auto& check = m.form.State(CheckOf(c.row));
    EXPECT_EQ(box.text, c.shown);
    EXPECT_EQ(check.value, c.offered == kTicked ? 1 : 0);
    EXPECT_EQ(check.enabled, c.offered == kTicked || c.offered == kUnticked);
    EXPECT_EQ(check.visible, c.offered != kHidden);
    EXPECT_EQ(box.visible, c.offered != kHidden);
    EXPECT_TRUE(box.locked);
  }
}

// A run ended by force is told of at the next start, once, before the window shows; a record whose run ended,
// or that was already told, is not.
TEST(Startup, ARunThatNeverEndedIsToldOfOnce) {
  const std::string underWay =
      std::string("\xEF\xBB\xBFVestrand 转移记录\r\n还原注册表: 双击 Vestrand-还原-1.reg,确认\r\n") +
      "状态: 转移进行中。如果本记录的最后一行不是“转移结束”,说明转移被中断了。\r\n" +
      "要转移的文件夹:\r\n  - 我的桌面\r\n  - 我的文档\r\n\r\n我的桌面\r\n" +
      "  原位置: C:\\U\\Desktop\r\n  正在转移到: D:\\W\\Desktop\r\n";
  struct Case {
    std::string record;  // what the record beside the moved desktop holds
    bool told;
  };
  const Case cases[] = {
      {underWay, true},
      {underWay + "  现位置: D:\\W\\Desktop\r\n  结果: 已移动到新位置\r\n\r\n转移结束。\r\n", false},
      {underWay + "(中断的转移已在下次启动时提示过)\r\n", false},
      {"\xEF\xBB\xBF一个同名的文本文件\r\n", false},
  };
  for (const Case& c : cases) {
    FakeMachine m;
    m.host.SetVersion(6, 1);
    m.registry.Set(kUserShellFoldersKey, "Desktop", "D:\\W\\Desktop");
    m.files.AddDirectory("D:\\W\\Desktop");
    m.files.AddFile("D:\\W\\Vestrand-记录-1.txt", c.record);
    m.onCall = [&m](const std::string& call) {
      if (call.rfind("MessageBox(", 0) == 0) { EXPECT_FALSE(m.form.shown) << "told before the window shows"; }
    };
    ASSERT_TRUE(Start(m));
    std::string told;
    for (const std::string& e : m.trace) told += e.rfind("MessageBox(", 0) == 0 ? e : "";
    EXPECT_EQ(!told.empty(), c.told) << c.record;
    if (!c.told) continue;
    for (const char* named : {"D:\\W\\Vestrand-记录-1.txt", "D:\\W\\Vestrand-还原-1.reg", "“C:\\U\\Desktop”",
                              "“D:\\W\\Desktop”", "注册表已经指向新位置", "我的文档", "友情提示:"}) {
      EXPECT_TRUE(fake::Has(told, named)) << named << " in " << told;
    }
    m.trace.clear();
    ASSERT_TRUE(Start(m));
    for (const std::string& e : m.trace) EXPECT_NE(e.rfind("MessageBox(", 0), 0u) << "told twice: " << e;
  }
}

const RunChoice kRuns{[](Services&, MainForm& f) { static_cast<FakeMachine&>(f).trace.push_back("NT5 run"); },
                      [](Services&, MainForm& f) { static_cast<FakeMachine&>(f).trace.push_back("NT6 run"); }};

TEST(Startup, EventsDoWhatTheControlPromises) {
  using E = FormEvent;
  const std::string kUntouched = "T";  // the target box as the user left it
  struct Case {
    Control control;
    E event;
    std::uint32_t major, minor;  // the Windows version at the moment of the event
    bool handled;
    std::string follows;      // what follows (a run, the notes, the web page, a command, a box); "": nothing
    std::string targetAfter;  // also what the folder picker answers
  };
  const Case cases[] = {
      {Control::Command1, E::Click, 5, 0, true, "NT5 run", kUntouched},
      {Control::Command1, E::Click, 6, 2, true, "NT6 run", kUntouched},
      {Control::Command1, E::Click, 6, 3, true, "", kUntouched},
      {Control::Label2, E::Click, 6, 1, true, "BrowseFolder(", "E:\\"},
      {Control::Label2, E::Click, 6, 1, true, "CenterMsgBox(恐怕您没有选择目标文件夹", kUntouched},
      {Control::Label3, E::Click, 6, 1, true, "ShowNotes()", kUntouched},
      {Control::Image1, E::Click, 6, 1, true, "OpenWebPage(https://vestrand.example/)", kUntouched},
      {Control::Text14, E::DoubleClick, 6, 1, true, "StartCommand(explorer.exe C:\\n, 1)", kUntouched},
      {Control::Text15, E::DoubleClick, 6, 1, true, "StartCommand(explorer.exe T, 1)", kUntouched},
      {Control::Label1, E::Click, 6, 1, false, "", kUntouched},
      {Control::Command1, E::DoubleClick, 6, 1, false, "", kUntouched},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("control " + std::to_string(static_cast<int>(c.control)) + " on " + std::to_string(c.major) + "." +
                 std::to_string(c.minor));
    FakeMachine m;
    m.host.SetVersion(c.major, c.minor);
    if (c.targetAfter != kUntouched) m.dialogs.browseAnswer = c.targetAfter;
    m.form.State(Control::Text15).text = kUntouched;
    m.form.State(Control::Text14).text = "C:\\n";
    EXPECT_EQ(HandleFormEvent(m.services, m.form, m, c.control, c.event, kRuns), c.handled);
    std::string seen;
    for (const std::string& e : m.trace) seen += e == "QueryOsVersion()" ? "" : e + "|";
    // What follows and nothing else: no box unless one is expected.
    EXPECT_TRUE(fake::Has(seen, c.follows)) << seen;
    EXPECT_EQ(seen.empty(), c.follows.empty()) << seen;
    EXPECT_EQ(fake::Has(seen, "CenterMsgBox"), fake::Has(c.follows, "CenterMsgBox")) << seen;
    EXPECT_EQ(m.form.GetText(Control::Text15), c.targetAfter);
  }
}

}  // namespace
}  // namespace vestrand
