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

bool Start(FakeMachine& m) { return StartMain(m.services, [&m]() -> MainForm& { return m.form; }); }

TEST(Startup, VersionDecidesCaptionTargetAndWhetherTheWindowComes) {
  // version, the type of drive D:, the caption (nullptr: no window at all), the target proposed
  const std::tuple<std::uint32_t, std::uint32_t, unsigned, const char*, const char*> cases[] = {
      {5, 0, 3, "Vestrand For Windows 2000", "D:\\Personal"},
      {5, 2, 4, "Vestrand For Windows 2003", ""},
      {6, 0, 3, "Vestrand For Windows Vista", "D:\\Win7User"},
      {6, 2, 2, "Vestrand For Windows 8", ""},
      {6, 3, 3, "Vestrand For Windows NT", "D:\\Win7User"},
      {4, 0, 3, nullptr, ""},
      {0, 0, 3, nullptr, ""},  // the version query itself failed
  };
  for (const auto& [major, minor, driveD, caption, target] : cases) {
    FakeMachine m;
    if (major != 0) m.host.SetVersion(major, minor);
    m.host.driveTypes["D:"] = driveD;
    const bool started = Start(m);
    EXPECT_TRUE(started == (caption != nullptr) && m.form.shown == started) << major << minor;
    if (!started) continue;
    EXPECT_EQ(m.form.caption + "|" + m.form.GetText(Control::Text15) + "|" + m.form.GetText(Control::Check7),
              std::string(caption) + "|" + target + (major == 5 ? "|程序数据:" : "|联系人:"));
    EXPECT_EQ(m.form.GetValue(Control::OptionMove), 1);
  }
}

TEST(Startup, EachRowShowsWhatTheRegistryHoldsAndOffersOnlySoundFolders) {
  // On XP?, row, value under User Shell Folders (TEMP for row 6), under Shell Folders, folder
  // there?, what the row shows, how its tick is offered (a row that cannot be offered is
  // unticked and disabled; a row the system does not have is hidden too, with its box).
  const std::tuple<bool, int, const char*, const char*, bool, const char*, const char*> cases[] = {
      {false, 1, "C:\\U\\Desktop", "", true, "C:\\U\\Desktop", "ticked"},
      {false, 2, "C:\\U\\Docs", "", false, "C:\\U\\Docs", "unticked disabled"},  // a folder that is gone
      {false, 3, "", "C:\\U\\Fav", true, "C:\\U\\Fav", "ticked"},  // read from Shell Folders
      {false, 6, "", "C:\\U\\Temp", true, "", "unticked disabled"},  // temporary files never fall back
      {false, 7, "", "C:\\U\\Contacts", true, "C:\\U\\Contacts", "ticked"},
      {false, 11, "C:\\U\\Videos", "", false, "C:\\U\\Videos", "ticked"},  // media: offered without a look
      {false, 1, "Desktop", "", true, "Desktop", "unticked disabled"},
      {false, 1, "C:\\", "", true, "C:\\", "unticked disabled"},
      {true, 2, "", "C:\\U\\My Documents", true, "C:\\U\\My Documents", "unticked"},
      {true, 6, "", "C:\\U\\Temp", true, "", "unticked"},
      {true, 8, "", "C:\\U\\Recent", true, "C:\\U\\Recent", "unticked disabled hidden"},
      {true, 13, "", "C:\\U\\My Music", true, "C:\\U\\My Music", "ticked"},
  };
  for (const auto& [nt5, row, userShellFolders, shellFolders, exists, shown, offered] : cases) {
    FakeMachine m;
    m.host.SetVersion(nt5 ? 5 : 6, 1);
    const FolderRow& r = CatalogueRow(row);
    m.registry.Set(ReadKeyOf(r), r.valueName, userShellFolders);
    m.registry.Set(kShellFoldersKey, r.valueName, shellFolders);
    if (exists) m.files.AddDirectory(std::string(userShellFolders) + shellFolders);
    ASSERT_TRUE(Start(m));
    const auto& box = m.form.State(TextOf(row));
    const auto& check = m.form.State(CheckOf(row));
    const std::string state = std::string(check.value == 1 ? "ticked" : "unticked") +
                              (check.enabled ? "" : " disabled") + (check.visible || box.visible ? "" : " hidden");
    EXPECT_EQ(box.text + "|" + state, std::string(shown) + "|" + offered) << row << userShellFolders;
    EXPECT_TRUE(box.locked);
  }
}

// A run ended by force is told of at the next start, once, before the window shows; a record whose run ended,
// or that was already told, is not.
TEST(Startup, ARunThatNeverEndedIsToldOfOnce) {
  const std::string underWay = std::string("\xEF\xBB\xBFVestrand 转移记录\r\n还原注册表: 双击 Vestrand-还原-1.reg,确认\r\n") +
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
      if (call.rfind("MessageBox(", 0) == 0) {
        EXPECT_FALSE(m.form.shown) << "told before the window shows";
      }
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
  // control, event, version (61: 6.1), handled, what follows (runs, notes, web page, commands,
  // boxes), target after (also what the folder picker answers)
  const std::tuple<Control, E, unsigned, bool, const char*, const char*> cases[] = {
      {Control::Command1, E::Click, 50, true, "NT5 run", "T"},
      {Control::Command1, E::Click, 52, true, "NT5 run", "T"},
      {Control::Command1, E::Click, 62, true, "NT6 run", "T"},
      {Control::Command1, E::Click, 63, true, "", "T"},
      {Control::Label2, E::Click, 61, true, "BrowseFolder(", "E:\\"},
      {Control::Label2, E::Click, 61, true, "CenterMsgBox(恐怕您没有选择目标文件夹", "T"},
      {Control::Label3, E::Click, 61, true, "ShowNotes()", "T"},
      {Control::Image1, E::Click, 61, true, "OpenWebPage(https://vestrand.example/)", "T"},
      {Control::Text14, E::DoubleClick, 61, true, "StartCommand(explorer.exe C:\\n, 1)", "T"},
      {Control::Text15, E::DoubleClick, 61, true, "StartCommand(explorer.exe T, 1)", "T"},
      {Control::Label1, E::Click, 61, false, "", "T"},
      {Control::Command1, E::DoubleClick, 61, false, "", "T"},
  };
  for (const auto& [control, event, version, handled, follows, target] : cases) {
    SCOPED_TRACE(LayoutOf(control).name + (" " + std::to_string(version)));
    FakeMachine m;
    m.host.SetVersion(version / 10, version % 10);
    if (std::string(target) != "T") m.dialogs.browseAnswer = target;
    m.form.State(Control::Text15).text = "T";
    m.form.State(Control::Text14).text = "C:\\n";
    EXPECT_EQ(HandleFormEvent(m.services, m.form, m, control, event, kRuns), handled);
    std::string seen;
    for (const std::string& e : m.trace) seen += e == "QueryOsVersion()" ? "" : e + "|";
    // What follows and nothing else: no box unless one is expected.
    EXPECT_TRUE(fake::Has(seen, follows) && seen.empty() == (*follows == '\0')) << seen;
    EXPECT_EQ(fake::Has(seen, "CenterMsgBox"), fake::Has(follows, "CenterMsgBox")) << seen;
    EXPECT_EQ(m.form.GetText(Control::Text15), target);
  }
}

}  // namespace
}  // namespace vestrand
