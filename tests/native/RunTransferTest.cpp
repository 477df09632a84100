#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fake/FakeServices.h"
#include "relocation/FolderCatalogue.h"
#include "relocation/PathRules.h"
#include "relocation/RunTransfer.h"

namespace vestrand {
namespace {

using fake::FakeMachine;
using fake::Trace;

const std::string kUsf = kUserShellFoldersKey;
const std::string kSf = kShellFoldersKey;
const std::string kEnv = kEnvironmentKey;
const std::string kXp = "C:\\Documents and Settings\\user";
const std::string kWin7 = "C:\\Users\\Ann";
const char* const kPicker = "BrowseFolder(先选择好将要转到文件夹的路径：, C:\\Program Files\\Vestrand)";
const char* const kCancelHint = "MessageBox(恐怕您没有选择目标文件夹哟,消息框要长才显眼!, 64, 友情提示:)";
const char* const kTaskkill = "StartCommand(taskkill.exe /f /im explorer.exe, 2)";
const char* const kExplorer = "StartCommand(explorer.exe, 2)";
const char* const kErrorBox = "MessageBox(Error, 16, (default))";

enum class Family { NT5, NT6 };

void StartRun(FakeMachine& m, Family family) {
  m.trace.clear();
  if (family == Family::NT5) {
    RunTransferNT5(m.services, m.form);
  } else {
    RunTransferNT6(m.services, m.form);
  }
}

// Form state is set directly, so that the trace holds only what the run does. The
// registry names the folder as start-up found it.
void SetRow(FakeMachine& m, int row, const std::string& path, int tick) {
  m.form.State(TextOf(row)).text = path;
  m.form.State(CheckOf(row)).value = tick;
  const FolderRow& r = CatalogueRow(row);
  if (path.empty()) return;
  m.registry.Set(r.firstWriteKey, r.valueName, path);
  m.registry.Set(r.secondWriteKey, r.secondValueName, path);
}

void SetMode(FakeMachine& m, Control option) {
  for (Control c : {Control::OptionCopy, Control::OptionMove, Control::OptionDont}) {
    m.form.State(c).value = c == option ? 1 : 0;
  }
}

void Prepare(FakeMachine& m, const std::string& target, Control mode = Control::OptionMove,
             int logoff = 0) {
  m.form.State(Control::Text15).text = target;
  SetMode(m, mode);
  m.form.State(Control::CkLogoff).value = logoff;
  m.files.drives.insert("D:");
}

// The Windows XP default: music, pictures and videos inside My Documents; rows 7 to 10
// and 14 hidden with empty boxes. Every folder holds files; the desktop a desktop.ini.
void XpProfile(FakeMachine& m, const std::set<int>& ticked) {
  const std::map<int, std::string> rows = {
      {1, "\\桌面"},
      {2, "\\My Documents"},
      {3, "\\Favorites"},
      {4, "\\Local Settings\\Temporary Internet Files"},
      {5, "\\Cookies"},
      {6, "\\Local Settings\\Temp"},
      {11, "\\My Documents\\My Videos"},
      {12, "\\My Documents\\My Pictures"},
      {13, "\\My Documents\\My Music"},
  };
  for (int k = 1; k <= kRowCount; ++k) {
    const auto it = rows.find(k);
    const std::string path = it == rows.end() ? "" : kXp + it->second;
    SetRow(m, k, path, ticked.count(k) ? 1 : 0);
    if (path.empty()) continue;
    m.files.AddFile(path + "\\第 " + std::to_string(k) + " 号.txt", "row " + std::to_string(k));
    m.files.AddFile(path + "\\sub dir\\深\\a.bin", "deep " + std::to_string(k));
  }
  m.files.AddFile(kXp + "\\桌面\\Desktop.ini", "[.ShellClassInfo]");
}

void Win7Profile(FakeMachine& m, const std::set<int>& ticked) {
  const char* names[kRowCount] = {"Desktop", "Documents", "Favorites", "AppData\\Local\\INetCache",
                                  "AppData\\Roaming\\INetCookies", "AppData\\Local\\Temp",
                                  "Contacts", "Downloads", "Links", "Searches", "Videos",
                                  "Pictures", "Music", "Saved Games"};
  for (int k = 1; k <= kRowCount; ++k) {
    const std::string path = kWin7 + "\\" + names[k - 1];
    SetRow(m, k, path, ticked.count(k) ? 1 : 0);
    m.files.AddFile(path + "\\file " + std::to_string(k) + ".txt", "row " + std::to_string(k));
  }
  m.files.AddFile(kWin7 + "\\Desktop\\desktop.ini", "[.ShellClassInfo]");
}

std::string Reg(const FakeMachine& m, const std::string& key, const std::string& name) {
  const fake::StoredValue* v = m.registry.Find(key, name);
  return v == nullptr ? "<none>" : v->text;
}

std::string NoTrailingBackslash(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

// Files below a folder: path below it ("\\a\\b.txt") -> content.
std::map<std::string, std::string> FilesUnder(const FakeMachine& m, const std::string& folder) {
  const std::string base = NoTrailingBackslash(folder);
  std::map<std::string, std::string> files;
  for (const std::string& path : m.files.ListUnder(base)) {
    const std::string below = path.substr(base.size());
    if (below.rfind("\\Vestrand-", 0) == 0) continue;  // the run's own undo file and record
    if (!m.files.IsDirectory(path)) files[below] = m.files.Content(path);
  }
  return files;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::size_t Count(const Trace& t, const std::string& entry) {
  return static_cast<std::size_t>(std::count(t.begin(), t.end(), entry));
}

std::ptrdiff_t IndexOf(const Trace& t, const std::string& entry) {
  const auto it = std::find(t.begin(), t.end(), entry);
  return it == t.end() ? -1 : it - t.begin();
}

bool Mentions(const Trace& t, const std::string& prefix, const std::string& text) {
  return std::any_of(t.begin(), t.end(), [&](const std::string& e) {
    return e.compare(0, prefix.size(), prefix) == 0 && e.find(text) != std::string::npos;
  });
}

std::string Write(const std::string& key, const std::string& name, const std::string& value) {
  return "RegWriteValue(" + key + ", " + name + ", " + value + ", 1)";
}

TEST(RunTransfer, Nt5ExampleIsTheExactTrace) {
  FakeMachine m;
  XpProfile(m, {1});
  Prepare(m, "D:\\Personal");
  StartRun(m, Family::NT5);

  Trace expected;
  for (int k = 1; k <= kRowCount; ++k) expected.push_back("DirExists(" + m.form.GetText(TextOf(k)) + ")");
  const std::string desktop = kXp + "\\桌面";
  const Trace rest = {
      "DirExists(D:\\Personal)",
      "DirExists(D:\\)",
      "ShowWaitCursor(1)",
      "DirExists(D:\\Personal\\桌面)",  // would a file there be replaced?
      "ShowWaitCursor(0)",
      "MoveWindowTo(0, 0)",
      "SetWindowEnabled(0)",
      "QueryOsVersion()",
      "MakeDirectory(D:\\Personal)",
      "DirExists(D:\\Personal)",  // made sure before anything is changed
      "ProtectPrivateFolder(D:\\Personal)",  // before any file arrives in it
      "WriteNewFile(D:\\Personal\\Vestrand-还原-20261206-153000.reg)",
      kTaskkill,
      "Sleep(1000)",
      Write(kSf, "Desktop", "D:\\Personal\\桌面"),
      Write(kUsf, "Desktop", "D:\\Personal\\桌面"),
      "ShellMoveFiles(" + desktop + ", D:\\Personal)",
      "DirExists(D:\\Personal\\桌面)",  // the registry must name a folder that exists
      "DirExists(" + desktop + ")",        // and no file may stay behind unnamed
      "WriteNewFile(D:\\Personal\\Vestrand-记录-20261206-153000.txt)",
      kExplorer,
      "SetWindowEnabled(1)",
      "MoveWindowTo(1050, 0)",
      "EndProgram()",
  };
  expected.insert(expected.end(), rest.begin(), rest.end());
  EXPECT_EQ(m.trace, expected);
  EXPECT_EQ(m.files.Content("D:\\Personal\\桌面\\Desktop.ini"), "[.ShellClassInfo]");
  EXPECT_FALSE(m.files.Exists(desktop));
  EXPECT_EQ(m.form.GetText(Control::Text15), "D:\\Personal");
}

TEST(RunTransfer, Nt6TraceUsesFolderNamesWithoutLookingFirst) {
  FakeMachine m;
  Win7Profile(m, {1, 11});
  Prepare(m, "D:\\Win7User\\", Control::OptionCopy, 1);
  m.files.AddDirectory("D:\\Win7User");
  StartRun(m, Family::NT6);
  const Trace expected = {
      "DirExists(D:\\Win7User)",
      "ShowWaitCursor(1)",
      "DirExists(D:\\Win7User\\Desktop)",
      "DirExists(D:\\Win7User\\Videos)",
      "ShowWaitCursor(0)",
      "MoveWindowTo(0, 0)",
      "SetWindowEnabled(0)",
      "QueryOsVersion()",
      "WriteNewFile(D:\\Win7User\\Vestrand-还原-20261206-153000.reg)",
      kTaskkill,
      "Sleep(1000)",
      Write(kSf, "Desktop", "D:\\Win7User\\Desktop"),
      Write(kUsf, "Desktop", "D:\\Win7User\\Desktop"),
      "ShellCopyFiles(" + kWin7 + "\\Desktop, D:\\Win7User)",
      "DirExists(D:\\Win7User\\Desktop)",
      Write(kSf, "My Video", "D:\\Win7User\\Videos"),
      Write(kUsf, "My Video", "D:\\Win7User\\Videos"),
      "ShellCopyFiles(" + kWin7 + "\\Videos, D:\\Win7User)",
      "DirExists(D:\\Win7User\\Videos)",
      "WriteNewFile(D:\\Win7User\\Vestrand-记录-20261206-153000.txt)",
      kExplorer,
      "SetWindowEnabled(1)",
      "MoveWindowTo(1050, 0)",
      "SysLogoff()",
      "EndProgram()",
  };
  EXPECT_EQ(m.trace, expected);
  EXPECT_EQ(FilesUnder(m, "D:\\Win7User\\Videos"), FilesUnder(m, kWin7 + "\\Videos"));
}

TEST(RunTransfer, TargetRootLosesOneTrailingBackslash) {
  struct Case {
    const char* typed;
    const char* root;         // the shell's destination
    const char* newLocation;  // written to the registry
    const char* onDisk;       // where the folder then is
  };
  const Case cases[] = {
      {"D:\\Personal", "D:\\Personal", "D:\\Personal\\Desktop", "D:\\Personal\\Desktop"},
      {"D:\\Personal\\", "D:\\Personal", "D:\\Personal\\Desktop", "D:\\Personal\\Desktop"},
      {"D:\\Personal\\\\", "D:\\Personal\\", "D:\\Personal\\\\Desktop", "D:\\Personal\\Desktop"},
      {"D:\\", "D:", "D:\\Desktop", "D:\\Desktop"},
      {"\\\\nas\\home\\", "\\\\nas\\home", "\\\\nas\\home\\Desktop", "\\\\nas\\home\\Desktop"},
  };
  for (Family family : {Family::NT5, Family::NT6}) {
    for (const Case& c : cases) {
      FakeMachine m;
      Win7Profile(m, {1});
      Prepare(m, c.typed);
      m.files.AddDirectory("\\\\nas\\home");
      StartRun(m, family);
      EXPECT_EQ(Reg(m, kSf, "Desktop"), c.newLocation) << c.typed;
      EXPECT_EQ(Reg(m, kUsf, "Desktop"), c.newLocation) << c.typed;
      EXPECT_EQ(Count(m.trace, "ShellMoveFiles(" + kWin7 + "\\Desktop, " + c.root + ")"), 1u) << c.typed;
      EXPECT_EQ(m.files.Content(std::string(c.onDisk) + "\\file 1.txt"), "row 1") << c.typed;
      EXPECT_EQ(m.form.GetText(Control::Text15), c.typed);
    }
  }
}

TEST(RunTransfer, BlankTargetAsksThePickerAndKeepsTheBox) {
  for (Family family : {Family::NT5, Family::NT6}) {
    FakeMachine m;
    Win7Profile(m, {1});
    Prepare(m, "   ");
    m.files.drives.insert("E:");
    m.dialogs.browseResults = {"E:\\Backup"};
    StartRun(m, family);
    ASSERT_FALSE(m.trace.empty());
    EXPECT_EQ(m.trace[0], kPicker);
    EXPECT_EQ(Reg(m, kUsf, "Desktop"), "E:\\Backup\\Desktop");
    EXPECT_TRUE(m.files.IsDirectory("E:\\Backup\\Desktop"));
    EXPECT_EQ(m.form.GetText(Control::Text15), "   ");
    EXPECT_TRUE(m.host.ended);
  }
}

TEST(RunTransfer, CancelledPickerOnlyHints) {
  for (Family family : {Family::NT5, Family::NT6}) {
    for (const char* blank : {"", "  "}) {
      FakeMachine m;
      Win7Profile(m, {1, 2});
      Prepare(m, blank);
      StartRun(m, family);
      EXPECT_EQ(m.trace, (Trace{kPicker, kCancelHint}));
      EXPECT_EQ(m.form.position.left, 2000);
      EXPECT_EQ(m.form.position.top, 1500);
      EXPECT_TRUE(m.form.windowEnabled);
      EXPECT_FALSE(m.host.ended);
    }
  }
}

TEST(RunTransfer, UntickedRowsAreLookedAtButLeftAlone) {
  for (Family family : {Family::NT5, Family::NT6}) {
    FakeMachine m;
    XpProfile(m, {3});
    m.form.State(Control::Check2).value = 2;  // grayed is not ticked
    Prepare(m, "D:\\Personal");
    StartRun(m, family);
    // NT 5.x computes every row's new location first, ticked or not.
    const std::ptrdiff_t move = IndexOf(m.trace, "MoveWindowTo(0, 0)");
    int looked = 0;
    for (int k = 1; k <= kRowCount; ++k) {
      const auto at = IndexOf(m.trace, "DirExists(" + m.form.GetText(TextOf(k)) + ")");
      if (at >= 0 && at < move) ++looked;
    }
    EXPECT_EQ(looked, family == Family::NT5 ? kRowCount : 0);
    std::vector<std::string> changes;
    for (const std::string& e : m.trace) {
      if (e.rfind("RegWriteValue", 0) == 0 || e.rfind("Shell", 0) == 0) changes.push_back(e);
    }
    EXPECT_EQ(changes, (std::vector<std::string>{
                           Write(kSf, "Favorites", "D:\\Personal\\Favorites"),
                           Write(kUsf, "Favorites", "D:\\Personal\\Favorites"),
                           "ShellMoveFiles(" + kXp + "\\Favorites, D:\\Personal)"}));
    EXPECT_TRUE(m.files.Exists(kXp + "\\My Documents\\第 2 号.txt"));
  }
}

TEST(RunTransfer, Nt5MissingMediaFoldersGetFixedNames) {
  for (Control mode : {Control::OptionCopy, Control::OptionMove, Control::OptionDont}) {
    FakeMachine m;
    XpProfile(m, {});
    Prepare(m, "D:\\Personal", mode);
    const char* fixed[] = {"My Video", "My Pictures", "My Music"};
    for (int k = 11; k <= 13; ++k) SetRow(m, k, kXp + "\\Gone\\" + fixed[k - 11], 1);
    StartRun(m, Family::NT5);
    for (int k = 11; k <= 13; ++k) {
      const std::string current = kXp + "\\Gone\\" + fixed[k - 11];
      const std::string expected = std::string("D:\\Personal\\") + fixed[k - 11];
      EXPECT_EQ(Reg(m, kSf, fixed[k - 11]), expected);
      EXPECT_EQ(Reg(m, kUsf, fixed[k - 11]), expected);
      EXPECT_FALSE(Mentions(m.trace, "Shell", current));
      if (mode == Control::OptionDont) {
        EXPECT_TRUE(m.files.IsDirectory(expected));
        EXPECT_EQ(m.files.Attributes(expected), kFileAttributeReadOnly | kFileAttributeDirectory);
        EXPECT_TRUE(m.files.ListUnder(expected).empty());
        EXPECT_EQ(Count(m.trace, "GetFileAttributes(" + current + "\\Desktop.ini)"), 1u);
      } else {
        // Nothing to carry: the folder the registry now names is made, empty.
        EXPECT_TRUE(m.files.IsDirectory(expected));
        EXPECT_TRUE(m.files.ListUnder(expected).empty());
        // Planning, and the check that the registry names a real folder.
        EXPECT_EQ(Count(m.trace, "DirExists(" + current + ")"), 2u);
      }
    }
  }
}

TEST(RunTransfer, TempRowWritesBothNamesAndUpdatesTheEnvironment) {
  for (Family family : {Family::NT5, Family::NT6}) {
    for (Control mode : {Control::OptionMove, Control::OptionDont}) {
      FakeMachine m;
      Win7Profile(m, {6});
      Prepare(m, "D:\\W", mode);
      StartRun(m, family);
      const std::string temp = "D:\\W\\Temp";
      const std::ptrdiff_t first = IndexOf(m.trace, Write(kEnv, "TEMP", temp));
      const std::ptrdiff_t second = IndexOf(m.trace, Write(kEnv, "TMP", temp));
      const std::ptrdiff_t setTemp = IndexOf(m.trace, "SetEnvironmentVariable(TEMP, " + temp + ")");
      const std::ptrdiff_t setTmp = IndexOf(m.trace, "SetEnvironmentVariable(TMP, " + temp + ")");
      const std::ptrdiff_t broadcast = IndexOf(m.trace, "BroadcastEnvironmentChange()");
      const std::ptrdiff_t explorer = IndexOf(m.trace, kExplorer);
      EXPECT_GE(first, 0);
      EXPECT_EQ(second, first + 1);
      EXPECT_TRUE(second < setTemp && setTemp < setTmp && setTmp < broadcast && broadcast < explorer);
      EXPECT_EQ(m.host.environment["TMP"], temp);
      EXPECT_TRUE(m.files.IsDirectory(temp));
      EXPECT_FALSE(Mentions(m.trace, "SetFileAttributes", temp));
      EXPECT_FALSE(Mentions(m.trace, "GetFileAttributes", "Temp"));
      EXPECT_EQ(m.files.Exists(temp + "\\file 6.txt"), mode == Control::OptionMove);
    }
  }
  FakeMachine untouched;
  Win7Profile(untouched, {1});
  Prepare(untouched, "D:\\W");
  StartRun(untouched, Family::NT6);
  EXPECT_TRUE(untouched.host.environment.empty());
  EXPECT_EQ(Count(untouched.trace, "BroadcastEnvironmentChange()"), 0u);
}

// A row's two values change together or not at all; a row whose values could not be
// written keeps its files where the registry still names them.
TEST(RunTransfer, RefusedWriteLeavesTheWholeRowAsItWas) {
  struct Case {
    std::string refusedKey;
    std::set<int> ticked;
    std::set<int> refusedRows;
  };
  const Case cases[] = {
      {kUsf, {1, 2, 3}, {1, 2, 3}},  // the second write: the first is put back
      {kSf, {1, 2, 3}, {1, 2, 3}},   // the first write
      {kEnv, {1, 6}, {6}},
  };
  for (Family family : {Family::NT5, Family::NT6}) {
    for (const Case& c : cases) {
      FakeMachine m;
      Win7Profile(m, c.ticked);
      m.registry.Set(kUsf, "Desktop", kWin7 + "\\Desktop", kRegExpandSz, "%USERPROFILE%\\Desktop");
      Prepare(m, "D:\\W");
      m.registry.refusedKeys = {c.refusedKey};
      StartRun(m, family);
      EXPECT_EQ(Count(m.trace, kErrorBox), c.refusedRows.size());
      for (int k : c.ticked) {
        const FolderRow& r = CatalogueRow(k);
        const std::string current = m.form.GetText(TextOf(k));
        const bool refused = c.refusedRows.count(k) != 0;
        EXPECT_EQ(m.files.Exists(current + "\\file " + std::to_string(k) + ".txt"), refused) << k;
        EXPECT_EQ(Reg(m, r.firstWriteKey, r.valueName), refused ? current : "D:\\W\\" + paths::FolderNameOf(current)) << k;
        if (k == 1 && refused) continue;  // expandable: checked below
        EXPECT_EQ(Reg(m, r.secondWriteKey, r.secondValueName), Reg(m, r.firstWriteKey, r.valueName)) << k;
      }
      if (c.refusedRows.count(1) != 0) {
        const fake::StoredValue* desktop = m.registry.Find(kUsf, "Desktop");
        EXPECT_EQ(desktop->type, kRegExpandSz);
        EXPECT_EQ(desktop->raw, "%USERPROFILE%\\Desktop");
      }
      // The user is pointed at the record of what was not done.
      EXPECT_TRUE(Mentions(m.trace, "MessageBox(", "Vestrand-记录-20261206-153000.txt"));
      EXPECT_TRUE(m.host.ended);
    }
  }
}

TEST(RunTransfer, LogoffOnlyWhenTickedAndAfterTheShell) {
  for (Family family : {Family::NT5, Family::NT6}) {
    for (int logoff : {0, 1, 2}) {
      FakeMachine m;
      Win7Profile(m, {1});
      Prepare(m, "D:\\W", Control::OptionMove, logoff);
      StartRun(m, family);
      const Trace tail(m.trace.end() - (logoff == 1 ? 5 : 4), m.trace.end());
      Trace expected = {kExplorer, "SetWindowEnabled(1)", "MoveWindowTo(1050, 0)"};
      if (logoff == 1) expected.push_back("SysLogoff()");
      expected.push_back("EndProgram()");
      EXPECT_EQ(tail, expected) << logoff;
    }
  }
}

// A refused target changes nothing at all: one box, then the run is over.
TEST(RunTransfer, RefusedTargetsChangeNothing) {
  struct Case {
    std::string target;
    Control mode;
    const char* reason;     // part of the box's text
    std::string enclosing;  // the carried folder the box names
    std::function<void(FakeMachine&)> setup = nullptr;
    std::string boxStart = "";  // when it does not begin by naming the target
  };
  const std::string docs = kXp + "\\My Documents";
  const Case cases[] = {
      {"Personal", Control::OptionMove, "不是完整的路径", ""},
      {"D:Personal", Control::OptionMove, "不是完整的路径", ""},
      {"\\Personal", Control::OptionMove, "不是完整的路径", ""},
      {"D:/Personal", Control::OptionMove, "不是完整的路径", ""},
      {"\\\\nas\\", Control::OptionMove, "不是完整的路径", ""},
      {"  D:\\Personal", Control::OptionMove, "不是完整的路径", ""},
      {"D:\\Personal ", Control::OptionMove, "无效的文件夹名", ""},
      {"D:\\Per|sonal", Control::OptionMove, "无效的文件夹名", ""},
      {docs + "\\Backup", Control::OptionMove, "之中", docs},
      {"c:\\documents and settings\\USER\\my documents\\", Control::OptionCopy, "之中", docs},
      {docs + "\\My Music\\x", Control::OptionMove, "之中", docs},
      {kXp + "\\桌面", Control::OptionCopy, "之中", kXp + "\\桌面"},
      // The same folder by another name: a second drive letter made with subst.
      {"E:\\Backup", Control::OptionMove, "之中", docs,
       [&](FakeMachine& m) { m.files.aliases["E:"] = docs; }},
      {"E:\\", Control::OptionCopy, "之中", docs, [&](FakeMachine& m) { m.files.aliases["E:"] = docs; }},
      // Two folders of one name would be merged into one.
      {"D:\\Personal", Control::OptionMove, "同名", "E:\\Stuff\\My Documents",
       [](FakeMachine& m) {
         SetRow(m, 3, "E:\\Stuff\\My Documents", 1);
         m.files.AddFile("E:\\Stuff\\My Documents\\第 2 号.txt", "another");
       },
       "MessageBox(文件夹“"},
      // A file of the same relative path already in a same-named target folder.
      {"D:\\Personal", Control::OptionCopy, "1 个文件会被覆盖", "",
       [](FakeMachine& m) { m.files.AddFile("D:\\Personal\\桌面\\sub dir\\深\\a.bin", "older"); },
       "MessageBox(目标文件夹中已有同名的文件夹"},
      // Not enough room: a copy always writes every byte, and so does a move to another volume.
      {"D:\\Personal", Control::OptionCopy, "空间不够", "D:\\",
       [](FakeMachine& m) { m.files.freeBytes["D:"] = 40ull << 20; }, "MessageBox(目标驱动器"},
      {"D:\\Personal", Control::OptionMove, "1.0 GB", "D:\\",
       [](FakeMachine& m) {
         m.files.AddFile(kXp + "\\桌面\\film.mkv", "", 2ull << 30);
         m.files.freeBytes["D:"] = 1ull << 30;
       },
       "MessageBox(目标驱动器"},
      // Without the values as they are, the run could not be undone.
      {"D:\\Personal", Control::OptionMove, "无法读取注册表", "",
       [](FakeMachine& m) { m.registry.unreadableKeys = {kEnv}; }, "MessageBox(无法读取注册表"},
  };
  for (Family family : {Family::NT5, Family::NT6}) {
    for (const Case& c : cases) {
      FakeMachine m;
      XpProfile(m, {1, 2, 11, 12, 13});
      Prepare(m, c.target, c.mode);
      m.files.drives.insert("E:");
      if (c.setup) c.setup(m);
      m.files.traceQueries = false;
      const auto before = FilesUnder(m, "C:");
      const auto registryBefore = Reg(m, kUsf, "Personal");
      StartRun(m, family);
      Trace seen;
      for (const std::string& e : m.trace) {
        if (e.rfind("ShowWaitCursor", 0) != 0) seen.push_back(e);
      }
      ASSERT_EQ(seen.size(), 1u) << c.target << " " << c.reason << "\n" << ::testing::PrintToString(m.trace);
      const std::string& box = seen[0];
      const std::string start = c.boxStart.empty() ? "MessageBox(目标文件夹“" + c.target + "”" : c.boxStart;
      EXPECT_EQ(box.rfind(start, 0), 0u) << box;
      EXPECT_NE(box.find(c.reason), std::string::npos) << box;
      EXPECT_TRUE(EndsWith(box, ", 16, 友情提示:)")) << box;
      if (!c.enclosing.empty()) {
        EXPECT_NE(box.find("“" + c.enclosing + "”"), std::string::npos) << box;
      }
      EXPECT_EQ(FilesUnder(m, "C:"), before);
      EXPECT_EQ(Reg(m, kUsf, "Personal"), registryBefore);
      EXPECT_TRUE(m.form.windowEnabled);
      EXPECT_FALSE(m.host.ended);
    }
  }
}

TEST(RunTransfer, TargetsOutsideCarriedFoldersAreAccepted) {
  struct Case {
    std::string target;
    Control mode;
  };
  const Case cases[] = {
      {kXp + "\\My Documents2", Control::OptionMove},           // a longer name, not inside
      {kXp + "\\Local Settings\\Temp\\x", Control::OptionMove},  // inside an unticked row
      {kXp + "\\My Documents\\New", Control::OptionDont},        // nothing is carried
      {"D:\\Personal", Control::OptionCopy},  // merged into a same-named folder, no file replaced
      {"C:\\Data", Control::OptionMove},      // a move within one volume needs no room
  };
  for (const Case& c : cases) {
    FakeMachine m;
    XpProfile(m, {1, 2});
    Prepare(m, c.target, c.mode);
    m.files.AddFile("D:\\Personal\\My Documents\\其他.txt", "already there");
    m.files.freeBytes["C:"] = 1 << 20;
    StartRun(m, Family::NT5);
    EXPECT_TRUE(m.host.ended) << c.target;
    EXPECT_EQ(Reg(m, kUsf, "Personal"), c.target + "\\My Documents");
  }
}

TEST(RunTransfer, TargetThatCannotBeMadeOrWrittenStopsBeforeTheShellEnds) {
  struct Case {
    std::string target;
    std::string box;
  };
  const Case cases[] = {
      {"E:\\Personal", "MessageBox(无法创建目标文件夹“E:\\Personal”"},
      {"D:\\Blocked", "MessageBox(无法创建目标文件夹“D:\\Blocked”"},
      // No way back can be written: the folder made for the run is taken away again.
      {"D:\\New\\Root", "MessageBox(无法在目标文件夹“D:\\New\\Root”中写入注册表还原文件"},
  };
  for (Family family : {Family::NT5, Family::NT6}) {
    for (const Case& c : cases) {
      FakeMachine m;
      Win7Profile(m, {1, 2});
      Prepare(m, c.target);
      m.files.AddFile("D:\\Blocked", "a file in the way");
      m.files.readOnlyFolders = {"D:\\New\\Root"};
      const auto before = FilesUnder(m, "C:");
      StartRun(m, family);
      EXPECT_TRUE(Mentions(m.trace, c.box, ", 16, 友情提示:)")) << ::testing::PrintToString(m.trace);
      EXPECT_FALSE(Mentions(m.trace, "StartCommand", ""));
      EXPECT_FALSE(Mentions(m.trace, "RegWriteValue", ""));
      EXPECT_FALSE(m.files.Exists("D:\\New"));
      EXPECT_TRUE(m.form.windowEnabled);
      EXPECT_EQ(m.form.position.left, 2000);
      EXPECT_EQ(m.form.position.top, 1500);
      EXPECT_EQ(FilesUnder(m, "C:"), before);
      EXPECT_FALSE(m.host.ended);
    }
  }
}

TEST(RunTransfer, Nt5MissingOrdinaryRowIsSkippedEntirely) {
  for (Control mode : {Control::OptionCopy, Control::OptionMove, Control::OptionDont}) {
    FakeMachine m;
    XpProfile(m, {1, 3});
    SetRow(m, 1, kXp + "\\Gone Desktop", 1);
    Prepare(m, "D:\\Personal", mode);
    StartRun(m, Family::NT5);
    EXPECT_EQ(Reg(m, kSf, "Desktop"), kXp + "\\Gone Desktop");
    EXPECT_EQ(Reg(m, kUsf, "Desktop"), kXp + "\\Gone Desktop");
    EXPECT_EQ(Count(m.trace, "DirExists(" + kXp + "\\Gone Desktop)"), 1u);  // planning only
    EXPECT_FALSE(Mentions(m.trace, "MakeDirectory", "Gone"));
    EXPECT_FALSE(Mentions(m.trace, "Shell", "Gone"));
    EXPECT_EQ(Reg(m, kUsf, "Favorites"), "D:\\Personal\\Favorites");
    EXPECT_TRUE(m.host.ended);
  }
}

// Every file of every ticked folder is where the registry now says its folder is.
void ExpectNothingLost(const FakeMachine& m, const std::map<int, std::map<std::string, std::string>>& before,
                       const std::map<int, std::string>& currents, bool moved) {
  for (const auto& [row, files] : before) {
    const FolderRow& r = CatalogueRow(row);
    const std::string now = Reg(m, r.secondWriteKey, r.secondValueName);
    EXPECT_EQ(Reg(m, r.firstWriteKey, r.valueName), now);
    for (const auto& [below, content] : files) {
      EXPECT_EQ(m.files.Content(now + below), content) << row << below;
      EXPECT_EQ(m.files.Exists(NoTrailingBackslash(currents.at(row)) + below), !moved) << row << below;
    }
  }
}

TEST(RunTransfer, NestedFoldersTravelWithTheOuterFolder) {
  struct Case {
    Family family;
    Control mode;
    const char* docs;  // the documents row's folder below the profile
  };
  const Case cases[] = {
      {Family::NT5, Control::OptionMove, "\\My Documents"},
      {Family::NT5, Control::OptionCopy, "\\My Documents"},
      {Family::NT6, Control::OptionMove, "\\My Documents"},
      {Family::NT6, Control::OptionCopy, "\\MY DOCUMENTS"},  // spelled unlike the inner rows
  };
  for (const Case& c : cases) {
    FakeMachine m;
    const std::set<int> ticked = {1, 2, 3, 4, 5, 6, 11, 12, 13};
    XpProfile(m, ticked);
    SetRow(m, 2, kXp + c.docs, 1);
    Prepare(m, "D:\\Personal", c.mode);
    std::map<int, std::map<std::string, std::string>> before;
    std::map<int, std::string> currents;
    for (int k : ticked) {
      currents[k] = m.form.GetText(TextOf(k));
      before[k] = FilesUnder(m, currents[k]);
    }
    std::size_t total = FilesUnder(m, kXp).size();
    StartRun(m, c.family);

    const std::string docs = std::string("D:\\Personal") + c.docs;
    EXPECT_EQ(Reg(m, kUsf, "Personal"), docs);
    EXPECT_EQ(Reg(m, kUsf, "My Music"), docs + "\\My Music");
    EXPECT_EQ(Reg(m, kSf, "My Video"), docs + "\\My Videos");
    for (int k = 11; k <= 13; ++k) EXPECT_FALSE(Mentions(m.trace, "Shell", currents[k])) << k;
    EXPECT_FALSE(m.files.Exists("D:\\Personal\\My Music"));
    EXPECT_EQ(FilesUnder(m, "D:\\Personal").size(), total);  // nothing carried twice
    ExpectNothingLost(m, before, currents, c.mode == Control::OptionMove);
  }
  // Discard mode keeps the plain rule: every folder straight under the target root.
  FakeMachine m;
  XpProfile(m, {2, 13});
  Prepare(m, "D:\\Personal", Control::OptionDont);
  StartRun(m, Family::NT5);
  EXPECT_EQ(Reg(m, kUsf, "My Music"), "D:\\Personal\\My Music");
  EXPECT_TRUE(m.files.IsDirectory("D:\\Personal\\My Music"));
}

TEST(RunTransfer, FolderAlreadyInPlaceIsNotCarriedOntoItself) {
  for (Family family : {Family::NT5, Family::NT6}) {
    for (Control mode : {Control::OptionCopy, Control::OptionMove, Control::OptionDont}) {
      FakeMachine m;
      Win7Profile(m, {});
      const std::string desktop = "D:\\Personal\\Desktop";
      SetRow(m, 1, desktop, 1);
      m.files.AddFile(desktop + "\\desktop.ini", "[.ShellClassInfo]");
      m.files.AddFile(desktop + "\\keep.txt", "keep");
      Prepare(m, "d:\\personal\\", mode);
      StartRun(m, family);
      EXPECT_EQ(Reg(m, kSf, "Desktop"), "d:\\personal\\Desktop");
      EXPECT_EQ(Reg(m, kUsf, "Desktop"), "d:\\personal\\Desktop");
      EXPECT_FALSE(Mentions(m.trace, "Shell", "Desktop"));
      EXPECT_EQ(m.files.Content(desktop + "\\keep.txt"), "keep");
      EXPECT_TRUE(m.host.ended);
    }
  }
}

TEST(RunTransfer, RefusedServicesAreSkippedAndTheShellReturns) {
  struct Case {
    std::set<std::string> failingCommands;
    bool refuseAttributes;
  };
  const Case cases[] = {
      {{"taskkill.exe /f /im explorer.exe"}, false},
      {{"explorer.exe"}, false},
      {{"taskkill.exe /f /im explorer.exe", "explorer.exe"}, false},
      {{}, true},
  };
  for (Family family : {Family::NT5, Family::NT6}) {
    for (const Case& c : cases) {
      FakeMachine m;
      Win7Profile(m, {1, 2});
      Prepare(m, "D:\\W", Control::OptionDont, 1);
      m.host.failingCommands = c.failingCommands;
      if (c.refuseAttributes) m.files.refusedAttributePaths = {"D:\\W\\Desktop"};
      StartRun(m, family);
      const std::string explorer = std::string(kExplorer) + (c.failingCommands.count("explorer.exe") ? " -> failed" : "");
      const std::ptrdiff_t restart = IndexOf(m.trace, explorer);
      ASSERT_GE(restart, 0);
      EXPECT_LT(IndexOf(m.trace, "MakeDirectory(D:\\W\\Documents)"), restart);
      EXPECT_GT(IndexOf(m.trace, "SysLogoff()"), restart);
      EXPECT_EQ(m.trace.back(), "EndProgram()");
      EXPECT_EQ(m.files.Content("D:\\W\\Desktop\\desktop.ini"), "[.ShellClassInfo]");
      EXPECT_EQ(m.files.Attributes("D:\\W\\Documents"), kFileAttributeReadOnly | kFileAttributeDirectory);
    }
  }
}

TEST(RunTransfer, DiscardMakesEmptyFoldersWithOnlyDesktopIni) {
  for (Family family : {Family::NT5, Family::NT6}) {
    FakeMachine m;
    Win7Profile(m, {1, 4});
    Prepare(m, "D:\\W", Control::OptionDont);
    const auto before = FilesUnder(m, "C:");
    StartRun(m, family);
    const std::string desktop = "D:\\W\\Desktop";
    EXPECT_EQ(m.files.ListUnder(desktop), std::vector<std::string>{desktop + "\\desktop.ini"});
    EXPECT_EQ(m.files.Attributes(desktop), kFileAttributeReadOnly | kFileAttributeDirectory);
    EXPECT_EQ(Count(m.trace, "ShellCopyFiles(" + kWin7 + "\\Desktop\\Desktop.ini, " + desktop + ")"), 1u);
    const std::string cache = "D:\\W\\INetCache";  // no desktop.ini carry-over for the cache
    EXPECT_TRUE(m.files.IsDirectory(cache));
    EXPECT_TRUE(m.files.ListUnder(cache).empty());
    EXPECT_EQ(m.files.Attributes(cache), kFileAttributeDirectory);
    EXPECT_FALSE(Mentions(m.trace, "GetFileAttributes", "INetCache"));
    EXPECT_EQ(FilesUnder(m, "C:"), before);
  }
}

TEST(RunTransfer, Nt6RowsWithoutFolderName) {
  FakeMachine m;
  Win7Profile(m, {});
  SetRow(m, 12, kWin7 + "\\Old Pictures", 1);  // gone since start-up: the shell is still asked
  SetRow(m, 13, "", 1);                         // nothing to name: left alone
  SetRow(m, 3, kWin7 + "\\Favorites\\", 1);     // likewise
  Prepare(m, "D:\\W", Control::OptionCopy);
  StartRun(m, Family::NT6);
  EXPECT_EQ(Reg(m, kUsf, "My Pictures"), "D:\\W\\Old Pictures");
  EXPECT_EQ(Count(m.trace, "ShellCopyFiles(" + kWin7 + "\\Old Pictures, D:\\W)"), 1u);
  EXPECT_EQ(Reg(m, kUsf, "My Music"), kWin7 + "\\Music");
  EXPECT_EQ(Reg(m, kUsf, "Favorites"), kWin7 + "\\Favorites\\");
  EXPECT_FALSE(Mentions(m.trace, "Shell", "Favorites"));
  EXPECT_TRUE(m.host.ended);
}

}  // namespace
}  // namespace vestrand

namespace vestrand {
namespace {

// Whatever the shell does, no registry value may be left naming a folder that is not
// there: a failed carry points the row back at its files, and a row with nothing to carry
// gets its new folder made.
TEST(RunTransfer, RegistryNeverNamesAMissingFolder) {
  for (const Family family : {Family::NT5, Family::NT6}) {
    for (Control mode : {Control::OptionCopy, Control::OptionMove}) {
      FakeMachine m;
      Win7Profile(m, {1, 6, 12});
      Prepare(m, "D:\\Win7User", mode);
      m.files.failingSources.insert(kWin7 + "\\Desktop");
      m.files.failingSources.insert(kWin7 + "\\AppData\\Local\\Temp");
      if (family == Family::NT6) SetRow(m, 12, kWin7 + "\\Gone\\Pictures", 1);
      StartRun(m, family);
      SCOPED_TRACE(std::string(family == Family::NT5 ? "NT 5.x " : "NT 6.x ") +
                   (mode == Control::OptionCopy ? "copy" : "move"));
      // The desktop could not be carried: back to where its files are.
      EXPECT_EQ(Reg(m, kSf, "Desktop"), kWin7 + "\\Desktop");
      EXPECT_EQ(Reg(m, kUsf, "Desktop"), kWin7 + "\\Desktop");
      EXPECT_EQ(FilesUnder(m, kWin7 + "\\Desktop").size(), 2u);
      // The temporary folder likewise, and the environment follows the registry.
      EXPECT_EQ(Reg(m, kEnv, "TEMP"), kWin7 + "\\AppData\\Local\\Temp");
      EXPECT_EQ(Reg(m, kEnv, "TMP"), kWin7 + "\\AppData\\Local\\Temp");
      EXPECT_EQ(m.host.environment["TEMP"], kWin7 + "\\AppData\\Local\\Temp");
      if (family == Family::NT6) {
        // Pictures had no folder: its new one exists, empty.
        EXPECT_EQ(Reg(m, kUsf, "My Pictures"), "D:\\Win7User\\Pictures");
        EXPECT_TRUE(m.files.IsDirectory("D:\\Win7User\\Pictures"));
      } else {
        EXPECT_EQ(FilesUnder(m, "D:\\Win7User\\Pictures").size(), 1u);
      }
      for (const char* name : {"Desktop", "My Pictures"}) {
        EXPECT_TRUE(m.files.IsDirectory(Reg(m, kUsf, name))) << name;
      }
      EXPECT_TRUE(m.host.ended);
    }
  }
}

}  // namespace
}  // namespace vestrand

namespace vestrand {
namespace {

// XP's music, pictures and videos live inside the documents folder. Moving the documents
// with those rows unticked takes them along all the same, so their locations follow; a
// copy leaves them where they were, and so does their registry.
TEST(RunTransfer, UntickedFoldersMovedAlongAreFollowed) {
  for (Control mode : {Control::OptionMove, Control::OptionCopy}) {
    FakeMachine m;
    XpProfile(m, {2});
    SetRow(m, 8, kXp + "\\My Documents\\Gone", 0);
    Prepare(m, "D:\\Personal", mode);
    StartRun(m, Family::NT5);
    SCOPED_TRACE(mode == Control::OptionMove ? "move" : "copy");
    const std::pair<const char*, const char*> inner[] = {
        {"My Video", "My Videos"}, {"My Pictures", "My Pictures"}, {"My Music", "My Music"}};
    for (const auto& [value, folder] : inner) {
      const std::string moved = std::string("D:\\Personal\\My Documents\\") + folder;
      if (mode == Control::OptionMove) {
        EXPECT_EQ(Reg(m, kSf, value), moved);
        EXPECT_EQ(Reg(m, kUsf, value), moved);
        EXPECT_EQ(FilesUnder(m, moved).size(), 2u);
      } else {
        EXPECT_EQ(Reg(m, kUsf, value), kXp + "\\My Documents\\" + folder);
        EXPECT_TRUE(m.files.IsDirectory(kXp + "\\My Documents\\" + folder));
      }
      EXPECT_FALSE(Mentions(m.trace, "Shell", folder)) << "carried on its own";
    }
    // A row whose folder start-up found missing stays as it was, and gets no folder.
    EXPECT_EQ(Reg(m, kUsf, "{374DE290-123F-4565-9164-39C4925E467B}"), kXp + "\\My Documents\\Gone");
    EXPECT_FALSE(m.files.Exists("D:\\Personal\\My Documents\\Gone"));
    // Rows outside the moved folder stay untouched.
    EXPECT_EQ(Reg(m, kUsf, "Desktop"), kXp + "\\桌面");
  }
}

// What the shell did only in part is kept, recorded and shown; nothing is left where
// nothing names it.
TEST(RunTransfer, PartCarriesAreRecordedAndShown) {
  const std::string docs = kWin7 + "\\Documents";
  const std::string record = "D:\\W\\Vestrand-记录-20261206-153000.txt";
  struct Case {
    const char* name;
    Control mode;
    std::function<void(FakeMachine&)> setup;
    std::string registryAfter;  // where Documents is named afterwards
    const char* recorded;       // what the record says
    bool told;                  // a box names the record
  };
  const Case cases[] = {
      {"move, a file held open", Control::OptionMove,
       [&](FakeMachine& m) { m.files.heldFiles = {docs + "\\held.txt"}; }, "D:\\W\\Documents",
       "原位置仍有 1 个文件", true},
      {"copy, a file left out", Control::OptionCopy,
       [&](FakeMachine& m) { m.files.heldFiles = {docs + "\\held.txt"}; }, "D:\\W\\Documents",
       "有 1 个文件没有复制", true},
      {"move onto a same-named folder the shell leaves alone", Control::OptionMove,
       [](FakeMachine& m) {
         m.files.AddFile("D:\\W\\Documents\\other.txt", "already there");
         m.files.moveOntoSameNameDoesNothing = true;
       },
       "%USERPROFILE%\\Documents", "文件没有被转移", true},
      {"move, all went well", Control::OptionMove, [](FakeMachine&) {}, "D:\\W\\Documents",
       "只有您本人、SYSTEM 和管理员可以访问", false},
      {"move leaving the old folder behind, empty", Control::OptionMove,
       [&](FakeMachine& m) { m.files.heldFiles = {docs}; }, "D:\\W\\Documents", "已移动到新位置", false},
      // A drive without access lists (FAT32) cannot make the new root private; nothing else changes.
      {"move onto a drive without access lists", Control::OptionMove,
       [](FakeMachine& m) { m.files.noAccessLists = true; }, "D:\\W\\Documents", "此驱动器不支持访问权限设置",
       false},
      // A root that already exists is the user's choice: its protection is left alone.
      {"move into an existing root", Control::OptionMove, [](FakeMachine& m) { m.files.AddDirectory("D:\\W"); },
       "D:\\W\\Documents", "已存在,访问权限保持原样", false},
  };
  for (Family family : {Family::NT5, Family::NT6}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      FakeMachine m;
      Win7Profile(m, {2});
      m.registry.Set(kUsf, "Personal", docs, kRegExpandSz, "%USERPROFILE%\\Documents");
      m.files.AddFile(docs + "\\held.txt", "in use");
      Prepare(m, "D:\\W", c.mode, 1);
      c.setup(m);
      const auto before = FilesUnder(m, docs);
      StartRun(m, family);
      const fake::StoredValue* personal = m.registry.Find(kUsf, "Personal");
      EXPECT_EQ(personal->raw.empty() ? personal->text : personal->raw, c.registryAfter);
      EXPECT_EQ(personal->type, c.registryAfter[0] == '%' ? kRegExpandSz : kRegSz);
      for (const auto& [below, content] : before) {
        const bool there = m.files.Content(docs + below) == content ||
                           m.files.Content("D:\\W\\Documents" + below) == content;
        EXPECT_TRUE(there) << below;
      }
      const bool shown = Mentions(m.trace, "MessageBox(", record);
      EXPECT_EQ(shown, c.told);
      EXPECT_NE(m.files.Content(record).find(c.recorded), std::string::npos) << m.files.Content(record);
      if (shown) {
        // After the desktop is back, before the log-off.
        std::ptrdiff_t box = 0;
        while (m.trace[static_cast<std::size_t>(box)].rfind("MessageBox(", 0) != 0) ++box;
        EXPECT_LT(IndexOf(m.trace, kExplorer), box);
        EXPECT_LT(box, IndexOf(m.trace, "SysLogoff()"));
      }
      EXPECT_EQ(m.files.Content(record).rfind("\xEF\xBB\xBFVestrand 转移记录\r\n", 0), 0u);
    }
  }
}

// Once the shell has been ended it comes back, whatever goes wrong.
TEST(RunTransfer, UnexpectedFailureBringsTheShellBack) {
  FakeMachine m;
  Win7Profile(m, {1});
  Prepare(m, "D:\\W");
  m.host.sleepThrows = true;
  StartRun(m, Family::NT6);
  EXPECT_GT(IndexOf(m.trace, kExplorer), IndexOf(m.trace, kTaskkill));
  EXPECT_TRUE(Mentions(m.trace, "MessageBox(转移中途出现意外错误", "Vestrand-还原-20261206-153000.reg"));
  EXPECT_TRUE(m.form.windowEnabled);
  EXPECT_FALSE(m.host.ended);
}

}  // namespace
}  // namespace vestrand
