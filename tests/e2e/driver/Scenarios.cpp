// The real program under Wine, driven from outside through window messages as an assistive tool
// would, against a real registry and real files; each ctest scenario is a row of the table at the end.
#include <gtest/gtest.h>

#include <sddl.h>

#include <memory>
#include <set>

#include "relocation/FolderCatalogue.h"
#include "support/WinTestSupport.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowLayout.h"
#include "ui/NoteForm.h"
#include "ui/NoteText.h"

// The program answers posted input in its own time.
#define EXPECT_SOON(condition) EXPECT_TRUE(WaitUntil(3000, [&] { return condition; })) << #condition

namespace vestrand::e2e {
namespace {

using namespace vestrand::tests;
using C = Control;
const std::wstring kExplorerKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
const std::wstring kShellFolders = kExplorerKey + L"Shell Folders";
const std::wstring kUserShellFolders = kExplorerKey + L"User Shell Folders";
const wchar_t* const kHeldOpen = L"正在使用\\held open.bin";

// The rows as the window lists them, from 1.
// clang-format off
enum RowNo { kDesktop = 1, kDocuments, kFavorites, kCache, kCookies, kTemp, kContacts, kDownloads, kLinks,
             kSearches, kVideos, kPictures, kMusic, kSavedGames };
// clang-format on
bool KeptInEnvironment(int row) { return vestrand::KeptInEnvironment(CatalogueRow(row)); }
const int kCarriedWhenEnded = kFavorites;  // a run ended by force while it copies this row has done two

// Each row's folder under %USERPROFILE% on Windows 7 and on XP (none: no value there).
// clang-format off
const wchar_t* const kRowFolders[kRowCount][2] = {
    {L"Desktop", L"桌面"}, {L"Documents", L"My Documents"}, {L"Favorites", L"Favorites"},
    {L"AppData\\Local\\Microsoft\\Windows\\Temporary Internet Files", L"Local Settings\\Temporary Internet Files"},
    {L"AppData\\Roaming\\Microsoft\\Windows\\Cookies", L"Cookies"}, {L"AppData\\Local\\Temp", L"Local Settings\\Temp"},
    {L"Contacts"}, {L"Downloads"}, {L"Links"}, {L"Searches"}, {L"Videos", L"My Documents\\My Videos"},
    {L"Pictures", L"My Documents\\My Pictures"}, {L"Music", L"My Documents\\My Music"}, {L"Saved Games"}};
// clang-format on

// Windows' own names, which the catalogue's own test holds to an independent list.
std::wstring ValueName(int row) { return Wide(CatalogueRow(row).valueName); }

// Row `row`'s value under User Shell Folders (TEMP), or else under Shell Folders (TMP).
std::wstring RowValue(int row, bool first = true, DWORD* type = nullptr) {
  if (KeptInEnvironment(row)) return ReadValue(L"Environment", first ? L"TEMP" : L"TMP", type);
  return ReadValue(first ? kUserShellFolders : kShellFolders, ValueName(row), type);
}

// Points row `row` at `unexpanded` (and Shell Folders at it expanded), the folder made.
void SetRowFolder(int row, const std::wstring& unexpanded) {
  SetTextValue(KeptInEnvironment(row) ? L"Environment" : kUserShellFolders, ValueName(row), unexpanded, REG_EXPAND_SZ);
  if (!KeptInEnvironment(row)) SetTextValue(kShellFolders, ValueName(row), Expand(unexpanded), REG_SZ);
  CreateDirectories(Expand(unexpanded));
}

// The profile of Windows 7 or XP; Wine reports `version` ("winxp", "win7", ...) from the next start.
void MakeProfile(bool xp, const wchar_t* version) {
  SetTextValue(L"Software\\Wine\\AppDefaults\\Vestrand.exe", L"Version", version, REG_SZ);
  for (int row = 1; row <= kRowCount; ++row) {
    const wchar_t* const folder = kRowFolders[row - 1][xp ? 1 : 0];
    if (folder) SetRowFolder(row, std::wstring(L"%USERPROFILE%\\") + folder);
    for (const std::wstring& key : {kUserShellFolders, kShellFolders}) {
      if (!folder) ::SHDeleteValueW(HKEY_CURRENT_USER, key.c_str(), ValueName(row).c_str());
    }
  }
}

// The name of the file `pattern` matches, or "".
std::wstring FileNamed(const std::wstring& pattern) {
  WIN32_FIND_DATAW found{};
  const UniqueFindHandle find(::FindFirstFileW(pattern.c_str(), &found));
  return find ? found.cFileName : L"";
}

std::string MessageBoxText(HWND box) { return WindowText(::GetDlgItem(box, 0xFFFF)); }

// The program the harness names in VESTRAND_PROGRAM; `main`: its window, if it shows within `waitMs` before a box.
struct App {
  explicit App(DWORD waitMs = 20000) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    const wchar_t* const program = ::_wgetenv(L"VESTRAND_PROGRAM");  // none: no program, no window
    std::wstring command = L"\"" + std::wstring(program ? program : L"") + L"\"";
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, 0, 0, nullptr, nullptr, &si, &pi)) return;
    process.reset(pi.hProcess);
    const UniqueHandle thread(pi.hThread);
    pid = pi.dwProcessId;
    WaitUntil(waitMs, [&] { return Main() || !DialogWindows(pid).empty() || !Running(); });
    Send(main, WM_NULL);  // start-up fills the boxes right after showing the window
  }
  HWND Main() {
    const std::vector<HWND> shown = TopLevels(pid, kMainWindowClass, true);
    return main = shown.empty() ? nullptr : shown.front();
  }
  ~App() {
    if (Running()) EndProcess(pid);
  }
  bool Running() const { return ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT; }
  bool EndsWell(DWORD waitMs) const {  // ended within `waitMs`, with exit code 0
    DWORD code = STILL_ACTIVE;
    ::WaitForSingleObject(process.get(), waitMs);
    return ::GetExitCodeProcess(process.get(), &code) && code == 0;
  }
  HWND Handle(C c) const { return ::GetDlgItem(main, ControlId(c)); }
  std::string Text(C c) const { return WindowText(Handle(c)); }
  int Check(C c) const { return static_cast<int>(Send(Handle(c), BM_GETCHECK)); }
  void SetText(C c, const std::wstring& text) const { Send(Handle(c), WM_SETTEXT, 0, LPARAM(text.c_str())); }
  void PostClick(C c) const { ::PostMessageW(Handle(c), BM_CLICK, 0, 0); }

  UniqueHandle process;
  DWORD pid = 0;
  HWND main = nullptr;
};

enum class Kind { Start, Run, Refuse, Window, Kill };
enum Extra {
  kFaults = 1,  // the documents named in many scripts, names only "\\?\" makes (may stay behind, told); refused
                // while a file is held open, in either mode, then for a path too long below the (longer) target
  kUndo = 2,    // then the run's undo file is imported
  kClash = 4,   // the target holds "łódź.jpg" where the documents hold "Łódź.jpg"
  kNoRoom = 8,  // the documents hold more than the small drive D: does
  kXp = 16,     // the NT 5 family's profile
  kDpi144 = 32,
  kBig = 64,          // the favourites hold 256 MB: their copy takes seconds
  kCrash = 128,       // the program crashes instead of being ended
  kSyncRoot = 256,    // the documents registered as a sync client's folder: a move refused before the run
  kFirstRun = 512,    // the target holds a first run's folders, each with its own desktop.ini and other files
  kLeftovers = 1024,  // the target holds copies an earlier run left, equal in size and time
  kUndone = 2048,     // the target holds the documents' name already: the shell's move does nothing
  kTooLarge = 4096,   // a 4 GiB file in the documents, for a FAT32 drive D:
};
// What every folder holds, desktop.ini last.
const wchar_t* const kEveryFolderHolds[] = {
    L"中文 文件名.txt", L"with space\\子目录\\深层 文件.bin", L"with space\\empty.dat", L"readonly.txt", L"hidden.txt",
    L"desktop.ini"};
// Files some rows add to the documents, all zeros and taking no room.
const struct {
  int flag;
  const wchar_t* name;
  LONGLONG size;
} kAddedDocuments[] = {
    {kClash, L"Łódź.jpg", 20}, {kNoRoom, L"大文件.bin", 24ll << 20}, {kTooLarge, L"映像.iso", 4ll << 30}};
struct Row {
  const char* name;
  Kind kind;
  std::vector<std::pair<const wchar_t*, const char*>> versions;  // started in turn, with the caption's end
  int extra = 0;
  C mode = C::OptionMove;
  std::set<int> untick = {};
  // Targets refused in turn, the first by Enter (none: the row's target), and what the box names ("": the target).
  std::vector<std::pair<const wchar_t*, const char*>> refusals = {};
  bool Has(int flag) const { return (extra & flag) != 0; }
};

HWND Focus(HWND main) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return ::GetGUIThreadInfo(::GetWindowThreadProcessId(main, nullptr), &info) ? info.hwndFocus : nullptr;
}
// A key as the keyboard delivers it to the focused control, and a click of the mouse.
void Press(HWND focused, WPARAM key) {
  ::PostMessageW(focused, WM_KEYDOWN, key, 1);
  ::PostMessageW(focused, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
  ::Sleep(100);
}
void Click(HWND hwnd) {
  ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

struct RowState {
  int row = 0;
  std::wstring folder, expectedNew, before[2];  // before the run: its folder and both values
  DWORD types[2] = {};
  std::vector<FileRecord> files, there;  // in its folder, and in the target's folder of its name
  bool moves = false;                    // ticked, or inside a folder that moves (the registry follows it)
  bool pointedBack = false;              // ticked, but the shell carries nothing
};

class Scenario : public ::testing::TestWithParam<Row> {
 protected:
  // The family's profile with files in every folder, and the target as the row has it; all recorded.
  void Prepare(const Row& c) {
    if (c.Has(kFaults)) SetRowFolder(kDocuments, L"%USERPROFILE%\\我的 文档 Документы \U0001F600");
    for (int row = 1; row <= kRowCount; ++row) {
      RowState s;
      s.row = row;
      s.folder = Expand(RowValue(row));
      if (s.folder.empty()) continue;
      std::vector<std::wstring> names;  // TEMP is the system's
      if (!KeptInEnvironment(row)) names.assign(std::begin(kEveryFolderHolds), std::end(kEveryFolderHolds));
      if (row == kCache || row == kCookies) names.pop_back();  // no desktop.ini
      if (row == kDocuments && c.Has(kFaults)) {               // the last one: a path of 255 characters here
        names.insert(names.end(),
                     {L"Привет мир.txt", L"\U0001F600 \U00020000 扩展 \u00E9t\u00E9.txt", L"末尾有点.",
                      L"末尾有点的文件夹.\\里面.txt", kHeldOpen, std::wstring(250 - s.folder.size(), L'x') + L".txt"});
      }
      const bool big = row == kCarriedWhenEnded && c.Has(kBig);  // 64 files of 4 MB
      for (int k = 0; big && k < 64; ++k) names.push_back(L"大" + std::to_wstring(k));
      for (const std::wstring& name : names) {
        const std::size_t size = name.rfind(L"大", 0) == 0 ? 4u << 20 : name.find(L".bin") != name.npos ? 300000u : 20u;
        ASSERT_TRUE(WriteFile(s.folder + L"\\" + name, std::string(size, char('a' + row))));
      }
      for (const auto& [flag, name, size] : kAddedDocuments) {
        ASSERT_TRUE(row != kDocuments || !c.Has(flag) || WriteFile(s.folder + L"\\" + name, "", size));
      }
      ::SetFileAttributesW((s.folder + L"\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
      ::SetFileAttributesW((s.folder + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
      rows_.push_back(s);
    }
    for (RowState& s : rows_) {
      const bool ticked = c.kind == Kind::Run && !c.untick.count(s.row);
      s.pointedBack = ticked && c.Has(kUndone);
      s.moves = (ticked && !s.pointedBack) || (c.kind == Kind::Kill && c.Has(kBig) && s.row < kCarriedWhenEnded);
      // Where it must end up: an inner folder travels with a ticked outer one.
      s.expectedNew = target_ + L"\\" + s.folder.substr(s.folder.find_last_of(L'\\') + 1);
      for (const RowState& outer : rows_) {
        const std::wstring in = outer.folder + L"\\";
        if (c.mode == C::OptionDont || !outer.moves || _wcsnicmp(s.folder.c_str(), in.c_str(), in.size())) continue;
        s.expectedNew = outer.expectedNew + s.folder.substr(outer.folder.size());
        s.moves = s.moves || c.mode == C::OptionMove;
      }
      if (KeptInEnvironment(s.row)) continue;
      if (c.Has(kFirstRun)) {
        ASSERT_TRUE(WriteFile(s.expectedNew + L"\\desktop.ini", "[.ShellClassInfo] the target's own") &&
                    WriteFile(s.expectedNew + L"\\上次转移的文件.txt", "from the first run"));
      }
      for (const std::wstring copy : {L"\\中文 文件名.txt", L"\\with space\\子目录\\深层 文件.bin"}) {
        if (!c.Has(kLeftovers)) continue;
        CreateDirectories(s.expectedNew + L"\\with space\\子目录");
        ASSERT_TRUE(::CopyFileW((s.folder + copy).c_str(), (s.expectedNew + copy).c_str(), TRUE));  // time kept
      }
    }
    ASSERT_TRUE(!c.Has(kClash) || WriteFile(target_ + L"\\Documents\\łódź.jpg", "another picture"));
    ASSERT_TRUE(!c.Has(kUndone) || CreateDirectories(target_ + L"\\My Documents\\My Music"));
  }

  // What each folder holds, in it and at its new place (a file held open by size alone), and its values.
  void Record() {
    for (RowState& s : rows_) {
      s.files = Manifest(s.folder);
      s.there = Manifest(s.expectedNew);
      for (bool first : {true, false}) s.before[first] = RowValue(s.row, first, &s.types[first]);
    }
  }
  RowState& Of(int row) {
    return *std::find_if(rows_.begin(), rows_.end(), [&](auto& s) { return s.row == row; });
  }

  // Starts the program, checks the rows it shows, and chooses as the user would.
  void Launch(C mode, const std::set<int>& untick) {
    app_ = std::make_unique<App>();
    ASSERT_NE(app_->main, nullptr);
    ExpectRowsShown(*app_);
    app_->PostClick(C::CkLogoff);  // a log-off would end the test session
    for (int row : untick) app_->PostClick(CheckOf(row));
    app_->SetText(C::Text15, target_);
    Choose(mode);
    ASSERT_EQ(app_->Check(C::CkLogoff), BST_UNCHECKED);
    // The shell as it runs when the user starts: the run must end it.
    for (DWORD pid : Processes(L"explorer.exe")) shells_.emplace_back(::OpenProcess(SYNCHRONIZE, FALSE, pid));
  }

  bool ShellsEnded() const {  // every shell that ran when the user started
    const auto ended = [](const UniqueHandle& shell) { return ::WaitForSingleObject(shell.get(), 0) == WAIT_OBJECT_0; };
    return !shells_.empty() && std::all_of(shells_.begin(), shells_.end(), ended);
  }

  void Choose(C mode) {
    app_->PostClick(mode);
    EXPECT_SOON(app_->Check(mode) == BST_CHECKED);
  }

  // Each row shows its folder as the registry names it, expanded, ticked; one without a value is hidden.
  void ExpectRowsShown(const App& app) {
    for (int row = 1; row <= kRowCount; ++row) {
      const std::string shown = Narrow(Expand(RowValue(row)));
      EXPECT_EQ(app.Text(TextOf(row)), shown) << "row " << row;
      EXPECT_TRUE(app.Check(CheckOf(row)) == (shown.empty() ? BST_UNCHECKED : BST_CHECKED) &&
                  (::IsWindowVisible(app.Handle(CheckOf(row))) != 0) == !shown.empty())
          << "row " << row;
    }
    EXPECT_EQ(app.Check(C::OptionMove) + app.Check(C::CkLogoff), 2 * BST_CHECKED);
  }

  // Starts the run and closes each window it shows until the program ends. The run ends the shell, a watcher
  // guarding it meanwhile; after it exactly one shell runs, started by the program, and no watcher.
  void Run() {
    std::set<HWND> seen;
    bool watched = false;
    app_->PostClick(C::Command1);
    ASSERT_TRUE(WaitUntil(180000, [&] {
      for (HWND d : DialogWindows(app_->pid)) {
        if (seen.insert(d).second) dialogs_.push_back(WindowText(d) + ": " + MessageBoxText(d));
        ::PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
      }
      watched = watched || !Processes(L"Vestrand.exe", app_->pid).empty();
      return !app_->Running();
    })) << "the run did not end the program";
    EXPECT_TRUE(app_->EndsWell(0));
    EXPECT_TRUE(watched && WaitUntil(3000, [] { return Processes(L"Vestrand.exe").empty(); })) << "watcher";
    EXPECT_TRUE(ShellsEnded()) << "the shell still runs";
    std::vector<DWORD> now;
    EXPECT_TRUE(WaitUntil(10000, [&] { return !(now = Processes(L"explorer.exe")).empty(); }));
    EXPECT_TRUE(now.size() == 1 && Processes(L"explorer.exe", app_->pid) == now);
    // The user logs off before using the new places: a shell still running would write its folders back.
    for (DWORD pid : now) EndProcess(pid);
  }

  // Both of the row's values name its new place as REG_SZ, or else are as they were, types included.
  bool Values(const RowState& s, bool named) const {
    for (bool first : {true, false}) {
      DWORD type = 0;
      const std::wstring now = RowValue(s.row, first, &type);
      const bool same = named ? _wcsicmp(now.c_str(), s.expectedNew.c_str()) == 0 && type == REG_SZ
                              : now == s.before[first] && type == s.types[first];
      if (!same) return false;
    }
    return true;
  }

  // After a run, a moving row's values name its new place, REG_SZ; the others (after a refusal, all) keep
  // theirs and their types. Every file is, unchanged, at the new place or the old; the target keeps its own
  // desktop.ini and whatever else it held; no place holds a stranger.
  void ExpectNothingLost(C mode, bool ran = true) {
    bool leftBehind = false;
    const auto holds = [](const auto& v, const FileRecord& e) { return std::count(v.begin(), v.end(), e) > 0; };
    for (const RowState& s : rows_) {
      SCOPED_TRACE("row " + std::to_string(s.row) + " " + Narrow(s.folder));
      const bool moves = ran && s.moves, carried = moves && mode != C::OptionDont;
      EXPECT_TRUE(moves ? Values(s, true) && IsDirectory(s.expectedNew)
                        : Values(s, false) || (s.row == inProgress_ && Values(s, true)))
          << "values now: " << Narrow(RowValue(s.row)) << ", " << Narrow(RowValue(s.row, false));
      const auto now = moves ? Manifest(s.expectedNew) : std::vector<FileRecord>(), old = Manifest(s.folder);
      for (const FileRecord& e : s.files) {
        const std::wstring& name = e.relativePath;
        const bool moved = holds(now, e), stayed = holds(old, e);
        const bool theirs = std::any_of(s.there.begin(), s.there.end(), [&](const FileRecord& t) {
          return ::lstrcmpiW(t.relativePath.c_str(), name.c_str()) == 0;
        });
        EXPECT_TRUE(moved || stayed) << "lost: " << Narrow(name);
        EXPECT_TRUE(stayed || (carried && mode == C::OptionMove)) << "not kept: " << Narrow(name);
        EXPECT_TRUE(!carried || moved || theirs || name.find(L".\\") != name.npos || name.back() == L'.')
            << "not carried: " << Narrow(name);
        leftBehind = leftBehind || (carried && !moved && !theirs);
      }
      leftBehind = leftBehind || (ran && s.pointedBack);
      EXPECT_FALSE(carried && mode == C::OptionMove && old.empty() && PathExists(s.folder)) << "moved whole, left";
      for (const FileRecord& e : s.there) EXPECT_TRUE(!carried || holds(now, e)) << "gone: " << Narrow(e.relativePath);
      for (const FileRecord& e : now) {
        EXPECT_TRUE(holds(s.files, e) || holds(s.there, e)) << "new: " << Narrow(e.relativePath);
      }
      for (const FileRecord& e : KeptInEnvironment(s.row) ? now : old) EXPECT_TRUE(holds(s.files, e)) << "stranger";
    }
    // Whatever stays behind, the user is told: a box names the record lying in the target.
    const std::wstring record = FileNamed(target_ + L"\\Vestrand-记录-*.txt");
    const bool told = !dialogs_.empty() && dialogs_.back().find(Narrow(record)) != std::string::npos;
    EXPECT_TRUE(!leftBehind || (told && !record.empty())) << "the user was not told";
    for (const std::string& d : dialogs_) EXPECT_TRUE(told && d == dialogs_.back()) << "in the run: " << d;
  }

  // The run's undo file, imported as a double click does, puts every value back with its type.
  void ExpectUndone() {
    const std::wstring undo = FileNamed(target_ + L"\\Vestrand-还原-*.reg");
    ASSERT_FALSE(undo.empty()) << "no undo file in the target";
    ASSERT_EQ(::_wsystem((L"start /wait regedit /s \"" + target_ + L"\\" + undo + L"\"").c_str()), 0);
    for (const RowState& s : rows_) EXPECT_TRUE(Values(s, false)) << s.row;
  }

  // A start tells of a record left unfinished, and of the row it was carrying, once, in a box before its window
  // shows; of no other.
  void ExpectStartTells(const std::wstring& record, const std::wstring& underWay = L"") {
    App app;
    const std::vector<HWND> boxes = DialogWindows(app.pid);
    ASSERT_EQ(boxes.size(), record.empty() ? 0u : 1u) << Narrow(record);
    if (!boxes.empty()) {
      EXPECT_TRUE(WindowText(boxes[0]) == "友情提示:" && !app.main) << "the window showed before the box";
      for (const std::wstring& named : {record, underWay}) {
        EXPECT_NE(MessageBoxText(boxes[0]).find(Narrow(named)), std::string::npos) << MessageBoxText(boxes[0]);
      }
      ::PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);
    }
    EXPECT_TRUE(WaitUntil(10000, [&] { return app.Main() != nullptr; })) << "no window";
  }

  // A refused target: a box with OK alone says why, and nothing changed: no value, no file, nothing on D:; the
  // shell still runs, and the window is back in its place for another try.
  void ExpectRefused(const std::wstring& target, const std::string& mentioned, bool byEnter) {
    const std::vector<FileRecord> driveD = Manifest(L"D:\\", true);
    RECT placed{}, now{};
    ::GetWindowRect(app_->main, &placed);
    app_->SetText(C::Text15, target);
    // Enter starts a run from the start button alone, never from the target box or a row.
    for (C c : {C::Text15, C::Check2, C::Command1}) {
      if (!byEnter) break;
      for (int i = 0; i < kControlCount && Focus(app_->main) != app_->Handle(c); ++i) Press(Focus(app_->main), VK_TAB);
      Press(Focus(app_->main), VK_RETURN);
      EXPECT_TRUE(c == C::Command1 || !WaitUntil(1500, [&] { return !DialogWindows(app_->pid).empty(); }))
          << "Enter on control " << static_cast<int>(c);
    }
    if (!byEnter) app_->PostClick(C::Command1);
    HWND box = nullptr;
    WaitUntil(30000, [&] { return (box = ::FindWindowW(L"#32770", L"友情提示:")) != nullptr; });
    ASSERT_NE(box, nullptr) << "no explanation for " << Narrow(target);
    EXPECT_NE(MessageBoxText(box).find(mentioned.empty() ? Narrow(target) : mentioned), std::string::npos)
        << MessageBoxText(box);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil(10000, [&] { return !::IsWindow(box) && ::IsWindowEnabled(app_->main); }));
    ::GetWindowRect(app_->main, &now);
    EXPECT_TRUE(::EqualRect(&now, &placed)) << "the main window did not come back to its place";
    EXPECT_EQ(Processes(L"explorer.exe").size(), 1u) << "the shell was ended";
    ExpectNothingLost(C::OptionMove, false);
    EXPECT_EQ(Manifest(L"D:\\", true), driveD) << "something was made on D:";
  }

  // Start-up on each version: the caption, the proposed target when D: is a fixed disk, the rows, every
  // control where its twips say at the screen's resolution, and one instance.
  void ExpectStarts(const Row& c) {
    using Fn = BOOL(WINAPI*)();  // the driver reads the windows in pixels, as the program lays them out
    FARPROC aware = ::GetProcAddress(::GetModuleHandleW(L"user32"), "SetProcessDPIAware");
    reinterpret_cast<Fn>(reinterpret_cast<void*>(aware))();
    const int dpi = c.Has(kDpi144) ? 144 : 96;
    SetRaw(L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
    SetTextValue(L"Software\\Wine\\X11 Driver", L"Managed", L"N", REG_SZ);
    for (const auto& [version, caption] : c.versions) {
      SCOPED_TRACE(Narrow(version));
      MakeProfile(c.Has(kXp), version);
      auto app = std::make_unique<App>();
      ASSERT_NE(app->main, nullptr);
      EXPECT_EQ(WindowText(app->main), std::string("Vestrand For Windows ") + caption);
      EXPECT_EQ(app->Text(C::Text15), ::GetDriveTypeW(L"D:\\") == DRIVE_FIXED ? Narrow(target_) : "");
      ExpectRowsShown(*app);
      RECT r{};
      ::GetClientRect(app->main, &r);
      EXPECT_NEAR(r.right, TwipsToPixels(kFormClientWidthTwips, dpi), 1);
      EXPECT_NEAR(r.bottom, TwipsToPixels(kFormClientHeightTwips, dpi), 1);
      for (const ControlLayout& entry : MainWindowLayout()) {
        const TwipsRect t = AbsoluteTwips(entry.control);
        ::GetWindowRect(app->Handle(entry.control), &r);
        ::MapWindowPoints(nullptr, app->main, reinterpret_cast<POINT*>(&r), 2);
        const double scale = dpi / 1440.0, dx = r.left - t.left * scale, dy = r.top - t.top * scale;
        const double dw = r.right - r.left - t.width * scale, dh = r.bottom - r.top - t.height * scale;
        EXPECT_TRUE(std::abs(dx) <= 1 && std::abs(dy) <= 1 && std::abs(dw) <= 2 && std::abs(dh) <= 2)
            << "control " << static_cast<int>(entry.control) << " at " << dpi;
      }
      if (version != c.versions.front().first) continue;
      // A second start shows no window of its own and ends, bringing this one to the front.
      auto second = std::make_unique<App>(3000);
      EXPECT_TRUE(second->EndsWell(10000) && !second->main);
      EXPECT_EQ(::GetForegroundWindow(), app->main);
    }
    // So does one that may not open the first one's mutex (an empty access list), as when the first runs elevated.
    UniqueLocalMem<PSECURITY_DESCRIPTOR> nobody;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:", SDDL_REVISION_1, nobody.put(), nullptr));
    SECURITY_ATTRIBUTES elevated{sizeof elevated, nobody.get(), FALSE};
    const UniqueHandle first(::CreateMutexW(&elevated, FALSE, kOneInstanceMutex));
    const App second(3000);
    EXPECT_TRUE(first && second.EndsWell(10000) && !second.main);
  }

  // Keyboard and mouse: the tab order; the folder picker cancelled (a centred hint, the target kept, the focus
  // back) and confirmed; the notes, one window, rebuilt, closed by Escape, outliving the main window, the last ending
  // the program.
  void ExpectWindow() {
    app_ = std::make_unique<App>();
    ASSERT_NE(app_->main, nullptr);
    HWND main = app_->main;
    const auto focused = [&](C c) { return Focus(main) == app_->Handle(c); };
    EXPECT_SOON(focused(C::Check1));
    ::SetForegroundWindow(main);
    for (C c : {C::Check2,  C::Check3,   C::Check4,  C::Check5,  C::Check6,  C::Check7,     C::Check8,   C::Check9,
                C::Text1,   C::Text2,    C::Text3,   C::Text4,   C::Text5,   C::Text6,      C::Text7,    C::Text8,
                C::Text9,   C::Command1, C::Check10, C::Text10,  C::Check11, C::Text11,     C::Check12,  C::Text12,
                C::Check13, C::Text13,   C::Text15,  C::Check14, C::Text14,  C::OptionMove, C::CkLogoff, C::Check1}) {
      Press(Focus(main), VK_TAB);
      EXPECT_SOON(focused(c)) << ": Tab to control " << static_cast<int>(c);
    }
    Click(app_->Handle(C::Text3));
    ASSERT_TRUE(WaitUntil(3000, [&] { return focused(C::Text3); }));
    Click(app_->Handle(C::Label2));
    HWND picker = nullptr, box = nullptr;
    ASSERT_TRUE(WaitUntil(10000, [&] { return (picker = ::FindWindowW(L"#32770", nullptr)) != nullptr; }));
    ::PostMessageW(picker, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil(10000, [&] { return (box = ::FindWindowW(L"#32770", L"友情提示:")) != nullptr; }));
    Send(box, WM_NULL);  // it answers once it is up, in its place
    RECT m{}, b{};
    ::GetWindowRect(main, &m);
    ::GetWindowRect(box, &b);
    EXPECT_TRUE(std::abs(b.left + b.right - m.left - m.right) <= 2 &&
                std::abs(b.top + b.bottom - m.top - m.bottom) <= 2)
        << "not centred over the window";
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_SOON(!::IsWindow(box) && focused(C::Text3) && app_->Text(C::Text15) == "D:\\Win7User");
    const std::wstring program = ::_wgetenv(L"VESTRAND_PROGRAM");  // confirmed, it gives back the folder it opened on
    Click(app_->Handle(C::Label2));
    ASSERT_TRUE(WaitUntil(10000, [&] { return (picker = ::FindWindowW(L"#32770", nullptr)) != nullptr; }));
    ::Sleep(500);  // while it fills its tree
    ::PostMessageW(picker, WM_COMMAND, IDOK, 0);
    EXPECT_SOON(!::IsWindow(picker) && app_->Text(C::Text15) == Narrow(program.substr(0, program.rfind(L'\\'))))
        << ": the picker gave nothing back";
    for (int open = 0; open < 2; ++open) {
      Click(app_->Handle(C::Label3));
      ASSERT_TRUE(WaitUntil(10000, [&] { return !TopLevels(app_->pid, kNoteWindowClass, true).empty(); }));
      Click(app_->Handle(C::Label3));  // the second click shows the same window
      Send(main, WM_NULL);
      ASSERT_EQ(TopLevels(app_->pid, kNoteWindowClass).size(), 1u);
      HWND notes = TopLevels(app_->pid, kNoteWindowClass).front(), text = ::GetDlgItem(notes, kNoteTextId);
      EXPECT_EQ(WindowText(text), NoteText()) << "rebuilt, with its text, each time it opens";
      Send(text, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"改过的文字"));
      if (open == 0) {
        Press(text, VK_ESCAPE);
        EXPECT_SOON(!::IsWindow(notes) && focused(C::Text3)) << ": Escape closes the notes, the focus back";
        continue;
      }
      // The main window closed first leaves the notes and the program, which a second start brings forward.
      ::PostMessageW(main, WM_CLOSE, 0, 0);
      EXPECT_SOON(!::IsWindow(main) && app_->Running() && ::IsWindowVisible(notes));
      ::ShowWindow(notes, SW_MINIMIZE);
      EXPECT_TRUE(::IsIconic(notes) && App(3000).EndsWell(10000));
      EXPECT_SOON(!::IsIconic(notes) && ::GetForegroundWindow() == notes);
      ::PostMessageW(notes, WM_CLOSE, 0, 0);
      EXPECT_TRUE(app_->EndsWell(10000)) << "the last window did not end the program";
    }
  }

  // The program ended by force while the shell is down (with kBig, while it copies): within five seconds exactly
  // one shell runs again (after a crash, started by the program itself) and no watcher; every file is kept; no
  // value but the interrupted row's has changed.
  void ExpectShellBackAfterKill(const Row& c) {
    RowState& cut = Of(kCarriedWhenEnded);
    app_->PostClick(C::Command1);
    ASSERT_TRUE(WaitUntil(
        60000, [&] { return ShellsEnded() && (!c.Has(kBig) || !FileNamed(cut.expectedNew + L"\\大*").empty()); }));
    // A crash: a thread of the program runs at address 0.
    const UniqueHandle crash(
        c.Has(kCrash) ? ::CreateRemoteThread(app_->process.get(), nullptr, 0, nullptr, nullptr, 0, nullptr) : nullptr);
    ASSERT_TRUE(c.Has(kCrash) ? crash.get() != nullptr : ::TerminateProcess(app_->process.get(), 1) != FALSE);
    std::vector<DWORD> back;
    EXPECT_TRUE(WaitUntil(5000, [&] { return !(back = Processes(L"explorer.exe")).empty(); })) << "no shell";
    ::Sleep(2000);  // no second one follows
    EXPECT_TRUE(back.size() == 1 && Processes(L"explorer.exe") == back);
    EXPECT_TRUE(Processes(L"Vestrand.exe", app_->pid).empty()) << "the watcher stayed";
    EXPECT_TRUE(!c.Has(kCrash) || Processes(L"explorer.exe", app_->pid) == back) << "not at once";
    for (DWORD pid : Processes(L"explorer.exe")) EndProcess(pid);
    inProgress_ = c.Has(kBig) ? kCarriedWhenEnded : 0;
    EXPECT_TRUE(!inProgress_ || Manifest(cut.expectedNew).size() < cut.files.size()) << "not cut";
    ExpectNothingLost(c.mode);
    if (!inProgress_) return;
    // The next start names the record and the row it was carrying, once; the undo file puts every value back.
    ExpectStartTells(target_ + L"\\" + FileNamed(target_ + L"\\Vestrand-记录-*.txt"), cut.expectedNew);
    ExpectStartTells(L"");
    ExpectUndone();
  }

  std::unique_ptr<App> app_;
  int inProgress_ = 0;  // the row a run ended by force was carrying, whose values may name its new place
  std::vector<RowState> rows_;
  std::wstring target_;
  std::vector<UniqueHandle> shells_;
  std::vector<std::string> dialogs_;  // title and text of each window a run showed
};

TEST_P(Scenario, Row) {
  const Row& c = GetParam();
  target_ = c.Has(kXp) ? L"D:\\Personal" : L"D:\\Win7User";
  if (c.kind == Kind::Start) return ExpectStarts(c);
  MakeProfile(c.Has(kXp), c.versions.front().first);
  if (c.kind == Kind::Window) return ExpectWindow();
  // A target longer than the profile's folder: the documents' deepest file fits only in the profile.
  if (c.Has(kFaults)) target_ += L"\\" + std::wstring(Expand(L"%USERPROFILE%").size() - 4, L'长');
  ASSERT_NO_FATAL_FAILURE(Prepare(c));
  std::string sid;  // the documents registered as a sync client's folder of this user (the 64-bit view)
  if (c.Has(kSyncRoot) && CurrentUserSid(sid)) {
    SetTextValue(kExplorerKey + L"SyncRootManager\\TestSync!" + Wide(sid) + L"!ann@example.com\\UserSyncRoots",
                 Wide(sid), Of(kDocuments).folder, REG_SZ, HKEY_LOCAL_MACHINE);
  }
  const std::wstring heldOpen = Of(kDocuments).folder + L"\\" + kHeldOpen;
  UniqueFileHandle held(
      c.Has(kFaults) ? ::CreateFileW(LongPath(heldOpen).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                     : INVALID_HANDLE_VALUE);
  ASSERT_TRUE(held || !c.Has(kFaults)) << "could not hold the file open";
  Record();
  ASSERT_NO_FATAL_FAILURE(Launch(c.mode, c.untick));
  if (c.kind == Kind::Kill) return ExpectShellBackAfterKill(c);
  for (const auto& [target, mentioned] : c.refusals) {
    ExpectRefused(target ? target : target_, mentioned, target == c.refusals.front().first);
  }
  if (c.kind == Kind::Refuse) return;
  // What the checks refuse before a run, in the modes it is refused in; nothing changes until the cause is gone.
  const auto refused = [&](C mode, const std::string& mentioned) {
    Choose(mode);
    ExpectRefused(target_, mentioned, false);
  };
  if (c.Has(kSyncRoot)) refused(C::OptionMove, Narrow(Of(kDocuments).folder) + " (TestSync)");
  if (c.Has(kFaults)) {
    for (C mode : {C::OptionMove, C::OptionCopy}) refused(mode, Narrow(heldOpen));
    held.reset();
    Record();
    refused(c.mode, "路径太长");
    const std::wstring docs = Of(kDocuments).folder;
    ASSERT_TRUE(::DeleteFileW(LongPath(docs + L"\\" + FileNamed(docs + L"\\xxxxxxxx*")).c_str()));
    Record();
  }
  Choose(c.mode);
  ASSERT_NO_FATAL_FAILURE(Run());
  ExpectNothingLost(c.mode);
  ExpectStartTells(L"");  // the run ended: nothing to tell
  if (c.Has(kUndo)) ExpectUndone();
}

const std::vector<std::pair<const wchar_t*, const char*>> kWin7 = {{L"win7", "7"}}, kWinXp = {{L"winxp", "XP"}};
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Each, Scenario, ::testing::Values(
        Row{"start_win7", Kind::Start, kWin7},
        // Windows 8.1 and 10 tell a program without a manifest entry for them that they are Windows 8.
        Row{"start_vista_to_10", Kind::Start, {{L"vista", "Vista"}, {L"win8", "8"}, {L"win81", "8"}, {L"win10", "8"}},
            kDpi144},
        Row{"start_nt5", Kind::Start, {{L"win2k", "2000"}, {L"winxp", "XP"}, {L"win2003", "2003"}}, kXp},
        Row{"start_xp64", Kind::Start, {{L"winxp64", "2003"}}, kXp},  // XP x64 is version 5.2, as 2003 is
        Row{"win7_copy", Kind::Run, kWin7, 0, C::OptionCopy, {kSearches}},
        Row{"win7_move", Kind::Run, kWin7, kFaults | kUndo},
        Row{"win7_discard", Kind::Run, kWin7, 0, C::OptionDont},
        Row{"win7_sync_root", Kind::Run, kWin7, kSyncRoot, C::OptionCopy},
        Row{"win7_second_run", Kind::Run, kWin7, kFirstRun, C::OptionCopy},
        Row{"win7_leftovers", Kind::Run, kWin7, kLeftovers, C::OptionCopy},
        Row{"xp_copy", Kind::Run, kWinXp, kXp | kFaults, C::OptionCopy, {kCookies}},
        Row{"xp_move", Kind::Run, kWinXp, kXp | kUndo, C::OptionMove, {kVideos, kPictures, kMusic}},  // follow
        Row{"xp_move_undone", Kind::Run, kWinXp, kXp | kUndone, C::OptionMove,
            {kDesktop, kFavorites, kCache, kCookies, kTemp, kVideos, kPictures}},
        Row{"xp_discard", Kind::Run, kWinXp, kXp, C::OptionDont},
        // Only refusals that need real drives and files.
        Row{"refused", Kind::Refuse, kWin7, kClash, C::OptionCopy, {},
            {{L"\\\\nosuchserver\\share\\x", ""}, {L"P:\\Desktop\\备份", "之中"}, {nullptr, "1 个文件会被覆盖"}}},
        Row{"refused_no_room", Kind::Refuse, kWin7, kNoRoom, C::OptionMove, {}, {{nullptr, "空间不够"}}},
        Row{"refused_fat32", Kind::Refuse, kWin7, kTooLarge, C::OptionMove, {}, {{nullptr, "FAT32 格式"}}},
        Row{"window", Kind::Window, kWin7},
        Row{"killed_copying", Kind::Kill, kWin7, kBig, C::OptionCopy},
        Row{"killed_shell_down", Kind::Kill, kWin7, 0, C::OptionCopy},
        Row{"crashed_shell_down", Kind::Kill, kWin7, kCrash, C::OptionCopy}),
    [](const ::testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });
// clang-format on

}  // namespace
}  // namespace vestrand::e2e
