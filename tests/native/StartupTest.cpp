// Start-up and the window's events against the in-memory Windows: what the user sees in
// the window, decided by tables.
#include <gtest/gtest.h>

#include "fake/FakeServices.h"
#include "relocation/FolderCatalogue.h"
#include "platform/OsVersion.h"
#include "startup/StartMain.h"
#include "ui/MainWindowEvents.h"
#include "ui/MainWindowLayout.h"

namespace vestrand {
namespace {

using fake::FakeMachine;

bool Start(FakeMachine& m) { return StartMain(m.services, [&m]() -> MainForm& { return m.form; }); }

TEST(Startup, VersionDecidesCaptionTargetAndWhetherTheWindowComes) {
  struct Case {
    std::uint32_t major, minor, build;
    unsigned driveD;
    const char* caption;  // nullptr: no window at all
    const char* target;
  };
  const Case cases[] = {
      {5, 0, 2195, 3, "Vestrand For Windows 2000", "D:\\Personal"},
      {5, 1, 2600, 3, "Vestrand For Windows XP", "D:\\Personal"},
      {5, 2, 3790, 4, "Vestrand For Windows 2003", ""},
      {6, 0, 6002, 3, "Vestrand For Windows Vista", "D:\\Win7User"},
      {6, 1, 7601, 5, "Vestrand For Windows 7", ""},
      {6, 2, 9200, 2, "Vestrand For Windows 8", ""},
      {6, 3, 9600, 3, "Vestrand For Windows NT", "D:\\Win7User"},
      {4, 0, 1381, 3, nullptr, ""},
  };
  for (const Case& c : cases) {
    FakeMachine m;
    m.host.SetVersion(c.major, c.minor, c.build | 0x05000000u);
    m.host.driveTypes["D:"] = c.driveD;
    bool created = false;
    const bool started = StartMain(m.services, [&]() -> MainForm& { created = true; return m.form; });
    EXPECT_EQ(started, c.caption != nullptr) << c.major << "." << c.minor;
    EXPECT_EQ(created, started);
    if (!started) continue;
    EXPECT_EQ(m.form.caption, c.caption);
    EXPECT_TRUE(m.form.shown);
    EXPECT_EQ(m.form.GetText(Control::Text15), c.target);
    EXPECT_EQ(m.form.GetValue(Control::OptionMove) - m.form.GetValue(Control::OptionCopy), 1);
    EXPECT_EQ(m.form.GetText(Control::Check7), c.major == 5 ? "程序数据:" : "联系人:");
    EXPECT_EQ(m.form.GetText(Control::Check9), c.major == 5 ? "网页历史:" : "链接:");
  }
  FakeMachine failed;  // the version query itself failed
  EXPECT_FALSE(Start(failed));
}

// One row of the window per case: what the registry and the disk hold, and what the row
// then shows and offers.
TEST(Startup, EachRowShowsWhatTheRegistryHoldsAndOffersOnlySoundFolders) {
  struct Case {
    const char* what;
    bool nt5;
    int row;
    const char* userShellFolders;  // the first read (TEMP for row 6)
    const char* shellFolders;      // the fallback
    bool folderExists;
    const char* shown;
    int tick;
    bool enabled, visible;
  };
  const Case cases[] = {
      {"Windows 7, a folder that exists", false, 1, "C:\\U\\Desktop", "", true, "C:\\U\\Desktop", 1, true, true},
      {"Windows 7, a folder that is gone", false, 2, "C:\\U\\Docs", "", false, "C:\\U\\Docs", 0, false, true},
      {"Windows 7, empty value read from Shell Folders", false, 3, "", "C:\\U\\Fav", true, "C:\\U\\Fav", 1, true, true},
      {"Windows 7, temporary files never fall back", false, 6, "", "C:\\U\\Temp", true, "", 0, false, true},
      {"Windows 7, media folder offered without a look", false, 12, "C:\\U\\Pics", "", false, "C:\\U\\Pics", 1, true, true},
      {"Windows 7, a relative path", false, 1, "Desktop", "", true, "Desktop", 0, false, true},
      {"Windows 7, a bare drive root", false, 1, "C:\\", "", true, "C:\\", 0, false, true},
      {"Windows 7, a share", false, 1, "\\\\server\\share\\Desktop", "", true, "\\\\server\\share\\Desktop", 1, true, true},
      {"XP, a folder", true, 1, "C:\\U\\桌面", "", true, "C:\\U\\桌面", 1, true, true},
      {"XP, empty ordinary row reads Shell Folders, unticked", true, 2, "", "C:\\U\\My Documents", true,
       "C:\\U\\My Documents", 0, true, true},
      {"XP, empty temporary files, unticked", true, 6, "", "C:\\U\\Temp", true, "", 0, true, true},
      {"XP, empty newer row hidden", true, 8, "", "C:\\U\\Recent", true, "C:\\U\\Recent", 0, false, false},
      {"XP, empty media row reads Shell Folders, ticked", true, 13, "", "C:\\U\\My Music", true, "C:\\U\\My Music", 1,
       true, true},
      {"XP, a relative path", true, 3, "Favorites", "", true, "Favorites", 0, false, true},
  };
  for (const Case& c : cases) {
    FakeMachine m;
    m.host.SetVersion(c.nt5 ? 5 : 6, 1);
    const FolderRow& r = CatalogueRow(c.row);
    m.registry.Set(ReadKeyOf(r), r.valueName, c.userShellFolders);
    m.registry.Set(kShellFoldersKey, r.valueName, c.shellFolders);
    if (c.folderExists) m.files.AddDirectory(std::string(c.userShellFolders) + c.shellFolders);
    ASSERT_TRUE(Start(m));
    const auto& box = m.form.State(TextOf(c.row));
    const auto& check = m.form.State(CheckOf(c.row));
    EXPECT_EQ(std::make_tuple(box.text, box.locked, check.value, check.enabled, check.visible && box.visible),
              std::make_tuple(std::string(c.shown), true, c.tick, c.enabled, c.visible)) << c.what;
  }
}

fake::Trace* g_trace = nullptr;  // where the stand-ins for the runs and the links note what they did
struct Links final : MainWindowLinks {
  void ShowNotes() override { g_trace->push_back("notes"); }
  void OpenWebPage(const std::string& address) override { g_trace->push_back(address); }
};
const RunChoice kRuns{[](Services&, MainForm&) { g_trace->push_back("NT5 run"); },
                      [](Services&, MainForm&) { g_trace->push_back("NT6 run"); }};

// What each control does when it is clicked or double-clicked.
TEST(Startup, EventsDoWhatTheControlPromises) {
  using E = FormEvent;
  // control, event, version, the picker's answer, handled, what follows (runs, notes, web page, commands, boxes), target after
  const std::tuple<Control, E, std::uint32_t, std::uint32_t, const char*, bool, const char*, const char*> cases[] = {
      {Control::Command1, E::Click, 5, 2, "", true, "NT5 run", "T"},
      {Control::Command1, E::Click, 6, 2, "", true, "NT6 run", "T"},
      {Control::Command1, E::Click, 6, 3, "", true, "", "T"},
      {Control::Command1, E::Click, 10, 0, "", true, "", "T"},
      {Control::Label2, E::Click, 6, 1, "E:\\", true, "BrowseFolder(", "E:\\"},
      {Control::Label2, E::Click, 6, 1, "", true, "CenterMsgBox(恐怕您没有选择目标文件夹", "T"},
      {Control::Label3, E::Click, 6, 1, "", true, "notes", "T"},
      {Control::Image1, E::Click, 6, 1, "", true, "https://vestrand.example/", "T"},
      {Control::Text14, E::DoubleClick, 6, 1, "", true, "StartCommand(explorer.exe C:\\n, 1)", "T"},
      {Control::Text15, E::DoubleClick, 6, 1, "", true, "StartCommand(explorer.exe T, 1)", "T"},
      {Control::Check1, E::DoubleClick, 6, 1, "", false, "", "T"},
      {Control::Label1, E::Click, 6, 1, "", false, "", "T"},
      {Control::Command1, E::DoubleClick, 6, 1, "", false, "", "T"},
  };
  for (const auto& [control, event, major, minor, browse, handled, follows, target] : cases) {
    FakeMachine m;
    m.host.SetVersion(major, minor);
    if (*browse != '\0') m.dialogs.browseResults = {browse};
    m.form.State(Control::Text15).text = "T";
    for (int k = 1; k <= kRowCount; ++k) m.form.State(TextOf(k)).text = std::string("C:\\") + char('a' + k - 1);
    Links links;
    g_trace = &m.trace;
    const std::string name = std::string(LayoutOf(control).name) + " " + std::to_string(major) + "." + std::to_string(minor);
    m.trace.clear();
    EXPECT_EQ(HandleFormEvent(m.services, m.form, links, control, event, kRuns), handled) << name;
    std::string seen;
    for (const std::string& e : m.trace) seen += e == "QueryOsVersion()" ? "" : e + "|";
    EXPECT_NE(seen.find(follows), std::string::npos) << name << ": " << seen;
    EXPECT_EQ(seen.empty(), *follows == '\0') << name << ": " << seen;
    EXPECT_EQ(seen.find("CenterMsgBox") == std::string::npos, std::string(follows).find("CenterMsgBox") == std::string::npos);
    EXPECT_EQ(m.form.GetText(Control::Text15), target) << name;
  }
}

}  // namespace
}  // namespace vestrand
