// The relocation runs against the in-memory Windows. Only the two worked examples hold
// the runs to their whole trace; every other case asserts what the user or Windows sees
// afterwards: registry values, files, boxes, the environment, the desktop shell.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "fake/FakeServices.h"
#include "relocation/FolderCatalogue.h"
#include "relocation/RunRecord.h"
#include "relocation/RunTransfer.h"

namespace vestrand {
namespace {

using fake::FakeMachine;
using fake::Has;
using fake::Trace;

const std::string kXp = "C:\\Documents and Settings\\user";
const std::string kWin7 = "C:\\Users\\Ann";
const std::string kDocs = kWin7 + "\\Documents";
const char* const kTaskkill = "StartCommand(taskkill.exe /f /im explorer.exe, 2)";
const char* const kExplorer = "StartCommand(explorer.exe, 2)";

// The row as start-up left it: the box, the tick and both registry values.
void SetRow(FakeMachine& m, int row, const std::string& path, int tick) {
  m.form.State(TextOf(row)).text = path;
  m.form.State(CheckOf(row)).value = tick;
  const FolderRow& r = CatalogueRow(row);
  if (path.empty()) return;
  m.registry.Set(r.firstWriteKey, r.valueName, path);
  m.registry.Set(r.secondWriteKey, r.secondValueName, path);
}

// The window as the user leaves it before a run, over a Windows XP profile (music, pictures
// and videos inside My Documents; rows 7 to 10 and 14 empty) or a Windows 7 one.
void Prepare(FakeMachine& m, bool xp, const std::set<int>& ticked, const std::string& target,
             Control mode = Control::OptionMove, int logoff = 0) {
  m.form.State(Control::Text15).text = target;
  m.form.State(mode).value = 1;  // the others start cleared
  m.form.State(Control::CkLogoff).value = logoff;
  m.files.AddDirectory("D:");
  const char* const xpRows[kRowCount] = {
      "桌面", "My Documents", "Favorites", "Local Settings\\Temporary Internet Files", "Cookies",
      "Local Settings\\Temp", "", "", "", "", "My Documents\\My Videos", "My Documents\\My Pictures",
      "My Documents\\My Music", ""};
  const char* const win7Rows[kRowCount] = {
      "Desktop", "Documents", "Favorites", "AppData\\Local\\INetCache", "AppData\\Roaming\\INetCookies",
      "AppData\\Local\\Temp", "Contacts", "Downloads", "Links", "Searches", "Videos", "Pictures", "Music",
      "Saved Games"};
  for (int k = 1; k <= kRowCount; ++k) {
    const std::string name = (xp ? xpRows : win7Rows)[k - 1];
    const std::string path = name.empty() ? "" : (xp ? kXp : kWin7) + "\\" + name;
    SetRow(m, k, path, ticked.count(k) ? 1 : 0);
    if (path.empty()) continue;
    m.files.AddFile(path + (xp ? "\\第 " : "\\file ") + std::to_string(k) + (xp ? " 号.txt" : ".txt"),
                    "row " + std::to_string(k));
    if (xp) m.files.AddFile(path + "\\sub dir\\深\\a.bin", "deep " + std::to_string(k));
  }
  m.files.AddFile((xp ? kXp + "\\桌面\\Desktop.ini" : kWin7 + "\\Desktop\\desktop.ini"), "[.ShellClassInfo]");
}

std::string Reg(const FakeMachine& m, const std::string& key, const std::string& name) {
  const fake::StoredValue* v = m.registry.Find(key, name);
  return v == nullptr ? "<none>" : v->text;
}

// The first call in the trace that starts with `prefix`; the trace's end when there is none.
Trace::const_iterator FirstCall(const Trace& t, const std::string& prefix) {
  return std::find_if(t.begin(), t.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
}

// Whether both calls were made, the one starting with `first` before the one starting with `then`.
bool Before(const Trace& t, const std::string& first, const std::string& then) {
  const auto later = FirstCall(t, then);
  return FirstCall(t, first) < later && later != t.end();
}

std::string Write(const std::string& key, const std::string& name, const std::string& value) {
  return "RegWriteValue(" + key + ", " + name + ", " + value + ", 1)";
}

const std::string kXpRecord = "D:\\Personal\\Vestrand-记录-20261206-153000.txt";

TEST(RunTransfer, Nt5ExampleIsTheExactTrace) {
  FakeMachine m;
  Prepare(m, true, {1}, "D:\\Personal");
  RunTransferNT5(m.services, m.form);

  Trace expected;
  for (int k = 1; k <= kRowCount; ++k) expected.push_back("DirExists(" + m.form.GetText(TextOf(k)) + ")");
  expected.insert(expected.end(), {
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
      "WriteNewFile(" + kXpRecord + ")",  // the journal, begun before the shell is ended
      kTaskkill,
      "Sleep(1000)",
      "AppendToFile(" + kXpRecord + ")",  // the row under way
      Write(kShellFoldersKey, "Desktop", "D:\\Personal\\桌面"),
      Write(kUserShellFoldersKey, "Desktop", "D:\\Personal\\桌面"),
      "ShellMoveFiles(" + kXp + "\\桌面, D:\\Personal)",
      "DirExists(D:\\Personal\\桌面)",  // the registry must name a folder that exists
      "DirExists(" + kXp + "\\桌面)",      // and no file may stay behind unnamed
  });
  // The row's outcome, each row left alone, and the end of the run.
  expected.insert(expected.end(), kRowCount + 1, "AppendToFile(" + kXpRecord + ")");
  expected.insert(expected.end(), {
      kExplorer,
      "SetWindowEnabled(1)",
      "MoveWindowTo(1050, 0)",
      "EndProgram()",
  });
  EXPECT_EQ(m.trace, expected);
}

const std::string kRecord = "D:\\Win7User\\Vestrand-记录-20261206-153000.txt";

TEST(RunTransfer, Nt6TraceUsesFolderNamesWithoutLookingFirst) {
  FakeMachine m;
  Prepare(m, false, {1, 11}, "D:\\Win7User\\", Control::OptionCopy, 1);
  m.files.AddDirectory("D:\\Win7User");
  RunTransferNT6(m.services, m.form);
  const std::string append = "AppendToFile(" + kRecord + ")";
  Trace expected = {
      "DirExists(D:\\Win7User)",
      "ShowWaitCursor(1)",
      "DirExists(D:\\Win7User\\Desktop)",
      "DirExists(D:\\Win7User\\Videos)",
      "ShowWaitCursor(0)",
      "MoveWindowTo(0, 0)",
      "SetWindowEnabled(0)",
      "QueryOsVersion()",
      "WriteNewFile(D:\\Win7User\\Vestrand-还原-20261206-153000.reg)",
      "WriteNewFile(" + kRecord + ")",
      kTaskkill,
      "Sleep(1000)",
      append,
      Write(kShellFoldersKey, "Desktop", "D:\\Win7User\\Desktop"),
      Write(kUserShellFoldersKey, "Desktop", "D:\\Win7User\\Desktop"),
      "ShellCopyFiles(" + kWin7 + "\\Desktop, D:\\Win7User)",
      "DirExists(D:\\Win7User\\Desktop)",
  };
  expected.insert(expected.end(), 1 + 9 + 1, append);  // row 1 settled, rows 2 to 10 left alone, row 11 begun
  expected.insert(expected.end(), {
      Write(kShellFoldersKey, "My Video", "D:\\Win7User\\Videos"),
      Write(kUserShellFoldersKey, "My Video", "D:\\Win7User\\Videos"),
      "ShellCopyFiles(" + kWin7 + "\\Videos, D:\\Win7User)",
      "DirExists(D:\\Win7User\\Videos)",
  });
  expected.insert(expected.end(), 1 + 3 + 1, append);  // row 11 settled, rows 12 to 14, the end
  expected.insert(expected.end(), {
      kExplorer,
      "SetWindowEnabled(1)",
      "MoveWindowTo(1050, 0)",
      "SysLogoff()",
      "EndProgram()",
  });
  EXPECT_EQ(m.trace, expected);
}

// One accepted run per row: an XP profile under the NT 5.x run, a Windows 7 one under both. Every run must leave
// both values of a row agreeing and a moved row's folder there, no file lost, the record written, and the desktop
// that was ended back before any box.
struct Accepted {
  const char* name;
  bool xp;  // the XP profile, else Windows 7
  std::set<int> ticked;
  Control mode;
  std::string target;
  std::function<void(FakeMachine&)> setup;
  std::vector<std::pair<int, std::string>> values;  // row -> where its values point after
  std::vector<std::string> files;     // there after the run; with "!" first: gone
  std::vector<std::string> recorded;  // in the record of the run
  bool told;                          // a box names the record
  std::function<void(FakeMachine&)> check = nullptr;
};

const Control kMove = Control::OptionMove, kCopy = Control::OptionCopy, kDont = Control::OptionDont;
const std::string kTemp = kWin7 + "\\AppData\\Local\\Temp";

const Accepted kAccepted[] = {
    {"move; temporary files under both names and in the environment; a refused end or start of the shell",
     false, {1, 5, 6}, kMove, "D:\\W", [](FakeMachine& m) {
       m.host.now = {2026, 9, 9, 9, 9, 9};
       m.host.SetVersion(6, 1, 0x06011DB1, u"Service Pack 1");  // the build is the low word
       m.host.failingCommands = {"taskkill.exe /f /im explorer.exe", "explorer.exe"};
     },
     {{1, "D:\\W\\Desktop"}, {5, "D:\\W\\INetCookies"}, {6, "D:\\W\\Temp"}},
     {"D:\\W\\Desktop\\file 1.txt", "D:\\W\\Desktop\\desktop.ini", "D:\\W\\Vestrand-还原-20260909-090909.reg",
      "D:\\W\\Temp\\file 6.txt", "!" + kWin7 + "\\Desktop"},
     {"已移动到新位置", "6.1.7601 Service Pack 1"}, false, [](FakeMachine& m) {
       EXPECT_EQ(m.host.environment["TEMP"] + "|" + m.host.environment["TMP"], "D:\\W\\Temp|D:\\W\\Temp");
       EXPECT_TRUE(Before(m.trace, "BroadcastEnvironmentChange()", kExplorer));
     }},
    {"copy into a new root, made private, a file left out", false, {1, 11}, kCopy, "D:\\W\\",
     [](FakeMachine& m) { m.files.heldFiles = {kWin7 + "\\Desktop\\file 1.txt"}; },
     {{11, "D:\\W\\Videos"}, {1, "D:\\W\\Desktop"}},
     {"D:\\W\\Videos\\file 11.txt", kWin7 + "\\Videos\\file 11.txt", "!D:\\W\\Desktop\\file 1.txt"},
     {"只有您本人、SYSTEM 和管理员可以访问", "有 1 个文件没有复制"}, true},
    {"discard: empty folders, desktop.ini only where Windows shows one", false, {1, 4}, kDont, "D:\\W",
     nullptr, {{1, "D:\\W\\Desktop"}, {4, "D:\\W\\INetCache"}},
     {"D:\\W\\Desktop\\desktop.ini", "!D:\\W\\Desktop\\file 1.txt", "!D:\\W\\INetCache\\desktop.ini"},
     {"已新建空文件夹"}, false, [](FakeMachine& m) {
       EXPECT_EQ(m.files.Attributes("D:\\W\\Desktop"), kFileAttributeReadOnly | kFileAttributeDirectory);
       EXPECT_EQ(m.files.Attributes("D:\\W\\INetCache"), kFileAttributeDirectory);  // read-only only with one
     }},
    {"two rows sharing one folder keep sharing it", false, {2, 3}, kDont, "D:\\W",
     [](FakeMachine& m) { SetRow(m, 3, kDocs, 1); },
     {{2, "D:\\W\\Documents"}, {3, "D:\\W\\Documents"}}, {}, {}, false},
    {"an existing drive root is left as it is; a second run in the same second keeps the first undo file",
     false, {1}, kMove, "D:\\",
     [](FakeMachine& m) { m.files.AddFile("D:\\Vestrand-还原-20261206-153000.reg", "first"); },
     {{1, "D:\\Desktop"}}, {"D:\\Vestrand-还原-20261206-153000-2.reg"}, {"已存在,访问权限保持原样"}, false},
    {"blank target: the picked folder, the box kept", false, {1}, kMove, "   ",
     [](FakeMachine& m) { m.dialogs.browseAnswer = "D:\\Backup"; },
     {{1, "D:\\Backup\\Desktop"}}, {}, {}, false,
     [](FakeMachine& m) { EXPECT_EQ(m.form.GetText(Control::Text15), "   "); }},
    {"refused second write: the first put back exactly", false, {1, 2}, kMove, "D:\\W", [](FakeMachine& m) {
       m.registry.Set(kUserShellFoldersKey, "Desktop", kWin7 + "\\Desktop", kRegExpandSz, "%USERPROFILE%\\Desktop");
       m.registry.refusedKeys = {kUserShellFoldersKey};
     },
     {{2, kDocs}}, {kWin7 + "\\Desktop\\file 1.txt", "!D:\\W\\Desktop"}, {"注册表拒绝写入"}, true, [](FakeMachine& m) {
       EXPECT_EQ(Reg(m, kShellFoldersKey, "Desktop"), kWin7 + "\\Desktop");
       EXPECT_EQ(m.registry.Find(kUserShellFoldersKey, "Desktop")->raw, "%USERPROFILE%\\Desktop");
       EXPECT_EQ(std::count(m.trace.begin(), m.trace.end(), "MessageBox(Error, 16, (default))"), 2);
     }},
    {"refused environment: the temporary folder and variables stay", false, {1, 6}, kMove, "D:\\W",
     [](FakeMachine& m) { m.registry.refusedKeys = {kEnvironmentKey}; },
     {{1, "D:\\W\\Desktop"}, {6, kTemp}}, {kTemp + "\\file 6.txt"}, {"注册表拒绝写入"}, true,
     [](FakeMachine& m) { EXPECT_TRUE(m.host.environment.empty()); }},
    {"copy, every file left out: pointed back", false, {2}, kCopy, "D:\\W",
     [](FakeMachine& m) { m.files.heldFiles = {kDocs + "\\file 2.txt"}; }, {{2, kDocs}}, {}, {"文件没有被转移"}, true},
    {"move onto a same-named folder the shell leaves alone", false, {2}, kMove, "D:\\W", [](FakeMachine& m) {
       m.files.AddFile("D:\\W\\Documents\\other.txt", "already there");
       m.files.moveOntoSameNameDoesNothing = true;
     },
     {{2, kDocs}}, {kDocs + "\\file 2.txt"}, {"文件没有被转移"}, true},
    {"move leaving the old folder behind, empty", false, {2}, kMove, "D:\\W",
     [](FakeMachine& m) { m.files.heldFiles = {kDocs}; }, {{2, "D:\\W\\Documents"}}, {kDocs},
     {"已移动到新位置"}, false},
    {"XP media folders missing get their fixed names", true, {}, kDont, "D:\\Personal", [](FakeMachine& m) {
       SetRow(m, 12, kXp + "\\Gone\\Pics", 1);
       SetRow(m, 13, "", 1);
       m.files.AddFile("C:\\Desktop.ini", "not the row's");  // what an empty box would name
     },
     {{12, "D:\\Personal\\My Pictures"}, {13, "D:\\Personal\\My Music"}},
     {"!D:\\Personal\\My Music\\Desktop.ini"}, {}, false},
    {"XP ordinary folder missing is skipped", true, {1, 3}, kMove, "D:\\Personal",
     [](FakeMachine& m) { SetRow(m, 1, kXp + "\\Gone Desktop", 1); },
     {{1, kXp + "\\Gone Desktop"}, {3, "D:\\Personal\\Favorites"}}, {}, {}, false},
};

// In every row, a value the run changed names a folder that exists and both of the row's values agree; every
// file's content is still somewhere. Returns the record's path and text.
std::pair<std::string, std::string> EveryRowNamedAndNothingLost(FakeMachine& m,
                                                                const std::map<std::string, std::string>& before) {
  for (const FolderRow& r : FolderCatalogue()) {
    const std::string now = Reg(m, r.firstWriteKey, r.valueName);
    if (now == m.form.GetText(TextOf(r.row)) || now == "<none>") continue;
    EXPECT_EQ(Reg(m, r.secondWriteKey, r.secondValueName), now) << r.valueName;
    EXPECT_TRUE(m.files.IsDirectory(now)) << r.valueName << " " << now;
  }
  std::multiset<std::string> kept;
  std::pair<std::string, std::string> record;
  for (const auto& [path, content] : m.files.Contents()) {
    kept.insert(content);
    if (Has(path, "\\Vestrand-记录-")) record = {path, content};
  }
  for (const auto& [path, content] : before) EXPECT_GE(kept.count(content), 1u) << path;
  return record;
}

TEST(RunTransfer, AcceptedRunsLeaveEveryFolderNamedAndNothingLost) {
  for (const Accepted& c : kAccepted) {
    for (const auto run : {RunTransferNT5, RunTransferNT6}) {
      if (c.xp && run == RunTransferNT6) continue;
      SCOPED_TRACE(std::string(c.name) + (run == RunTransferNT5 ? " (NT 5.x)" : " (NT 6.x)"));
      FakeMachine m;
      Prepare(m, c.xp, c.ticked, c.target, c.mode);
      if (c.setup) c.setup(m);
      const auto before = m.files.Contents();
      run(m.services, m.form);
      ASSERT_TRUE(m.host.ended) << ::testing::PrintToString(m.trace);
      for (const auto& [row, where] : c.values) {
        const FolderRow& r = CatalogueRow(row);
        EXPECT_EQ(Reg(m, r.firstWriteKey, r.valueName) + "|" + Reg(m, r.secondWriteKey, r.secondValueName),
                  where + "|" + where) << row;
      }
      for (const std::string& p : c.files) EXPECT_EQ(m.files.Exists(p.substr(p[0] == '!')), p[0] != '!') << p;
      if (c.check) c.check(m);
      const auto [recordFile, record] = EveryRowNamedAndNothingLost(m, before);
      EXPECT_EQ(record.rfind("\xEF\xBB\xBFVestrand 转移记录\r\n", 0), 0u) << recordFile;
      for (const std::string& line : c.recorded) EXPECT_TRUE(Has(record, line)) << record;
      const auto box = FirstCall(m.trace, "MessageBox(有些文件夹没有完整转移");
      EXPECT_EQ(box != m.trace.end(), c.told);
      EXPECT_TRUE(Before(m.trace, kTaskkill, kExplorer));
      if (box == m.trace.end()) continue;
      EXPECT_TRUE(box > FirstCall(m.trace, kExplorer) && Has(*box, recordFile)) << "the box waits for the shell";
    }
  }
}

// A refused run changes nothing: one box that says why, the window where it was, the
// desktop never ended, the files as they were, nothing written to the registry.
TEST(RunTransfer, RefusedRunsChangeNothing) {
  // target, mode, the start of the only box's text, what else it says, what differs from the profile
  using Setup = std::function<void(FakeMachine&)>;
  const std::tuple<std::string, Control, const char*, const char*, Setup> cases[] = {
      {"  ", kMove, "恐怕您没有选择目标文件夹", "", nullptr},
      {"D:Personal", kMove, "目标文件夹“D:Personal”", "不是完整的路径", nullptr},
      {"D:\\Personal ", kMove, "目标文件夹“D:\\Personal ”", "无效的文件夹名", nullptr},
      {"c:\\documents and settings\\USER\\my documents\\x", kCopy, "目标文件夹“c:\\documents",
       "文件夹“C:\\Documents and Settings\\user\\My Documents”之中", nullptr},
      {"E:\\Backup", kMove, "目标文件夹“E:\\Backup”", "My Documents”之中",
       [](FakeMachine& m) { m.files.aliases["E:"] = kXp + "\\My Documents"; }},
      {"D:\\Personal", kMove, "文件夹“", "同名", [](FakeMachine& m) {
         SetRow(m, 3, "E:\\Stuff\\My Documents", 1);
         m.files.AddFile("E:\\Stuff\\My Documents\\第 2 号.txt", "another");
       }},
      {"D:\\Personal", kCopy, "目标文件夹中已有同名的文件夹", "1 个文件会被覆盖",
       [](FakeMachine& m) { m.files.AddFile("D:\\Personal\\桌面\\SUB DIR\\深\\A.bin", "older"); }},
      {"C:\\Data", kCopy, "目标驱动器的空间不够", "“C:\\”所在的驱动器只剩 40 MB",
       [](FakeMachine& m) { m.files.freeBytes["C:"] = 40ull << 20; }},
      {"D:\\Personal", kMove, "无法读取注册表", "",
       [](FakeMachine& m) { m.registry.unreadableKeys = {kEnvironmentKey}; }},
      {"E:\\Personal", kMove, "无法创建目标文件夹“E:\\Personal”", "", nullptr},
      {"D:\\New\\Root", kMove, "无法在目标文件夹“D:\\New\\Root”中写入注册表还原文件", "",
       [](FakeMachine& m) { m.files.readOnlyFolders = {"D:\\New\\Root"}; }},
  };
  for (const auto run : {RunTransferNT5, RunTransferNT6}) {
    for (const auto& [target, mode, start, reason, setup] : cases) {
      SCOPED_TRACE(target + " " + start);
      FakeMachine m;
      Prepare(m, true, {1, 2, 11, 12, 13}, target, mode);
      if (setup) setup(m);
      const auto files = m.files.Contents();
      run(m.services, m.form);
      const auto box = FirstCall(m.trace, std::string("MessageBox(") + start);
      ASSERT_TRUE(box != m.trace.end()) << ::testing::PrintToString(m.trace);
      EXPECT_TRUE(Has(*box, reason) && Has(*box, "友情提示:)")) << *box;
      for (const std::string& e : m.trace) {
        for (const char* change : {"MessageBox(", "Reg", "Shell", "StartCommand", "SetFileAttributes"}) {
          EXPECT_TRUE(e == *box || e.rfind(change, 0) != 0) << e;
        }
      }
      EXPECT_EQ(m.files.Contents(), files);
      EXPECT_TRUE(m.form.windowEnabled && m.form.position.left == 2000 && m.form.position.top == 1500 && !m.host.ended);
    }
  }
}

// Whatever fails, wherever, once the window is parked: the window comes back where it was, enabled; once the
// desktop was ended, the row under way is settled, the record written, the desktop back, and only then a box,
// which names the record only when it was written.
TEST(RunTransfer, AnUnforeseenErrorAtAnyStepEndsLikeARun) {
  struct Failure {
    const char* call;  // the first call that starts so, before or after the desktop is ended, fails after its work
    bool shellEnded;
  };
  const Failure failures[] = {
      {"QueryOsVersion", false},
      {"MakeDirectory(D:\\W)", false},
      {"ProtectPrivateFolder", false},
      {"WriteNewFile(D:\\W\\Vestrand-还原", false},
      {"WriteNewFile(D:\\W\\Vestrand-记录", false},
      {"StartCommand(taskkill", true},
      {"Sleep", true},
      {"AppendToFile", true},
      {"RegWriteValue(Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders, Personal", true},
      {"ShellMoveFiles(C:\\Users\\Ann\\Documents", true},
      {"DirExists(D:\\W\\Documents)", true},
      {"SetEnvironmentVariable", true},
  };
  const std::function<void()> kinds[] = {
      [] { throw std::runtime_error("unforeseen"); },
      [] { throw std::bad_alloc(); },
      [] { throw 7; },
  };
  for (const Failure& f : failures) {
    for (const auto& fail : kinds) {
      SCOPED_TRACE(f.call);
      FakeMachine m;
      Prepare(m, false, {1, 2, 6}, "D:\\W");
      m.files.heldFiles = {kDocs + "\\file 2.txt"};
      const auto before = m.files.Contents();
      bool failed = false, shellGone = false;
      m.onCall = [&](const std::string& call) {
        shellGone = shellGone || call == kTaskkill;
        if (shellGone == f.shellEnded && call.rfind(f.call, 0) == 0 && !std::exchange(failed, true)) fail();
      };
      try {
        RunTransferNT6(m.services, m.form);
      } catch (...) {
        EXPECT_FALSE(f.shellEnded) << "an error after the desktop was ended must not leave the run";
      }
      ASSERT_TRUE(failed);
      EXPECT_TRUE(m.form.windowEnabled);
      EXPECT_EQ(m.form.position.left, 2000);
      EXPECT_EQ(m.form.position.top, 1500);
      EXPECT_FALSE(m.host.ended);
      const auto [recordFile, record] = EveryRowNamedAndNothingLost(m, before);
      if (!f.shellEnded) continue;
      const auto box = FirstCall(m.trace, "MessageBox(转移中途出现意外错误");
      ASSERT_NE(box, m.trace.end());
      EXPECT_TRUE(Before(m.trace, kTaskkill, kExplorer));
      EXPECT_GT(box, FirstCall(m.trace, kExplorer));
      EXPECT_TRUE(Has(*box, "Vestrand-还原-20261206-153000.reg"));
      EXPECT_EQ(Has(*box, recordFile), !recordFile.empty()) << *box;
    }
  }
}

// The record is on the disk before each row is carried and after it: a run ended by force at any moment leaves a
// record that names the rows done, the row under way and the rows not started; a run that ends says so.
TEST(RunTransfer, TheRecordSaysWhereARunWasStopped) {
  struct Moment {
    std::string call;                     // the run is ended by force right after this call
    std::size_t rowsDone;                 // rows with an outcome in the record
    const char* underWay;                 // the row being carried; "" between rows
    std::vector<std::string> notStarted;  // the ticked rows not begun
  };
  const Moment moments[] = {
      {kTaskkill, 0, "", {"我的桌面", "我的文档", "收藏夹"}},
      {"ShellMoveFiles(" + kWin7 + "\\Desktop", 0, "我的桌面", {"我的文档", "收藏夹"}},
      {Write(kShellFoldersKey, "Personal", "D:\\W\\Documents"), 1, "我的文档", {"收藏夹"}},
      {"ShellMoveFiles(" + kWin7 + "\\Favorites", 2, "收藏夹", {}},
  };
  const std::string recordFile = "D:\\W\\Vestrand-记录-20261206-153000.txt";
  for (const Moment& at : moments) {
    SCOPED_TRACE(at.call);
    FakeMachine m;
    Prepare(m, false, {1, 2, 3}, "D:\\W");
    std::string record;
    m.onCall = [&](const std::string& call) {
      if (record.empty() && call.rfind(at.call, 0) == 0) record = m.files.Contents().at(recordFile);
    };
    RunTransferNT6(m.services, m.form);
    const auto stopped = ReadInterruptedRecord(record);
    ASSERT_TRUE(stopped.has_value()) << record;
    EXPECT_EQ(stopped->undoFileName, "Vestrand-还原-20261206-153000.reg");
    EXPECT_EQ(stopped->caption, at.underWay);
    EXPECT_EQ(stopped->notStarted, at.notStarted);
    std::size_t done = 0;
    for (auto i = record.find("  结果: "); i != std::string::npos; i = record.find("  结果: ", i + 1)) ++done;
    EXPECT_EQ(done, at.rowsDone);
    if (*at.underWay != '\0') {
      EXPECT_TRUE(Has(stopped->oldLocation, kWin7)) << stopped->oldLocation;
      EXPECT_TRUE(Has(stopped->newLocation, "D:\\W\\")) << stopped->newLocation;
    }
    // The run that was not stopped ends its record.
    EXPECT_FALSE(ReadInterruptedRecord(m.files.Contents().at(recordFile)).has_value());
  }
}

}  // namespace
}  // namespace vestrand
