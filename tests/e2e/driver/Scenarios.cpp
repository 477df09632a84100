// The end-to-end scenarios: the real program under Wine, driven through its windows as a user
// would, against a real registry and real files; each ctest scenario is one row of the table at
// the end. A manifest of every file (path, size, hash) taken before a run proves afterwards that
// nothing was lost, wherever the files ended up.
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <map>
#include <set>

#include "e2e/driver/Driver.h"
#include "ui/MainWindowLayout.h"
#include "ui/NoteForm.h"
#include "ui/NoteText.h"

namespace vestrand::e2e {
namespace {

using C = Control;
enum class Kind { Start, Run, Refuse, Window };
enum Extra {
  kFaults = 1,       // documents named in many scripts, with a file held open, names only the "\\?\" form
                     // makes and a path over 260 characters: these may stay behind (the user told), never vanish
  kWithdrawn = 2,    // values a damaged profile holds and a missing folder: shown, not offered, never written;
                     // and a vanished folder that needs only its path: offered, and it exists after the run
  kEarlierCopy = 4,  // the target already holds a documents folder
  kSecondRun = 8,    // then the user runs again onto the same target, every row ticked
  kUndo = 16,        // then the run's undo file is imported
  kClash = 32,       // the target's desktop already holds a desktop.ini
  kSameName = 64,    // the favourites folder has the documents folder's name
  kBigFile = 128,    // the documents hold more than the small drive D: does
};
struct Row {
  const char* name;
  Kind kind;
  std::vector<std::pair<const wchar_t*, const char*>> versions;  // started in turn, with the caption's end
  bool xp;  // the NT 5 family's profile: the media folders inside the documents
  C mode = C::OptionMove;
  std::set<int> untick = {};
  int extra = 0;
  int dpi = 96;
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

const std::wstring kHeld = L"\\正在使用 in use\\held open.bin";
const wchar_t* const kNames[] = {L"照片 2024 年\\假期 照片.txt", L"Привет мир.txt", L"\U0001F600 emoji \U0001F4C1.txt",
                                 L"\U00020000 扩展汉字 \u00E9t\u00E9.txt", L"末尾有点.", L"末尾有点的文件夹.\\里面.txt"};

bool Contains(const std::vector<FileRecord>& files, const FileRecord& e) {
  return std::find(files.begin(), files.end(), e) != files.end();
}
// Row `row`'s value in Shell Folders (which = 0) or User Shell Folders (1); for row 6, TEMP or TMP.
std::wstring Value(int row, int which, DWORD* type = nullptr) {
  if (row == 6) return ReadValue(kEnvironment, which == 0 ? L"TEMP" : L"TMP", type);
  return ReadValue(which == 0 ? kShellFolders : kUserShellFolders, RowValues()[static_cast<std::size_t>(row - 1)].name, type);
}
HWND Focus(HWND main) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return ::GetGUIThreadInfo(::GetWindowThreadProcessId(main, nullptr), &info) ? info.hwndFocus : nullptr;
}
// Waits until the program is idle: a sent message comes before posted ones, so give those a moment.
void Settle(HWND hwnd) {
  DWORD_PTR ignored = 0;
  ::Sleep(150);
  ::SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
}
// A key pressed and released, as the keyboard delivers it to the focused control.
void Press(HWND focused, WPARAM key) {
  ::PostMessageW(focused, WM_KEYDOWN, key, 1);
  ::PostMessageW(focused, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
  Settle(focused);
}
// A click of the mouse (labels report it on the press), or a double click.
void Mouse(HWND hwnd, bool twice = false) {
  for (UINT message : {0u + WM_LBUTTONDOWN, 0u + WM_LBUTTONUP, twice ? 0u + WM_LBUTTONDBLCLK : 0u, 0u + WM_LBUTTONUP}) {
    ::PostMessageW(hwnd, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(5, 5));
  }
}
bool Soon(const std::function<bool()>& done) { return WaitUntil(3000, done); }
// Every text of a dialog window of another process, each followed by "|".
std::string Texts(HWND dialog) {
  std::string all;
  for (HWND w = ::GetWindow(dialog, GW_CHILD); w != nullptr; w = ::GetWindow(w, GW_HWNDNEXT)) all += WindowText(w) + "|";
  return all;
}

struct RowState {
  int row = 0;
  std::wstring folder, expectedNew, before[2];  // before the run: its folder and both values
  DWORD types[2] = {};
  std::vector<FileRecord> files;
  bool moves = false;  // ticked, or inside a folder that moves (then the registry follows it)
};

// Saves the window as it is on screen into a 24-bit BMP file (docs/screenshot-96dpi.png comes from it).
void SaveScreenshot(HWND window, int dpi) {
  RECT r{};
  ::GetWindowRect(window, &r);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), r.right - r.left, r.bottom - r.top, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  HDC screen = ::GetDC(nullptr), memory = ::CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
  ::GdiFlush();
  const DWORD size = static_cast<DWORD>(((r.right - r.left) * 3 + 3) & ~3) * static_cast<DWORD>(r.bottom - r.top);
  const DWORD headers = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  const BITMAPFILEHEADER file{0x4D42, headers + size, 0, 0, headers};
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  bytes.append(static_cast<const char*>(bits), size);
  ::DeleteObject(::SelectObject(memory, old));
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  wchar_t driver[MAX_PATH] = {};  // beside the driver
  const std::wstring path(driver, ::GetModuleFileNameW(nullptr, driver, MAX_PATH));
  EXPECT_TRUE(WriteFile(path.substr(0, path.rfind(L'\\')) + L"\\screenshot-" + std::to_wstring(dpi) + L"dpi.bmp", bytes));
}

class Scenario : public ::testing::TestWithParam<Row> {
 protected:
  // The family's profile with files in every folder, and everything recorded.
  void Prepare(const Row& c) {
    SetWineVersion(L"Vestrand.exe", c.versions.front().first);
    MakeProfile(c.xp);
    target_ = c.xp ? L"D:\\Personal" : L"D:\\Win7User";
    if (c.extra & kFaults) SetRowFolder(2, c.xp ? L"%USERPROFILE%\\我的 文档 Документы \U0001F600" : L"%USERPROFILE%\\文档 Документы \U0001F600");
    if (c.extra & kSameName) SetRowFolder(3, L"%USERPROFILE%\\Other\\Documents");
    if (c.extra & kClash) WriteFile(target_ + L"\\Desktop\\desktop.ini", "an older one");
    if (c.extra & kEarlierCopy) WriteFile(target_ + L"\\Documents\\earlier copy.txt", "from an earlier copy");
    if (c.extra & kWithdrawn) {
      const DWORD five = 5;
      const std::wstring cookies = Value(5, 0) + L"\\";
      withdrawn_ = {{1, "Desktop"}, {2, "%NOSUCHVAR%\\Documents"}, {3, Narrow(Value(3, 0))}, {4, "5"}, {5, Narrow(cookies)}};
      SetValue(kUserShellFolders, L"Desktop", L"Desktop", REG_SZ);
      SetValue(kUserShellFolders, L"Personal", L"%NOSUCHVAR%\\Documents");
      SetRaw(kUserShellFolders, L"Cache", REG_DWORD, &five, sizeof five);
      SetValue(kUserShellFolders, L"Cookies", cookies, REG_SZ);
      RemoveTree(Value(3, 0));
      RemoveTree(Value(12, 0));
    }
    for (const RowValue& r : RowValues()) {
      RowState s;
      s.row = r.row;
      s.folder = Expand(ReadValue(r.key, r.name));
      if (s.folder.empty() && !withdrawn_.count(r.row)) continue;
      if (r.row != 6 && !withdrawn_.count(r.row) && PathExists(s.folder)) {  // TEMP is the system's
        const std::string tag = "row " + std::to_string(r.row);
        WriteFile(s.folder + L"\\中文 文件名.txt", tag);
        WriteFile(s.folder + L"\\with space\\子目录\\深层 文件.bin", std::string(300000, static_cast<char>(r.row)));
        WriteFile(s.folder + L"\\with space\\empty.dat", "");
        if (r.row != 4 && r.row != 5) WriteFile(s.folder + L"\\desktop.ini", "[.ShellClassInfo]\r\nInfoTip=" + tag);
        for (const wchar_t* name : {L"\\readonly.txt", L"\\hidden.txt"}) WriteFile(s.folder + name, tag);
        ::SetFileAttributesW((s.folder + L"\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
        ::SetFileAttributesW((s.folder + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
      }
      if (r.row == 2 && (c.extra & kBigFile)) WriteFile(s.folder + L"\\大文件.bin", std::string(24u << 20, 'v'));
      if (r.row == 2 && (c.extra & kFaults)) {
        std::wstring deep;
        for (int level = 1; level <= 5; ++level) deep += L"\\第" + std::to_wstring(level) + L"层 " + std::wstring(55, L'x');
        for (const wchar_t* name : kNames) ASSERT_TRUE(WriteFile(s.folder + L"\\" + name, Narrow(name)));
        ASSERT_TRUE(WriteFile(s.folder + deep + L"\\深处的文件.txt", "deep") && WriteFile(s.folder + kHeld, "held"));
      }
      rows_.push_back(s);
    }
    for (RowState& s : rows_) {
      s.files = Manifest(s.folder);
      for (int k : {0, 1}) s.before[k] = Value(s.row, k, &s.types[k]);
      s.moves = c.kind == Kind::Run && !c.untick.count(s.row) && !withdrawn_.count(s.row);
      // Where it must end up: an inner folder travels with a ticked outer one.
      s.expectedNew = target_ + L"\\" + s.folder.substr(s.folder.find_last_of(L'\\') + 1);
      for (const RowState& outer : rows_) {
        const std::wstring prefix = outer.folder + L"\\";
        if (c.mode == C::OptionDont || !outer.moves || ::_wcsnicmp(s.folder.c_str(), prefix.c_str(), prefix.size())) continue;
        s.expectedNew = outer.expectedNew + s.folder.substr(outer.folder.size());
        s.moves = s.moves || c.mode == C::OptionMove;
      }
    }
  }

  // Starts the program, checks what it shows, and chooses as the user would.
  void Launch(C mode, const std::set<int>& untick) {
    app_ = App::Launch();
    ASSERT_NE(app_->Main(), nullptr);
    ExpectRowsShown(*app_);
    app_->PostClick(C::CkLogoff);  // a log-off would end the test session
    for (int row : untick) app_->PostClick(CheckOf(row));
    app_->PostClick(mode);
    app_->SetText(C::Text15, Narrow(target_));
    ASSERT_TRUE(Soon([&] { return app_->Check(mode) == BST_CHECKED && app_->Check(C::CkLogoff) == BST_UNCHECKED; }));
    shells_.clear();  // the shell as it runs when the user starts: the run must end it
    for (const ProcessEntry& p : Processes(L"explorer.exe")) shells_.emplace_back(::OpenProcess(SYNCHRONIZE, FALSE, p.pid));
  }

  // Every row shows its folder as the registry names it, expanded, ticked when it can be relocated; a
  // row without a value is hidden; a withdrawn one is shown, neither ticked nor enabled.
  void ExpectRowsShown(const App& app) {
    for (const RowValue& r : RowValues()) {
      const auto withdrawn = withdrawn_.find(r.row);
      const bool listed = withdrawn != withdrawn_.end();
      const std::string shown = listed ? withdrawn->second : Narrow(Expand(ReadValue(r.key, r.name)));
      EXPECT_EQ(app.Text(TextOf(r.row)), shown) << "row " << r.row;
      EXPECT_EQ(app.Check(CheckOf(r.row)), listed || shown.empty() ? BST_UNCHECKED : BST_CHECKED) << "row " << r.row;
      EXPECT_EQ(app.Visible(CheckOf(r.row)) && app.Visible(TextOf(r.row)), listed || !shown.empty()) << r.row;
      EXPECT_TRUE(shown.empty() || app.Enabled(CheckOf(r.row)) == !listed) << "row " << r.row;
    }
    EXPECT_EQ(app.Check(C::OptionMove) + app.Check(C::CkLogoff), 2 * BST_CHECKED);
  }

  // Starts the run and, until the program ends, closes whatever window it shows, once its texts are in.
  void Run() {
    std::set<HWND> seen;
    app_->PostClick(C::Command1);
    ASSERT_TRUE(WaitUntil(180000, [&] {
      for (HWND d : DialogWindows(app_->ProcessId())) {
        if (seen.insert(d).second) dialogs_.push_back(WindowText(d) + ": " + MessageBoxText(d));
        ::PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
      }
      return !app_->Running();
    })) << "the run did not end the program";
    EXPECT_EQ(app_->ExitCode(), 0u);
    // The shell that ran before was ended by the run; exactly one runs now, started by the program.
    for (const UniqueHandle& shell : shells_) EXPECT_EQ(::WaitForSingleObject(shell.get(), 0), WAIT_OBJECT_0);
    std::vector<ProcessEntry> now;
    EXPECT_TRUE(WaitUntil(10000, [&] { return !(now = Processes(L"explorer.exe")).empty(); }));
    EXPECT_TRUE(!shells_.empty() && now.size() == 1u && now.front().parent == app_->ProcessId()) << now.size();
  }

  // A moving row's values name its new place as REG_SZ, the others keep theirs; every file is,
  // unchanged, at the new place or the old, keeping its attributes, and nowhere a stranger.
  void ExpectNothingLost(C mode) {
    bool leftBehind = false;
    for (const RowState& s : rows_) {
      SCOPED_TRACE("row " + std::to_string(s.row) + " " + Narrow(s.folder));
      for (int k : {0, 1}) {
        DWORD type = 0;
        const std::wstring now = Value(s.row, k, &type);
        if (k == 0 && withdrawn_.count(s.row)) continue;  // the shell itself copies what it reads there
        EXPECT_TRUE(s.moves ? ::_wcsicmp(now.c_str(), s.expectedNew.c_str()) == 0 : now == s.before[k]) << Narrow(now);
        EXPECT_EQ(type, s.moves ? static_cast<DWORD>(REG_SZ) : s.types[k]);
      }
      EXPECT_TRUE(!s.moves || IsDirectory(s.expectedNew));
      const bool carried = s.moves && mode != C::OptionDont;
      const std::vector<FileRecord> now = s.moves ? Manifest(s.expectedNew) : std::vector<FileRecord>();
      const std::vector<FileRecord> old = Manifest(s.folder);
      for (const FileRecord& e : s.files) {
        const std::wstring& name = e.relativePath;
        const bool moved = Contains(now, e), stayed = Contains(old, e);
        const bool mayStay = name.find(L"held open") != std::wstring::npos || name.back() == L'.' ||
                             name.find(L".\\") != std::wstring::npos || s.folder.size() + name.size() > 260;
        EXPECT_TRUE(moved || stayed) << "lost: " << Narrow(name);
        EXPECT_TRUE(stayed || (carried && mode == C::OptionMove)) << "the old place must keep " << Narrow(name);
        EXPECT_TRUE(!carried || moved || mayStay) << "not carried: " << Narrow(name);
        leftBehind = leftBehind || (carried && !moved);
        const DWORD kept = Attributes((carried && moved ? s.expectedNew : s.folder) + L"\\" + name);
        const std::wstring base = name.substr(name.find_last_of(L'\\') + 1);
        EXPECT_EQ(kept & FILE_ATTRIBUTE_READONLY, base == L"readonly.txt" ? FILE_ATTRIBUTE_READONLY : 0u) << Narrow(name);
        EXPECT_EQ(kept & FILE_ATTRIBUTE_HIDDEN, base == L"hidden.txt" ? FILE_ATTRIBUTE_HIDDEN : 0u) << Narrow(name);
      }
      // Discarding leaves a new folder holding its desktop.ini alone; a folder moved whole is gone.
      const auto inis = std::count_if(s.files.begin(), s.files.end(), [](auto& e) { return e.relativePath == L"desktop.ini"; });
      EXPECT_TRUE(!s.moves || mode != C::OptionDont || now.size() == static_cast<std::size_t>(inis)) << "discarded";
      EXPECT_FALSE(carried && mode == C::OptionMove && old.empty() && PathExists(s.folder)) << "left";
      for (const FileRecord& e : now) EXPECT_TRUE(Contains(s.files, e)) << "stranger: " << Narrow(e.relativePath);
      for (const FileRecord& e : s.row == 6 ? now : old) EXPECT_TRUE(Contains(s.files, e)) << "stranger";
    }
    // Whatever stays behind, the user is told: a box names the record lying in the target.
    WIN32_FIND_DATAW found{};
    const UniqueFindHandle record(::FindFirstFileW((target_ + L"\\Vestrand-记录-*.txt").c_str(), &found));
    const bool told = !dialogs_.empty() && dialogs_.back().find(Narrow(found.cFileName)) != std::string::npos;
    EXPECT_TRUE(!leftBehind || (told && record)) << "the user was not told";
    for (const std::string& d : dialogs_) EXPECT_TRUE(told && d == dialogs_.back()) << "a window in the run: " << d;
  }

  // The run's undo file, imported as a double click does, puts every value back with its type. The
  // user logs off after importing: a shell still running would write its folders back.
  void ExpectUndone() {
    for (const ProcessEntry& p : Processes(L"explorer.exe")) EndProcess(p.pid);
    WIN32_FIND_DATAW found{};
    UniqueFindHandle undo(::FindFirstFileW((target_ + L"\\Vestrand-还原-*.reg").c_str(), &found));
    ASSERT_TRUE(undo) << "no undo file in the target";
    ASSERT_EQ(::_wsystem((L"start /wait regedit /s \"" + target_ + L"\\" + found.cFileName + L"\"").c_str()), 0);
    for (const RowState& s : rows_) {
      for (int k : {0, 1}) {
        DWORD type = 0;
        EXPECT_EQ(Value(s.row, k, &type), s.before[k]) << "row " << s.row;
        EXPECT_EQ(type, s.types[k]) << "row " << s.row;
      }
    }
  }

  // A refused target: a box with OK alone says why, and nothing changed: no value, no file, nothing
  // on D:; the shell still runs, and the window is back in its place for another try.
  void ExpectRefused(const std::wstring& target, const std::string& mentioned, bool byEnter) {
    const std::vector<std::wstring> driveD = Tree(L"D:\\");
    RECT placed{}, now{};
    ::GetWindowRect(app_->Main(), &placed);
    app_->SetText(C::Text15, Narrow(target));
    // Enter starts a run from the start button alone, never from the target box or a row.
    for (C c : {C::Text15, C::Check2, C::Command1}) {
      for (int i = 0; byEnter && i < kControlCount && Focus(app_->Main()) != app_->Handle(c); ++i) Press(Focus(app_->Main()), VK_TAB);
      if (byEnter) Press(Focus(app_->Main()), VK_RETURN);
      EXPECT_TRUE(c == C::Command1 || !byEnter || !Soon([&] { return !DialogWindows(app_->ProcessId()).empty(); }));
    }
    if (!byEnter) app_->PostClick(C::Command1);
    HWND box = WaitForMessageBox(app_->ProcessId(), L"友情提示:", 30000);
    ASSERT_NE(box, nullptr) << "no explanation for " << Narrow(target);
    const std::string text = MessageBoxText(box);
    EXPECT_NE(text.find(mentioned.empty() ? Narrow(target) : mentioned), std::string::npos) << text;
    int buttons = 0;
    for (int id = IDOK; id <= IDCONTINUE; ++id) buttons += ::IsWindowVisible(::GetDlgItem(box, id)) ? id : 0;
    EXPECT_EQ(buttons, IDOK) << "an error box has OK alone";
    ASSERT_TRUE(CloseMessageBox(box) && WaitUntil(10000, [&] { return ::IsWindowEnabled(app_->Main()); }));
    ::GetWindowRect(app_->Main(), &now);
    EXPECT_TRUE(::EqualRect(&now, &placed)) << "the main window did not come back to its place";
    EXPECT_EQ(Processes(L"explorer.exe").size(), 1u) << "the shell was ended";
    ExpectNothingLost(C::OptionMove);
    EXPECT_EQ(Tree(L"D:\\"), driveD) << "something was made on D:";
  }

  // Start-up on each version: the caption, the proposed target when D: is a fixed disk, the rows as
  // the registry says, every control where its twips say at the screen's resolution, and one instance.
  void ExpectStarts(const Row& c) {
    using Fn = BOOL(WINAPI*)();  // the driver reads the windows in physical pixels, as they are laid out
    reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetProcessDPIAware")))();
    const DWORD dpi = static_cast<DWORD>(c.dpi);
    SetRaw(L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
    // Wine draws the frames itself (no window manager under Xvfb), so that screenshots show them.
    SetValue(L"Software\\Wine\\X11 Driver", L"Managed", L"N", REG_SZ);
    for (const auto& [version, caption] : c.versions) {
      SCOPED_TRACE(Narrow(version));
      SetWineVersion(L"Vestrand.exe", version);
      auto app = App::Launch(caption != nullptr ? 20000 : 0);
      if (caption == nullptr) {  // too old: ends at once, silently
        EXPECT_TRUE(app->WaitForExit(15000) && app->ExitCode() == 0u && !app->Main());
        continue;
      }
      ASSERT_NE(app->Main(), nullptr);
      EXPECT_EQ(WindowText(app->Main()), std::string("Vestrand For Windows ") + caption);
      const bool fixedD = ::GetDriveTypeW(L"D:\\") == DRIVE_FIXED;
      EXPECT_EQ(app->Text(C::Text15), !fixedD ? "" : c.xp ? "D:\\Personal" : "D:\\Win7User");
      ExpectRowsShown(*app);
      RECT client{};
      ::GetClientRect(app->Main(), &client);
      EXPECT_NEAR(client.right, TwipsToPixels(kFormClientWidthTwips, c.dpi), 1);
      EXPECT_NEAR(client.bottom, TwipsToPixels(kFormClientHeightTwips, c.dpi), 1);
      for (const ControlLayout& entry : MainWindowLayout()) {
        const TwipsRect t = AbsoluteTwips(entry.control);
        RECT r{};
        ::GetWindowRect(app->Handle(entry.control), &r);
        ::MapWindowPoints(nullptr, app->Main(), reinterpret_cast<POINT*>(&r), 2);
        const double scale = c.dpi / 1440.0;
        EXPECT_NEAR(r.left, t.left * scale, 1) << entry.name;
        EXPECT_NEAR(r.top, t.top * scale, 1) << entry.name;
        EXPECT_NEAR(r.right, (t.left + t.width) * scale, 1) << entry.name;
        EXPECT_NEAR(r.bottom, (t.top + t.height) * scale, 1) << entry.name;
      }
      ::Sleep(300);  // the last paint reaches the screen
      if (!c.xp) SaveScreenshot(app->Main(), c.dpi);
      if (version != c.versions.front().first) continue;
      // A second start shows no window of its own and ends, bringing this one to the front.
      auto second = App::Launch(3000);
      EXPECT_TRUE(second->WaitForExit(10000) && second->ExitCode() == 0u && !second->Main());
      EXPECT_EQ(Processes(L"Vestrand.exe").size(), 1u);
      EXPECT_EQ(::GetForegroundWindow(), app->Main());
    }
  }

  // The window driven by keyboard and mouse: the tab order, Space and the arrows; the folder picker
  // cancelled (a centred hint, the target kept, the focus back) and confirmed on a drive root;
  // Explorer on a double-clicked path box; the notes window, which outlives the main window.
  void ExpectWindow() {
    HWND main = app_->Main();
    const DWORD pid = app_->ProcessId();
    ASSERT_TRUE(Soon([&] { return Focus(main) == app_->Handle(C::Check1); })) << "the first of the tab order";
    ::SetForegroundWindow(main);
    for (C c : {C::Check2, C::Check3, C::Check4, C::Check5, C::Check6, C::Check7, C::Check8, C::Check9, C::Text1,
                C::Text2, C::Text3, C::Text4, C::Text5, C::Text6, C::Text7, C::Text8, C::Text9, C::Command1,
                C::Check10, C::Text10, C::Check11, C::Text11, C::Check12, C::Text12, C::Check13, C::Text13,
                C::Text15, C::Check14, C::Text14, C::OptionMove, C::CkLogoff, C::Check1}) {
      Press(Focus(main), VK_TAB);
      EXPECT_TRUE(Soon([&] { return Focus(main) == app_->Handle(c); })) << "Tab to " << LayoutOf(c).name;
    }
    for (int expected : {BST_UNCHECKED, BST_CHECKED}) {
      Press(Focus(main), VK_SPACE);
      EXPECT_TRUE(Soon([&] { return app_->Check(C::Check1) == expected; })) << "Space";
    }
    app_->PostClick(C::OptionCopy);
    ASSERT_TRUE(Soon([&] { return Focus(main) == app_->Handle(C::OptionCopy); }));
    for (const auto& [key, next] : {std::pair{VK_RIGHT, C::OptionMove}, {VK_DOWN, C::OptionDont}}) {
      Press(Focus(main), static_cast<WPARAM>(key));
      EXPECT_TRUE(Soon([&] { return Focus(main) == app_->Handle(next) && app_->Check(next) == BST_CHECKED; }));
    }
    EXPECT_EQ(app_->Check(C::OptionCopy) + app_->Check(C::OptionMove), 0);
    const auto openPicker = [&] {
      HWND picker = nullptr;
      Mouse(app_->Handle(C::Label2));
      WaitUntil(10000, [&] {
        for (HWND d : DialogWindows(pid)) picker = ::FindWindowExW(d, nullptr, L"SysTreeView32", nullptr) ? d : picker;
        return picker != nullptr;
      });
      return picker;
    };
    for (const auto& [before, focused] : {std::pair{"D:\\Win7User", C::Text15}, {"", C::Text3}}) {
      app_->SetText(C::Text15, before);
      Mouse(app_->Handle(focused));
      ASSERT_TRUE(Soon([&] { return Focus(main) == app_->Handle(focused); }));
      ::PostMessageW(openPicker(), WM_COMMAND, IDCANCEL, 0);
      HWND box = WaitForMessageBox(pid, L"友情提示:", 10000);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(MessageBoxText(box), "恐怕您没有选择目标文件夹哟,请先选择好将要转到文件夹的路径,消息框要长才显眼!");
      RECT m{}, b{};
      ::GetWindowRect(main, &m);
      ::GetWindowRect(box, &b);
      EXPECT_NEAR(b.left + b.right, m.left + m.right, 2) << "centred over the window";
      EXPECT_NEAR(b.top + b.bottom, m.top + m.bottom, 2) << "centred over the window";
      ASSERT_TRUE(CloseMessageBox(box));
      EXPECT_TRUE(Soon([&] { return Focus(main) == app_->Handle(focused) && app_->Text(C::Text15) == before; }));
    }
    // A drive root is highlighted as a click would, with the picker's own message and the path placed in
    // the program's memory; Wine's picker may ignore it while it fills its tree: asked again, boundedly.
    HWND picker = openPicker();
    ASSERT_NE(picker, nullptr);
    void* root = ::VirtualAllocEx(app_->Process(), nullptr, 8, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_TRUE(root && ::WriteProcessMemory(app_->Process(), root, L"D:\\", 8, nullptr));
    for (int i = 0; i < 5 && !Soon([&] { return Texts(picker).find("D:\\") != std::string::npos; }); ++i) {
      ::PostMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(root));
    }
    Settle(picker);
    ::PostMessageW(picker, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil(10000, [&] { return !::IsWindow(picker); }));
    Settle(main);
    EXPECT_EQ(app_->Text(C::Text15), "D:\\") << (app_->Text(C::Text15).empty() ? "the picker gave nothing back" : "");
    EXPECT_TRUE(DialogWindows(pid).empty());
    Mouse(app_->Handle(C::Text3));  // the control the focus comes back to from the notes
    ASSERT_TRUE(Soon([&] { return Focus(main) == app_->Handle(C::Text3); }));
    for (int open = 0; open < 2; ++open) {
      Mouse(app_->Handle(C::Label3));
      ASSERT_TRUE(WaitUntil(10000, [&] { return !TopLevels(pid, kNoteWindowClass, true).empty(); }));
      Mouse(app_->Handle(C::Label3));  // the second click shows the same window
      Settle(main);
      ASSERT_EQ(TopLevels(pid, kNoteWindowClass).size(), 1u);
      HWND notes = TopLevels(pid, kNoteWindowClass).front(), text = ::GetDlgItem(notes, kNoteTextId);
      EXPECT_TRUE(WindowText(notes) == NoteFormCaption() && ::GetWindow(notes, GW_OWNER) == nullptr);
      EXPECT_EQ(WindowText(text), NoteText()) << "rebuilt, with its text, each time it opens";
      if (open == 1) {  // the main window closed first leaves the notes and the program; the last one ends it
        ::PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntil(5000, [&] { return !::IsWindow(main); }) && app_->Running() && ::IsWindowVisible(notes));
        ::PostMessageW(notes, WM_CLOSE, 0, 0);
        EXPECT_TRUE(app_->WaitForExit(10000) && app_->ExitCode() == 0u);
        continue;
      }
      DWORD_PTR ignored = 0;
      ::SendMessageTimeoutW(text, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"改过的文字"), SMTO_ABORTIFHUNG, 5000, &ignored);
      Press(text, VK_ESCAPE);
      EXPECT_TRUE(WaitUntil(5000, [&] { return !::IsWindow(notes); })) << "Escape closes the notes";
      EXPECT_TRUE(Soon([&] { return Focus(main) == app_->Handle(C::Text3); })) << "the focus came back";
      Mouse(app_->Handle(C::Text2), true);
      EXPECT_TRUE(WaitUntil(15000, [&] {
        bool started = false;
        for (const ProcessEntry& p : Processes(L"explorer.exe")) {
          if (p.parent == pid) EndProcess(p.pid), started = true;
        }
        return started;
      })) << "no Explorer for a double click on a path box";
    }
  }

  std::unique_ptr<App> app_;
  std::vector<RowState> rows_;
  std::wstring target_;
  std::vector<UniqueHandle> shells_;
  std::vector<std::string> dialogs_;  // title and text of each window a run showed
  std::map<int, std::string> withdrawn_;  // rows shown but not offered, with what they show
};

TEST_P(Scenario, Row) {
  const Row& c = GetParam();
  if (c.kind == Kind::Start || c.kind == Kind::Window) {
    MakeProfile(c.xp);
    if (c.kind == Kind::Start) return ExpectStarts(c);
    app_ = App::Launch();
    ASSERT_NE(app_->Main(), nullptr);
    return ExpectWindow();
  }
  ASSERT_NO_FATAL_FAILURE(Prepare(c));
  const std::vector<FileRecord> earlier = Manifest(target_ + L"\\Documents");
  ASSERT_NO_FATAL_FAILURE(Launch(c.mode, c.untick));
  if (c.kind == Kind::Refuse) {
    // Each refusal changes nothing, so that the next can follow in the same session; the first by Enter.
    std::vector<std::pair<std::wstring, const char*>> refusals = {{L"D:\\Win7User", c.extra & kBigFile ? "空间不够" : "同名"}};
    if (c.extra & kClash) {
      refusals = {{L"  D:\\Win7User  ", ""}, {L"Personal\\备份", ""}, {L"\\\\nosuchserver\\share\\x", ""},
                  {Expand(L"%USERPROFILE%\\Desktop\\备份"), ""}, {L"P:\\Desktop\\备份", "之中"}, {L"D:\\Win7User", "会被覆盖"}};
    }
    for (const auto& [target, mentioned] : refusals) ExpectRefused(target, mentioned, target == refusals.front().first);
    return;
  }
  UniqueFileHandle held(c.extra & kFaults ? ::CreateFileW(LongPath(rows_[1].folder + kHeld).c_str(), GENERIC_READ,
                                                                0, nullptr, OPEN_EXISTING, 0, nullptr) : INVALID_HANDLE_VALUE);
  ASSERT_TRUE(held || !(c.extra & kFaults)) << "could not hold the file open";
  ASSERT_NO_FATAL_FAILURE(Run());
  held.reset();
  if (c.extra & kEarlierCopy) {
    // Windows merges the moved documents into the earlier folder; Wine 8 leaves them where they were,
    // reporting success, and the user is told. Either way the earlier file stays and nothing is lost.
    rows_[1].moves = !PathExists(rows_[1].folder);
    if (rows_[1].moves) rows_[1].files.insert(rows_[1].files.end(), earlier.begin(), earlier.end());
    EXPECT_TRUE(Contains(Manifest(target_ + L"\\Documents"), earlier.front()));
  }
  ExpectNothingLost(c.mode);
  if (c.extra & kSecondRun) {
    for (RowState& s : rows_) s.moves = true;
    dialogs_.clear();
    ASSERT_NO_FATAL_FAILURE(Launch(c.mode, {}));
    ASSERT_NO_FATAL_FAILURE(Run());
    ExpectNothingLost(c.mode);
  }
  if (c.extra & kUndo) ExpectUndone();
}

const std::vector<std::pair<const wchar_t*, const char*>> kWin7 = {{L"win7", "7"}}, kXp = {{L"winxp", "XP"}};
INSTANTIATE_TEST_SUITE_P(
    Each, Scenario,
    ::testing::Values(
        Row{"start_win7", Kind::Start, kWin7, false},
        Row{"start_win8_to_10", Kind::Start, {{L"win8", "8"}, {L"win81", "8"}, {L"win10", "8"}}, false, C::OptionMove, {}, 0, 144},
        Row{"start_nt5", Kind::Start, {{L"win2k", "2000"}, {L"winxp", "XP"}, {L"win2003", "2003"}, {L"nt40", nullptr}}, true},
        Row{"start_xp64", Kind::Start, {{L"winxp64", "2003"}}, true},  // XP x64 is version 5.2, as 2003 is
        Row{"win7_copy", Kind::Run, kWin7, false, C::OptionCopy, {10}, kWithdrawn},
        Row{"win7_move", Kind::Run, kWin7, false, C::OptionMove, {}, kFaults | kUndo},
        Row{"win7_discard", Kind::Run, kWin7, false, C::OptionDont},
        Row{"xp_copy", Kind::Run, kXp, true, C::OptionCopy, {5}, kFaults},
        Row{"xp_move", Kind::Run, kXp, true, C::OptionMove, {11, 12, 13}, kUndo},
        Row{"xp_discard", Kind::Run, kXp, true, C::OptionDont},
        Row{"target_holds_documents", Kind::Run, kWin7, false, C::OptionMove, {}, kEarlierCopy},
        Row{"second_run", Kind::Run, kWin7, false, C::OptionMove, {3, 10}, kSecondRun},
        Row{"refused", Kind::Refuse, kWin7, false, C::OptionMove, {}, kClash},
        Row{"refused_same_name", Kind::Refuse, kWin7, false, C::OptionMove, {}, kSameName},
        Row{"refused_no_room", Kind::Refuse, kWin7, false, C::OptionMove, {}, kBigFile},
        Row{"window", Kind::Window, kWin7, false}),
    [](const ::testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace vestrand::e2e
