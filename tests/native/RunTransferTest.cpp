// The relocation runs against the in-memory Windows: each case asserts what the user or Windows sees afterwards
// (registry values, files, boxes, environment, shell), and the few orders the user relies on.
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
using namespace fake::rows;
using fake::Has;

const std::string kXp = "C:\\Documents and Settings\\user";
const std::string kWin7 = "C:\\Users\\Ann";
const std::string kDocs = kWin7 + "\\Documents";
const char* const kTaskkill = "StartCommand(taskkill.exe /f /im explorer.exe, 2)";
const char* const kExplorer = "StartCommand(explorer.exe, 2)";
const char* const kErrorBox = "MessageBox(Error, 16, (default))";  // a registry write refused

// The row as start-up left it: the box, the tick and both registry values.
void SetRow(FakeMachine& m, int row, const std::string& path, int tick) {
  m.form.State(TextOf(row)).text = path;
  m.form.State(CheckOf(row)).value = tick;
  const FolderRow& r = CatalogueRow(row);
  if (path.empty()) return;
  m.registry.Set(r.firstWriteKey, r.valueName, path);
  m.registry.Set(r.secondWriteKey, r.secondValueName, path);
}

// The window as the user leaves it before a run, over a Windows XP profile (music, pictures and videos inside My
// Documents; no contacts, downloads, links, searches or saved games) or a Windows 7 one.
void Prepare(FakeMachine& m, bool xp, const std::set<int>& ticked, const std::string& target,
             Control mode = Control::OptionMove, int logoff = 0) {
  m.form.State(Control::Text15).text = target;
  m.form.State(mode).value = 1;  // the others start cleared
  m.form.State(Control::CkLogoff).value = logoff;
  m.files.AddDirectory("D:");
  // clang-format off
  const char* const xpRows[kRowCount] = {
      "桌面", "My Documents", "Favorites", "Local Settings\\Temporary Internet Files", "Cookies",
      "Local Settings\\Temp", "", "", "", "", "My Documents\\My Videos", "My Documents\\My Pictures",
      "My Documents\\My Music", ""};
  const char* const win7Rows[kRowCount] = {
      "Desktop", "Documents", "Favorites", "AppData\\Local\\INetCache", "AppData\\Roaming\\INetCookies",
      "AppData\\Local\\Temp", "Contacts", "Downloads", "Links", "Searches", "Videos", "Pictures", "Music",
      "Saved Games"};
  // clang-format on
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
fake::Trace::const_iterator FirstCall(const fake::Trace& t, const std::string& prefix) {
  return std::find_if(t.begin(), t.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
}

// Whether both calls were made, the one starting with `first` before the one starting with `then`.
bool Before(const fake::Trace& t, const std::string& first, const std::string& then) {
  const auto later = FirstCall(t, then);
  return FirstCall(t, first) < later && later != t.end();
}

const TwipsPoint kWhereLeft = FakeMachine::kWhereTheUserLeftIt;  // the window before a run
const int kParkedLeftTwips = 1050;                               // where a run that ends leaves the window

enum class Profile { Xp, Win7 };  // as Prepare makes them
const Control kMove = Control::OptionMove, kCopy = Control::OptionCopy, kDont = Control::OptionDont;
const std::string kTemp = kWin7 + "\\AppData\\Local\\Temp";
const std::string kXpDocs = kXp + "\\My Documents";
const std::string kCacheDir = kWin7 + "\\AppData\\Local\\INetCache", kMyDocs = "%USERPROFILE%\\Documents";
const FileSystem::VolumeFacts kFat32{"FAT32", false, 32768};

// One accepted run per row, under the NT 5.x run and, for a Windows 7 profile, the NT 6.x run too. Every run must
// leave both values of a row agreeing and a changed row's folder there, no file lost, the record written, and the
// desktop that was ended back before any box.
struct StartedRow {  // a row as start-up left it
  int row;
  std::string path;
  int tick;
};
struct Accepted {
  const char* name;
  Profile profile = Profile::Win7;
  std::set<int> ticked;
  Control mode = kMove;
  std::string target = "D:\\W";
  std::function<void(FakeMachine&)> setup = nullptr;
  std::vector<StartedRow> rows = {};                            // rows start-up left otherwise
  std::vector<std::pair<std::string, std::string>> files = {};  // more files before the run: path, content
  fake::Names skipped = {}, held = {};  // files the shell leaves behind; files another program holds open
  std::vector<std::pair<int, std::string>> values = {};     // where a row's values point after the run
  std::vector<std::pair<int, std::string>> nt6Values = {};  // and on NT 6.x alone, which takes the boxes' word
  std::vector<std::string> present = {}, gone = {};         // files and folders after the run
  std::vector<std::string> recorded = {};                   // in the record of the run
  bool told = false;                                        // a box names the record
  int logoff = 0;                                           // 执行注销 ticked
  std::function<void(FakeMachine&)> check = nullptr;
};

// clang-format off
const Accepted kAccepted[] = {
    {.name = "move; temporary files under both names and in the environment; a refused end or start of the shell",
     .ticked = {kDesktop, kCookies, kTempRow},
     .setup = [](FakeMachine& m) {
       m.host.now = {2026, 10, 3, 9, 8, 7};
       m.host.SetVersion(6, 1, 0x06011DB1, u"Service Pack 1");  // the build is the low word
       m.host.failingCommands = {"taskkill.exe /f /im explorer.exe", "explorer.exe"};
       m.host.shellGuardRefused = true;
     },
     .values = {{kDesktop, "D:\\W\\Desktop"}, {kCookies, "D:\\W\\INetCookies"}, {kTempRow, "D:\\W\\Temp"}},
     .present = {"D:\\W\\Desktop\\file 1.txt", "D:\\W\\Desktop\\desktop.ini", "D:\\W\\Temp\\file 6.txt"},
     .gone = {kWin7 + "\\Desktop"},
     .recorded = {"时间: 2026-10-03 09:08:07\r\n", "Windows 版本: 6.1.7601 Service Pack 1\r\n", "转移模式: 移动文件\r\n",
                  "我的桌面\r\n  原位置: " + kWin7 + "\\Desktop\r\n  正在转移到: D:\\W\\Desktop\r\n"
                  "  现位置: D:\\W\\Desktop\r\n  结果: 已移动到新位置\r\n"},
     .check = [](FakeMachine& m) {
       EXPECT_EQ(m.host.environment["TEMP"], "D:\\W\\Temp");
       EXPECT_EQ(m.host.environment["TMP"], "D:\\W\\Temp");
       EXPECT_TRUE(Before(m.trace, "BroadcastEnvironmentChange()", kExplorer));
       // The shell could not be started: the watcher is left to start it when the program ends.
       EXPECT_EQ(FirstCall(m.trace, "ShellRestored()"), m.trace.end());
       // The way back holds every value the run may change, the environment's two included.
       const std::string undo = m.files.Contents().at("D:\\W\\Vestrand-还原-20261003-090807.reg");  // UTF-16LE
       for (const std::string v : {"\"TEMP\"=", "\"TMP\"=", "\"Desktop\"=", "\"My Music\"="}) {
         std::string utf16;
         for (const char c : v) utf16 += {c, '\0'};
         EXPECT_TRUE(Has(undo, utf16)) << v;
       }
     }},
    {.name = "copy into a new root, made private, a file left out", .ticked = {kDesktop, kVideos}, .mode = kCopy,
     .target = "D:\\W\\", .skipped = {kWin7 + "\\Desktop\\file 1.txt"},
     .values = {{kVideos, "D:\\W\\Videos"}, {kDesktop, "D:\\W\\Desktop"}},
     .present = {"D:\\W\\Videos\\file 11.txt", kWin7 + "\\Videos\\file 11.txt"}, .gone = {"D:\\W\\Desktop\\file 1.txt"},
     .recorded = {"只有您本人、SYSTEM 和管理员可以访问", "有 1 个文件没有复制"}, .told = true},
    {.name = "copy whose file arrives short is counted", .ticked = {kDocuments}, .mode = kCopy,
     .setup = [](FakeMachine& m) { m.files.shortCopies = {kDocs + "\\file 2.txt"}; },
     .files = {{kDocs + "\\more.txt", "more"}},
     .values = {{kDocuments, "D:\\W\\Documents"}}, .recorded = {"有 1 个文件没有复制"}, .told = true},
    {.name = "copy of an empty folder is kept", .ticked = {kSearches}, .mode = kCopy,
     .setup = [](FakeMachine& m) { m.files.Remove(kWin7 + "\\Searches\\file 10.txt"); },
     .values = {{kSearches, "D:\\W\\Searches"}}, .recorded = {"已复制到新位置"}},
    {.name = "discard: empty folders, desktop.ini only where Windows shows one; two rows sharing a folder keep it",
     .ticked = {kDesktop, kCache, kDocuments, kFavorites}, .mode = kDont, .rows = {{kFavorites, kDocs, 1}},
     .values = {{kDesktop, "D:\\W\\Desktop"}, {kCache, "D:\\W\\INetCache"}, {kDocuments, "D:\\W\\Documents"},
                {kFavorites, "D:\\W\\Documents"}}, .present = {"D:\\W\\Desktop\\desktop.ini"},
     .gone = {"D:\\W\\Desktop\\file 1.txt", "D:\\W\\INetCache\\desktop.ini"}, .recorded = {"已新建空文件夹"},
     .check = [](FakeMachine& m) {
       EXPECT_EQ(m.files.Attributes("D:\\W\\Desktop"), kFileAttributeReadOnly | kFileAttributeDirectory);
       EXPECT_EQ(m.files.Attributes("D:\\W\\INetCache"), kFileAttributeDirectory);  // read-only only with one
     }},
    {.name = "an existing drive root is left as it is; a second run in the same second keeps the first undo file",
     .ticked = {kDesktop}, .target = "D:\\", .files = {{"D:\\Vestrand-还原-20261206-153000.reg", "first"}},
     .values = {{kDesktop, "D:\\Desktop"}}, .present = {"D:\\Vestrand-还原-20261206-153000-2.reg"},
     .recorded = {"已存在,访问权限保持原样"}},
    {.name = "a second run onto folders already in place: neither refused nor carried onto itself",
     .ticked = {kDesktop, kDocuments}, .mode = kCopy,
     .rows = {{kDesktop, "D:\\W\\Desktop", 1}}, .files = {{"D:\\W\\Desktop\\mine.txt", "already moved"}},
     .values = {{kDesktop, "D:\\W\\Desktop"}, {kDocuments, "D:\\W\\Documents"}},
     .present = {"D:\\W\\Desktop\\mine.txt"}, .recorded = {"已在目标位置,无需转移"},
     .check = [](FakeMachine& m) { EXPECT_EQ(FirstCall(m.trace, "ShellCopyFiles(D:\\W\\Desktop"), m.trace.end()); }},
    {.name = "refused second write: the first put back exactly, the row recorded at its old place",
     .ticked = {kDesktop, kDocuments},
     .setup = [](FakeMachine& m) {
       m.registry.Set(kUserShellFoldersKey, "Desktop", kWin7 + "\\Desktop", kRegExpandSz, "%USERPROFILE%\\Desktop");
       m.registry.refusedKeys = {kUserShellFoldersKey};
     },
     .values = {{kDocuments, kDocs}}, .present = {kWin7 + "\\Desktop\\file 1.txt"}, .gone = {"D:\\W\\Desktop"},
     .recorded = {"注册表拒绝写入", "  现位置: " + kWin7 + "\\Desktop\r\n"}, .told = true,
     .check = [](FakeMachine& m) {
       EXPECT_EQ(Reg(m, kShellFoldersKey, "Desktop"), kWin7 + "\\Desktop");
       EXPECT_EQ(m.registry.Find(kUserShellFoldersKey, "Desktop")->raw, "%USERPROFILE%\\Desktop");
       EXPECT_EQ(std::count(m.trace.begin(), m.trace.end(), kErrorBox), 2);
     }},
    {.name = "copy, every file left out: pointed back, the value as it was stored and the environment with it",
     .ticked = {kDocuments, kTempRow}, .mode = kCopy,
     .setup = [](FakeMachine& m) { m.registry.Set(kUserShellFoldersKey, "Personal", kDocs, kRegExpandSz, kMyDocs); },
     .skipped = {kDocs + "\\file 2.txt", kTemp + "\\file 6.txt"}, .values = {{kTempRow, kTemp}},
     .recorded = {"文件没有被转移"}, .told = true,
     .check = [](FakeMachine& m) {
       const fake::StoredValue* v = m.registry.Find(kUserShellFoldersKey, "Personal");
       EXPECT_EQ(v->type, kRegExpandSz);
       EXPECT_EQ(v->raw, kMyDocs);
       EXPECT_EQ(m.host.environment["TEMP"], kTemp);
     }},
    {.name = "move leaving a file behind is counted", .ticked = {kDocuments},
     .files = {{kDocs + "\\more.txt", "more"}}, .skipped = {kDocs + "\\file 2.txt"},
     .values = {{kDocuments, "D:\\W\\Documents"}}, .recorded = {"原位置仍有 1 个文件"}, .told = true},
    {.name = "move leaving the old folder behind, empty", .ticked = {kDocuments}, .skipped = {kDocs},
     .values = {{kDocuments, "D:\\W\\Documents"}}, .present = {kDocs}, .recorded = {"已移动到新位置"}},
    {.name = "folders that exist nowhere: a media one made where it is sent, an ordinary one too on NT 6.x alone; "
             "then the log-off", .ticked = {kPictures, kDownloads},
     .rows = {{kPictures, kWin7 + "\\Gone\\My Pictures", 1}, {kDownloads, kWin7 + "\\Gone\\Downloads", 1}},
     .values = {{kPictures, "D:\\W\\My Pictures"}}, .nt6Values = {{kDownloads, "D:\\W\\Downloads"}},
     .present = {"D:\\W\\My Pictures"}, .recorded = {"已新建空文件夹"}, .logoff = 1},
    {.name = "a sync folder copied: the copy leaves it where its client keeps it", .ticked = {kDocuments},
     .mode = kCopy, .setup = [](FakeMachine& m) { m.host.syncRoots = {{kDocs, "OneDrive"}}; },
     .values = {{kDocuments, "D:\\W\\Documents"}}},
    {.name = "a file held in the browser's cache stays behind, no reason to refuse", .ticked = {kCache},
     .files = {{kCacheDir + "\\more.txt", "more"}}, .held = {kCacheDir + "\\file 4.txt"},
     .values = {{kCache, "D:\\W\\INetCache"}}, .recorded = {"原位置仍有 1 个文件"}, .told = true},
    {.name = "desktop.ini held by the shell is no reason to refuse", .ticked = {kDesktop}, .mode = kCopy,
     .held = {kWin7 + "\\Desktop\\desktop.ini"}, .values = {{kDesktop, "D:\\W\\Desktop"}}},
    {.name = "paths at the limit: a file of 259 and a folder of 247 characters at the new place", .ticked = {kDesktop},
     .mode = kCopy, .target = "D:\\" + std::string(60, 'T'),
     .files = {{kWin7 + "\\Desktop\\" + std::string(187, 'f'), "259"},
               {kWin7 + "\\Desktop\\" + std::string(175, 'd') + "\\a", "247"}},
     .values = {{kDesktop, "D:\\" + std::string(60, 'T') + "\\Desktop"}}},
    {.name = "a file of 4 GiB to NTFS", .ticked = {kDesktop}, .mode = kCopy,
     .setup = [](FakeMachine& m) { m.files.sizes[kWin7 + "\\Desktop\\file 1.txt"] = 4ull << 30; },
     .values = {{kDesktop, "D:\\W\\Desktop"}}},
    {.name = "a retry onto the identical copy an interrupted run left", .ticked = {kDocuments}, .mode = kCopy,
     .setup = [](FakeMachine& m) {
       m.files.AddFile(kDocs + "\\file 2.txt", "row 2", 77);
       m.files.AddFile("D:\\W\\Documents\\file 2.txt", "row 2", 77);
     },
     .values = {{kDocuments, "D:\\W\\Documents"}}},
    {.name = "a second run onto the first one's target: desktop.ini in both, the target's kept", .ticked = {kDesktop},
     .mode = kCopy, .files = {{"D:\\W\\Desktop\\desktop.ini", "[its own]"},
                              {"D:\\W\\Desktop\\older.txt", "from the first run"}},
     .values = {{kDesktop, "D:\\W\\Desktop"}}, .present = {"D:\\W\\Desktop\\older.txt"},
     .check = [](FakeMachine& m) { EXPECT_EQ(m.files.Contents().at("D:\\W\\Desktop\\desktop.ini"), "[its own]"); }},
    {.name = "the record names the Windows that really runs", .ticked = {kDesktop},
     .setup = [](FakeMachine& m) {
       m.host.SetVersion(6, 2, 9200);
       m.host.realVersion = "10.0.22631";
     },
     .recorded = {"Windows 版本: 10.0.22631\r\n"}},
    {.name = "a new root on a drive without access lists: the run goes on and says so", .ticked = {kDesktop},
     .setup = [](FakeMachine& m) {
       m.files.volumes["D:"] = kFat32;
       m.files.protectRefused = true;
     },
     .values = {{kDesktop, "D:\\W\\Desktop"}}, .recorded = {"此驱动器不支持访问权限设置"}},
    {.name = "XP media folders missing get their fixed names", .profile = Profile::Xp, .ticked = {}, .mode = kDont,
     .target = "D:\\Personal", .rows = {{kPictures, kXp + "\\Gone\\Pics", 1}, {kMusic, "", 1}},
     .files = {{"C:\\Desktop.ini", "not the row's"}},  // what an empty box would name
     .values = {{kPictures, "D:\\Personal\\My Pictures"}, {kMusic, "D:\\Personal\\My Music"}},
     .gone = {"D:\\Personal\\My Music\\Desktop.ini"}},
    {.name = "XP ordinary folder missing is skipped", .profile = Profile::Xp, .ticked = {kDesktop, kFavorites},
     .target = "D:\\Personal", .rows = {{kDesktop, kXp + "\\Gone Desktop", 1},
                                         {kPictures, kXp + "\\Gone\\Pics", 1}},  // a media one: its fixed name, empty
     .values = {{kDesktop, kXp + "\\Gone Desktop"}, {kFavorites, "D:\\Personal\\Favorites"},
                {kPictures, "D:\\Personal\\My Pictures"}},
     .recorded = {"\r\n网页历史\r\n  原位置: (空)\r\n"},  // the caption XP shows
     .check = [](FakeMachine& m) {  // the shell is not asked for it, so it shows no error window
       EXPECT_EQ(FirstCall(m.trace, "ShellMoveFiles(" + kXp + "\\Gone"), m.trace.end());
     }},
    {.name = "XP: an unticked folder inside a moved one follows it; one that is not there stays",
     .profile = Profile::Xp, .ticked = {kDocuments}, .target = "D:\\Personal",
     .rows = {{kVideos, kXpDocs + "\\Gone Videos", 0}},
     .values = {{kDocuments, "D:\\Personal\\My Documents"}, {kMusic, "D:\\Personal\\My Documents\\My Music"},
                {kVideos, kXpDocs + "\\Gone Videos"}},
     .recorded = {"我的音乐\r\n  原位置: " + kXpDocs + "\\My Music\r\n  现位置: D:\\Personal\\My Documents\\My Music\r\n"
                  "  结果: 随所在的文件夹一起移动,注册表已更新"}},
    {.name = "XP: an unticked folder the shell left behind keeps its place", .profile = Profile::Xp,
     .ticked = {kDocuments}, .target = "D:\\Personal", .skipped = {kXpDocs + "\\My Music\\第 13 号.txt"},
     .values = {{kDocuments, "D:\\Personal\\My Documents"}, {kMusic, kXpDocs + "\\My Music"}}, .told = true},
    {.name = "XP: a refused follow write is told", .profile = Profile::Xp, .ticked = {kDocuments},
     .target = "D:\\Personal", .setup = [](FakeMachine& m) { m.registry.refusedValues = {"My Music"}; },
     .values = {{kDocuments, "D:\\Personal\\My Documents"}, {kMusic, kXpDocs + "\\My Music"}},
     .recorded = {"注册表拒绝写入新位置"}, .told = true,
     .check = [](FakeMachine& m) { EXPECT_EQ(std::count(m.trace.begin(), m.trace.end(), kErrorBox), 1); }},
    {.name = "XP: a ticked folder inside a ticked one travels in it, not a second time", .profile = Profile::Xp,
     .ticked = {kDocuments, kMusic}, .target = "D:\\Personal",
     .values = {{kMusic, "D:\\Personal\\My Documents\\My Music"}},
     .present = {"D:\\Personal\\My Documents\\My Music\\第 13 号.txt"}, .gone = {"D:\\Personal\\My Music"}},
    {.name = "XP: the outer move left undone by the shell leaves the inner row naming its music",
     .profile = Profile::Xp, .ticked = {kDocuments, kMusic}, .target = "D:\\Personal",
     .setup = [](FakeMachine& m) {
       m.files.AddDirectory("D:\\Personal\\My Documents\\My Music");  // left by an earlier run
       m.files.moveOntoSameNameDoesNothing = true;
     },
     .values = {{kDocuments, kXpDocs}, {kMusic, kXpDocs + "\\My Music"}}, .recorded = {"文件没有被转移"}, .told = true},
    {.name = "XP: the outer move done in part counts the inner row's own files left", .profile = Profile::Xp,
     .ticked = {kDocuments, kMusic}, .target = "D:\\Personal", .skipped = {kXpDocs + "\\My Music\\第 13 号.txt"},
     .values = {{kMusic, "D:\\Personal\\My Documents\\My Music"}}, .recorded = {"原位置仍有 1 个文件"}, .told = true,
     .check = [](FakeMachine& m) {
       const std::string record = m.files.Contents().at("D:\\Personal\\Vestrand-记录-20261206-153000.txt");
       EXPECT_TRUE(Has(record, "我的音乐\r\n  原位置: " + kXpDocs + "\\My Music\r\n  正在转移到: ")) << record;
       EXPECT_FALSE(Has(record.substr(record.find("我的音乐\r\n")), "已移动到新位置")) << record;
     }},
};
// clang-format on

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
      if (c.profile == Profile::Xp && run == RunTransferNT6) continue;
      SCOPED_TRACE(std::string(c.name) + (run == RunTransferNT5 ? " (NT 5.x)" : " (NT 6.x)"));
      FakeMachine m;
      Prepare(m, c.profile == Profile::Xp, c.ticked, c.target, c.mode, c.logoff);
      for (const auto& [row, path, tick] : c.rows) SetRow(m, row, path, tick);
      for (const auto& [path, content] : c.files) m.files.AddFile(path, content);
      m.files.shellSkips = c.skipped;
      m.files.heldFiles = c.held;
      if (c.setup) c.setup(m);
      const auto before = m.files.Contents();
      run(m.services, m.form);
      ASSERT_TRUE(m.host.ended) << ::testing::PrintToString(m.trace);
      auto values = c.values;
      if (run == RunTransferNT6) values.insert(values.end(), c.nt6Values.begin(), c.nt6Values.end());
      for (const auto& [row, where] : values) {
        const FolderRow& r = CatalogueRow(row);
        EXPECT_EQ(Reg(m, r.firstWriteKey, r.valueName), where) << row;
        EXPECT_EQ(m.registry.Find(r.firstWriteKey, r.valueName)->type, kRegSz) << row;
        EXPECT_EQ(Reg(m, r.secondWriteKey, r.secondValueName), where) << row;
      }
      for (const std::string& p : c.present) EXPECT_TRUE(m.files.Exists(p)) << p;
      for (const std::string& p : c.gone) EXPECT_FALSE(m.files.Exists(p)) << p;
      if (c.check) c.check(m);
      const auto [recordFile, record] = EveryRowNamedAndNothingLost(m, before);
      EXPECT_EQ(record.rfind("\xEF\xBB\xBFVestrand 转移记录\r\n", 0), 0u) << recordFile;
      for (const std::string& line : c.recorded) EXPECT_TRUE(Has(record, line)) << line << " in " << record;
      const auto box = FirstCall(m.trace, "MessageBox(有些文件夹没有完整转移");
      EXPECT_EQ(box != m.trace.end(), c.told);
      EXPECT_TRUE(Before(m.trace, kTaskkill, kExplorer));
      // The way back is on the disk and the shell guarded before the shell is ended; the window and cursor are back.
      EXPECT_TRUE(Before(m.trace, "WriteNewFile(", kTaskkill));
      EXPECT_TRUE(Before(m.trace, "GuardShell()", kTaskkill));
      EXPECT_TRUE(m.form.windowEnabled);
      EXPECT_FALSE(m.dialogs.waitCursor);
      EXPECT_EQ(m.form.position.left, kParkedLeftTwips) << "parked at the left, as the program ends";
      // The log-off, when asked for, comes with the desktop back, before the program ends.
      EXPECT_EQ(Before(m.trace, kExplorer, "SysLogoff()") && Before(m.trace, "SysLogoff()", "EndProgram()"),
                c.logoff == 1);
      if (box == m.trace.end()) continue;
      EXPECT_GT(box, FirstCall(m.trace, kExplorer)) << "the box waits for the shell";
      EXPECT_TRUE(Has(*box, recordFile)) << *box;
    }
  }
}

const std::string kLongTarget = "D:\\" + std::string(60, 'T');  // the desktop then goes to a path of 66 characters

// A refused run changes nothing: one box that says why, the window where it was, the desktop never ended, the files
// as they were, nothing written to the registry.
TEST(RunTransfer, RefusedRunsChangeNothing) {
  struct Refused {
    std::string target;
    Control mode;
    const char* opens;                   // how the only box's text begins
    std::vector<std::string> says = {};  // what else the box says
    std::function<void(FakeMachine&)> setup = nullptr;
  };
  // clang-format off
  const Refused cases[] = {
      {"  ", kMove, "恐怕您没有选择目标文件夹"},
      {"D:Personal", kMove, "目标文件夹“D:Personal”", {"不是完整的路径"}},
      {"D:\\Personal ", kMove, "目标文件夹“D:\\Personal ”", {"无效的文件夹名"}},
      {"c:\\documents and settings\\USER\\my documents\\x", kCopy, "目标文件夹“c:\\documents",
       {"文件夹“C:\\Documents and Settings\\user\\My Documents”之中"}},
      {"E:\\Backup", kMove, "目标文件夹“E:\\Backup”", {"My Documents”之中"},
       [](FakeMachine& m) { m.files.aliases["E:"] = kXp + "\\My Documents"; }},
      {"E:\\", kMove, "目标文件夹“E:\\”", {"My Documents”之中"},
       [](FakeMachine& m) { m.files.aliases["E:"] = kXp + "\\My Documents"; }},
      {"D:\\Personal", kMove, "文件夹“", {"和“E:\\Stuff\\My Documents”同名"}, [](FakeMachine& m) {
         SetRow(m, kFavorites, "E:\\Stuff\\My Documents", 1);
         m.files.AddFile("E:\\Stuff\\My Documents\\第 2 号.txt", "another");
       }},
      {"D:\\Personal", kCopy, "目标文件夹中已有同名的文件夹", {"1 个文件会被覆盖"},
       [](FakeMachine& m) { m.files.AddFile("D:\\Personal\\桌面\\SUB DIR\\深\\A.bin", "older"); }},
      {"D:\\Personal", kCopy, "目标文件夹中已有同名的文件夹",
       {"夹,其中 12 个文件会被覆盖:\nD:\\Personal\\桌面\\a\n", "\nD:\\Personal\\桌面\\j\n……\n请先"},
       [](FakeMachine& m) {
         for (const char* name : {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l"}) {
           m.files.AddFile(kXp + "\\桌面\\" + name, "new");
           m.files.AddFile("D:\\Personal\\桌面\\" + std::string(name), "old");
         }
       }},
      {"C:\\Data", kCopy, "目标驱动器的空间不够", {"约 3.0 GB", "“C:\\”所在的驱动器只剩 2.5 GB"},
       [](FakeMachine& m) {
         m.files.sizes[kXp + "\\桌面\\第 1 号.txt"] = 3ull << 30;
         m.files.freeBytes["C:"] = 5ull << 29;
       }},
      // Every file of every row counts, and a move to another drive writes them all again.
      {"D:\\Personal", kMove, "目标驱动器的空间不够", {},
       [](FakeMachine& m) {
         m.files.volumes["D:"] = {"NTFS", true, 0};  // bytes as they are
         m.files.freeBytes["D:"] = (50ull << 20) + 60;
       }},
      // Windows' own comparison: one file to the file system, whatever a table of a few alphabets says.
      {"D:\\Personal", kCopy, "目标文件夹中已有同名的文件夹", {"桌面\\Łódź.jpg"}, [](FakeMachine& m) {
         m.files.AddFile(kXp + "\\桌面\\Łódź.jpg", "new");
         m.files.AddFile("D:\\Personal\\桌面\\łódź.jpg", "old");
       }},
      {"D:\\Personal", kCopy, "目标文件夹中已有同名的文件夹", {"sub dir\\深\\a.bin"}, [](FakeMachine& m) {
         m.files.AddDirectory("D:\\Personal\\桌面");
         m.files.aliases["D:\\Personal\\桌面\\sub dir"] = "E:\\Elsewhere";  // a junction in the target
         m.files.AddFile("E:\\Elsewhere\\深\\a.bin", "behind the junction");
       }},
      {"D:\\Personal", kMove, "有 1 个文件夹位于同步软件", {"我的文档: " + kXpDocs + " (OneDrive)"},
       [](FakeMachine& m) { m.host.syncRoots = {{kXpDocs, "OneDrive"}}; }},
      {"D:\\Personal", kCopy, "有 1 个文件正被其他程序使用", {"第 2 号.txt (Word)"}, [](FakeMachine& m) {
         m.files.heldFiles = {kXpDocs + "\\第 2 号.txt"};
         m.files.holders[kXpDocs + "\\第 2 号.txt"] = {"Word"};
       }},
      {kLongTarget, kCopy, "有 1 个文件或文件夹的路径太长", {},
       [](FakeMachine& m) { m.files.AddFile(kXp + "\\桌面\\" + std::string(193, 'f'), "260 at the new place"); }},
      {kLongTarget, kCopy, "有 1 个文件或文件夹的路径太长", {}, [](FakeMachine& m) {
         m.files.AddFile(kXp + "\\桌面\\" + std::string(181, 'd') + "\\a", "in a folder of 248 at the new place");
       }},
      {"D:\\Personal", kCopy, "目标驱动器是 FAT32 格式", {"桌面\\disk.img"}, [](FakeMachine& m) {
         m.files.volumes["D:"] = kFat32;
         m.files.AddFile(kXp + "\\桌面\\disk.img", "4 GiB");
         m.files.sizes[kXp + "\\桌面\\disk.img"] = 4ull << 30;
       }},
      // Two thousand small files take 2000 clusters of 32 KiB on FAT32: 62.5 MiB, not 400 KiB.
      {"D:\\Personal", kCopy, "目标驱动器的空间不够", {}, [](FakeMachine& m) {
         m.files.volumes["D:"] = kFat32;
         m.files.freeBytes["D:"] = 100ull << 20;
         for (int i = 0; i < 2000; ++i) {
           m.files.AddFile(kXp + "\\桌面\\cache\\" + std::to_string(i), std::string(200, 'c'));
         }
       }},
      {"D:\\New", kMove, "无法设置目标文件夹“D:\\New”的访问权限", {},
       [](FakeMachine& m) { m.files.protectRefused = true; }},
      {"D:\\Personal", kMove, "无法读取注册表", {},
       [](FakeMachine& m) { m.registry.unreadableKeys = {kEnvironmentKey}; }},
      {"E:\\Personal", kMove, "无法创建目标文件夹“E:\\Personal”"},
      {"D:\\New\\Root", kMove, "无法在目标文件夹“D:\\New\\Root”中写入注册表还原文件", {},
       [](FakeMachine& m) { m.files.readOnlyFolders = {"D:\\New\\Root"}; }},
  };
  // clang-format on
  for (const auto run : {RunTransferNT5, RunTransferNT6}) {
    for (const auto& [target, mode, start, reason, setup] : cases) {
      SCOPED_TRACE(target + " " + start);
      FakeMachine m;
      Prepare(m, true, {kDesktop, kDocuments, kVideos, kPictures, kMusic}, target, mode);
      if (setup) setup(m);
      const auto files = m.files.Contents();
      run(m.services, m.form);
      const auto box = FirstCall(m.trace, std::string("MessageBox(") + start);
      ASSERT_TRUE(box != m.trace.end()) << ::testing::PrintToString(m.trace);
      for (const std::string& said : reason) EXPECT_TRUE(Has(*box, said)) << said << " in " << *box;
      EXPECT_TRUE(Has(*box, "友情提示:)")) << *box;
      for (const std::string& e : m.trace) {
        for (const char* change : {"MessageBox(", "Reg", "Shell", "StartCommand", "SetFileAttributes"}) {
          EXPECT_TRUE(e == *box || e.rfind(change, 0) != 0) << e;
        }
      }
      EXPECT_EQ(m.files.Contents(), files);
      EXPECT_TRUE(m.form.windowEnabled);
      EXPECT_FALSE(m.dialogs.waitCursor);
      EXPECT_EQ(std::tie(m.form.position.left, m.form.position.top), std::tie(kWhereLeft.left, kWhereLeft.top));
      EXPECT_FALSE(m.host.ended);
    }
  }
}

// Whatever fails, wherever, once the window is parked: the window comes back where it was, enabled. Once the
// desktop was ended, the record on the disk at that moment names the rows done and the row under way, as it would
// for a run ended by force; then the row under way is settled, the record ended, the desktop back, and only then a
// box, which names the record only when it was written.
TEST(RunTransfer, AnUnforeseenErrorAtAnyStepEndsLikeARun) {
  struct Failure {
    const char* call;  // the first call that starts so, before or after the desktop is ended, fails after its work
    bool shellEnded;
    const char* underWay = "";   // the row the record names as under way at that moment; "": between rows
    std::size_t rowsDone = 0;    // rows with an outcome in the record at that moment, those left alone too
    std::size_t notStarted = 3;  // ticked rows the record names as not begun
  };
  const Failure failures[] = {
      {"QueryOsVersion", false},
      {"MakeDirectory(D:\\W)", false},
      {"ProtectPrivateFolder", false},
      {"WriteNewFile(D:\\W\\Vestrand-还原", false},
      {"WriteNewFile(D:\\W\\Vestrand-记录", false},
      {"StartCommand(taskkill", true},
      {"Sleep", true},
      {"AppendToFile", true, "我的桌面", 0, 2},
      {"RegWriteValue(Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders, Personal", true,
       "我的文档", 1, 1},
      {"ShellMoveFiles(C:\\Users\\Ann\\Documents", true, "我的文档", 1, 1},
      {"DirExists(D:\\W\\Documents)", true, "我的文档", 1, 1},
      {"SetEnvironmentVariable", true, "临时文件", 5, 0},
  };
  const std::function<void()> kinds[] = {
      [] { throw std::runtime_error("unforeseen"); },
      [] { throw std::bad_alloc(); },
      [] { throw 7; },
  };
  const std::string kRecordFile = "D:\\W\\Vestrand-记录-20261206-153000.txt";
  for (const Failure& f : failures) {
    for (const auto& fail : kinds) {
      SCOPED_TRACE(f.call);
      FakeMachine m;
      Prepare(m, false, {kDesktop, kDocuments, kTempRow}, "D:\\W");
      m.files.shellSkips = {kDocs + "\\file 2.txt"};
      const auto before = m.files.Contents();
      bool failed = false, shellGone = false;
      std::string atFailure;  // the record as a run ended by force at that moment would leave it
      m.onCall = [&](const std::string& call) {
        shellGone = shellGone || call == kTaskkill;
        if (shellGone != f.shellEnded || call.rfind(f.call, 0) != 0 || std::exchange(failed, true)) return;
        atFailure = m.files.ReadFileStart(kRecordFile, 1 << 20).value_or("");
        fail();
      };
      try {
        RunTransferNT6(m.services, m.form);
      } catch (...) { EXPECT_FALSE(f.shellEnded) << "an error after the desktop was ended must not leave the run"; }
      ASSERT_TRUE(failed);
      EXPECT_TRUE(m.form.windowEnabled);
      EXPECT_EQ(std::tie(m.form.position.left, m.form.position.top), std::tie(kWhereLeft.left, kWhereLeft.top));
      EXPECT_FALSE(m.host.ended);
      const auto [recordFile, record] = EveryRowNamedAndNothingLost(m, before);
      if (!f.shellEnded) continue;
      const auto stopped = ReadInterruptedRecord(atFailure);
      ASSERT_TRUE(stopped.has_value()) << atFailure;
      EXPECT_EQ(stopped->undoFileName, "Vestrand-还原-20261206-153000.reg");
      EXPECT_EQ(stopped->caption, f.underWay);
      EXPECT_EQ(stopped->notStarted.size(), f.notStarted);
      EXPECT_TRUE(*f.underWay == '\0' || Has(stopped->newLocation, "D:\\W\\")) << stopped->newLocation;
      std::size_t done = 0;
      for (auto i = atFailure.find("  结果: "); i != std::string::npos; i = atFailure.find("  结果: ", i + 1)) ++done;
      EXPECT_EQ(done, f.rowsDone);
      EXPECT_FALSE(ReadInterruptedRecord(record).has_value()) << "the record of a run that ended says so";
      const auto box = FirstCall(m.trace, "MessageBox(转移中途出现意外错误");
      ASSERT_NE(box, m.trace.end());
      EXPECT_TRUE(Before(m.trace, kTaskkill, kExplorer));
      EXPECT_GT(box, FirstCall(m.trace, kExplorer));
      EXPECT_TRUE(Has(*box, "双击目标文件夹中的 Vestrand-还原-20261206-153000.reg")) << *box;
      EXPECT_EQ(Has(*box, recordFile), !recordFile.empty()) << *box;
    }
  }
}

}  // namespace
}  // namespace vestrand
