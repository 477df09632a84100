// The main window and the notes window as a user sees and drives them, under Wine: layout
// at two resolutions (with screenshots), keyboard order, the notes window's life, the
// folder picker's hint, Explorer on a path box, Enter and the path tooltips.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "e2e/driver/Driver.h"
#include "e2e/driver/RelocationFixture.h"
#include "platform/Win32Text.h"
#include "relocation/FormFields.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowLayout.h"
#include "ui/NoteForm.h"
#include "ui/NoteText.h"

namespace vestrand::e2e {
namespace {

// ---- helpers ------------------------------------------------------------------------------

// The driver reads the program's windows in physical pixels, as the program lays them out.
// (Declared for Vista and later; Wine has it whatever version it reports.)
void BecomeDpiAware() {
  using Fn = BOOL(WINAPI*)();
  if (HMODULE user32 = ::GetModuleHandleW(L"user32.dll")) {
    if (auto fn = reinterpret_cast<Fn>(
            reinterpret_cast<void*>(::GetProcAddress(user32, "SetProcessDPIAware")))) {
      fn();
    }
  }
}

// Wine draws the windows' own frames and captions (there is no window manager under Xvfb),
// so that screenshots show the caption; the program reads this when it starts.
void DrawOwnWindowFrames() { SetValue(L"Software\\Wine\\X11 Driver", L"Managed", L"N", REG_SZ); }

// The screen resolution the program sees from its next start.
void SetScreenDpi(DWORD dpi) { SetDword(L"Control Panel\\Desktop", L"LogPixels", dpi); }

// Waits until the program is idle again. A sent message is handled before posted ones, so
// a reply alone does not prove that posted input was handled: give that a moment too.
void Settle(HWND hwnd) {
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  ::Sleep(100);
  ::SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
}

// A mouse click on a label: statics with notification report it on the button press.
void PostMouseClick(HWND hwnd) {
  ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  ::PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

void PostDoubleClick(HWND hwnd) {
  ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  ::PostMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  ::PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

HWND FocusOf(HWND main) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(main, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

// A key pressed and released on the focused control, as the keyboard would deliver it.
void PressKey(HWND main, UINT key) {
  HWND focus = FocusOf(main);
  ::PostMessageW(focus, WM_KEYDOWN, key, 0x00000001);
  ::PostMessageW(focus, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
  Settle(main);
}

Control ControlOf(const App& app, HWND hwnd) {
  for (const ControlLayout& entry : MainWindowLayout()) {
    if (app.Handle(entry.control) == hwnd) return entry.control;
  }
  return Control::Count;
}

std::string NameOf(Control c) { return c == Control::Count ? "(none)" : LayoutOf(c).name; }

// Presses Tab until `c` has the focus, at most once round the window.
bool TabTo(const App& app, Control c) {
  for (int i = 0; i < kControlCount && FocusOf(app.Main()) != app.Handle(c); ++i) {
    PressKey(app.Main(), VK_TAB);
  }
  return FocusOf(app.Main()) == app.Handle(c);
}

// Saves the window as it is on screen into a 24-bit BMP file beside the driver.
bool SaveScreenshot(HWND window, const std::wstring& fileName) {
  RECT r{};
  ::GetWindowRect(window, &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return false;
  ScreenDC screen;
  HDC memory = ::CreateCompatibleDC(screen.get());
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;  // bottom-up, as BMP files store it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueGdiObject bitmap(::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) {
    ::DeleteDC(memory);
    return false;
  }
  HGDIOBJ old = ::SelectObject(memory, bitmap.get());
  ::BitBlt(memory, 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
  ::GdiFlush();
  const DWORD stride = static_cast<DWORD>((w * 3 + 3) & ~3);
  const DWORD imageSize = stride * static_cast<DWORD>(h);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + imageSize;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
  bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
  bytes.append(static_cast<const char*>(bits), imageSize);
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  return WriteFile(DriverFolder() + L"\\" + fileName, bytes);
}

void ExpectLayoutAt(const App& app, int dpi) {
  const RECT client = app.MainClientRect();
  EXPECT_NEAR(client.right, TwipsToPixels(kFormClientWidthTwips, dpi), 1);
  EXPECT_NEAR(client.bottom, TwipsToPixels(kFormClientHeightTwips, dpi), 1);
  for (const ControlLayout& entry : MainWindowLayout()) {
    const TwipsRect t = AbsoluteTwips(entry.control);
    const RECT r = app.Rect(entry.control);
    const double scale = dpi / 1440.0;
    EXPECT_NEAR(r.left, t.left * scale, 1) << entry.name << " at " << dpi;
    EXPECT_NEAR(r.top, t.top * scale, 1) << entry.name << " at " << dpi;
    EXPECT_NEAR(r.right, (t.left + t.width) * scale, 1) << entry.name << " at " << dpi;
    EXPECT_NEAR(r.bottom, (t.top + t.height) * scale, 1) << entry.name << " at " << dpi;
  }
}

// ---- scenarios ----------------------------------------------------------------------------

// Starts the program on a screen of `dpi`, with the window frames it draws itself.
std::unique_ptr<App> LaunchAtDpi(DWORD dpi) {
  BecomeDpiAware();
  SetWineVersion(L"Vestrand.exe", L"win7");
  MakeWin7Profile();
  DrawOwnWindowFrames();
  SetScreenDpi(dpi);
  return App::Launch();
}

// At each resolution every control lies where its twips say, and a screenshot is kept.
class Layout : public ::testing::TestWithParam<int> {};

TEST_P(Layout, AtDpi) {
  const int dpi = GetParam();
  auto app = LaunchAtDpi(static_cast<DWORD>(dpi));
  ASSERT_NE(app->Main(), nullptr);
  ExpectLayoutAt(*app, dpi);
  ::Sleep(300);  // let the last paint reach the screen
  EXPECT_TRUE(SaveScreenshot(app->Main(), L"screenshot-" + std::to_wstring(dpi) + L"dpi.bmp"));
}

INSTANTIATE_TEST_SUITE_P(Each, Layout, ::testing::Values(96, 144));

TEST(Window, TabVisitsTheDesignedOrder) {
  SetWineVersion(L"Vestrand.exe", L"win7");
  MakeWin7Profile();
  auto app = App::Launch();
  ASSERT_NE(app->Main(), nullptr);
  // The first control of the tab order has the focus from the start.
  ASSERT_TRUE(WaitUntil(3000, [&] { return FocusOf(app->Main()) == app->Handle(Control::Check1); }))
      << NameOf(ControlOf(*app, FocusOf(app->Main())));
  ::SetForegroundWindow(app->Main());

  using C = Control;
  const std::vector<Control> expected = {
      C::Check1,  C::Check2,  C::Check3,   C::Check4,  C::Check5,   C::Check6,  C::Check7,
      C::Check8,  C::Check9,  C::Text1,    C::Text2,   C::Text3,    C::Text4,   C::Text5,
      C::Text6,   C::Text7,   C::Text8,    C::Text9,   C::Command1, C::Check10, C::Text10,
      C::Check11, C::Text11,  C::Check12,  C::Text12,  C::Check13,  C::Text13,  C::Text15,
      C::Check14, C::Text14,  C::OptionMove, C::CkLogoff, C::Check1};
  std::vector<std::string> seen{NameOf(ControlOf(*app, FocusOf(app->Main())))};
  for (std::size_t i = 1; i < expected.size(); ++i) {
    HWND focus = FocusOf(app->Main());
    PressKey(app->Main(), VK_TAB);
    WaitUntil(1000, [&] { return FocusOf(app->Main()) != focus; });
    seen.push_back(NameOf(ControlOf(*app, FocusOf(app->Main()))));
  }
  std::vector<std::string> names;
  for (Control c : expected) names.push_back(NameOf(c));
  EXPECT_EQ(seen, names);

  // Space toggles the focused check box; the arrow keys move within the mode group and
  // select as they go.
  const auto press = [&](UINT key) { PressKey(app->Main(), key); };
  const auto soon = [&](auto condition) { return WaitUntil(3000, condition); };
  ASSERT_EQ(FocusOf(app->Main()), app->Handle(Control::Check1));
  press(VK_SPACE);
  EXPECT_TRUE(soon([&] { return app->Check(Control::Check1) == BST_UNCHECKED; }));
  press(VK_SPACE);
  EXPECT_TRUE(soon([&] { return app->Check(Control::Check1) == BST_CHECKED; }));
  app->PostClick(Control::OptionCopy);
  ASSERT_TRUE(soon([&] { return FocusOf(app->Main()) == app->Handle(Control::OptionCopy); }));
  press(VK_RIGHT);
  EXPECT_TRUE(soon([&] { return FocusOf(app->Main()) == app->Handle(Control::OptionMove); }));
  EXPECT_TRUE(soon([&] { return app->Check(Control::OptionMove) == BST_CHECKED; }));
  EXPECT_EQ(app->Check(Control::OptionCopy), BST_UNCHECKED);
  press(VK_DOWN);
  EXPECT_TRUE(soon([&] { return FocusOf(app->Main()) == app->Handle(Control::OptionDont); }));
  EXPECT_TRUE(soon([&] { return app->Check(Control::OptionDont) == BST_CHECKED; }));
  EXPECT_EQ(app->Check(Control::OptionMove), BST_UNCHECKED);
}

TEST(Window, NotesWindowIsOneRebuiltAndOutlivesTheMainWindow) {
  SetWineVersion(L"Vestrand.exe", L"win7");
  MakeWin7Profile();
  auto app = App::Launch();
  ASSERT_NE(app->Main(), nullptr);
  ASSERT_TRUE(TabTo(*app, Control::Check2));  // to see the focus come back after the notes
  HWND label = app->Handle(Control::Label3);
  PostMouseClick(label);
  HWND notes = app->WaitForTopLevel(kNoteWindowClass, L"", 10000);
  ASSERT_NE(notes, nullptr);
  PostMouseClick(label);  // the second click shows the same window
  Settle(app->Main());
  ::Sleep(300);
  EXPECT_EQ(TopLevels(app->ProcessId(), kNoteWindowClass).size(), 1u);
  EXPECT_TRUE(::IsWindowVisible(notes));
  EXPECT_EQ(::GetWindow(notes, GW_OWNER), nullptr);
  EXPECT_EQ(WindowText(notes), NoteFormCaption());
  HWND text = ::GetDlgItem(notes, kNoteTextId);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(WindowText(text), NoteText());

  // Edits are lost when the window closes; the next "?" builds it anew.
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(text, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"改过的文字"),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
  EXPECT_EQ(WindowText(text), "改过的文字");
  PressKey(notes, VK_ESCAPE);  // Escape closes the notes
  ASSERT_TRUE(WaitUntil(5000, [&] { return !::IsWindow(notes); }));
  EXPECT_TRUE(WaitUntil(3000, [&] { return FocusOf(app->Main()) == app->Handle(Control::Check2); }))
      << NameOf(ControlOf(*app, FocusOf(app->Main())));
  EXPECT_TRUE(app->Running());
  PostMouseClick(label);
  HWND again = app->WaitForTopLevel(kNoteWindowClass, L"", 10000);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(WindowText(::GetDlgItem(again, kNoteTextId)), NoteText());

  // Closing the main window first leaves the notes and the program running.
  ::PostMessageW(app->Main(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitUntil(5000, [&] { return !::IsWindow(app->Main()); }));
  ::Sleep(500);
  EXPECT_TRUE(app->Running());
  EXPECT_TRUE(::IsWindow(again));
  EXPECT_TRUE(::IsWindowVisible(again));
  // Closing the last window ends the program.
  ::PostMessageW(again, WM_CLOSE, 0, 0);
  ASSERT_TRUE(app->WaitForExit(10000));
  EXPECT_EQ(app->ExitCode(), 0u);
}

HWND WaitForPicker(DWORD pid) {
  HWND picker = nullptr;
  WaitUntil(10000, [&] {
    for (HWND d : DialogWindows(pid)) {
      if (::FindWindowExW(d, nullptr, L"SysTreeView32", nullptr) != nullptr) picker = d;
    }
    return picker != nullptr;
  });
  return picker;
}

TEST(Window, CancelledPickerShowsTheCentredHintAndKeepsTheTarget) {
  SetWineVersion(L"Vestrand.exe", L"win7");
  MakeWin7Profile();
  auto app = App::Launch();
  ASSERT_NE(app->Main(), nullptr);
  // The focus goes back to the control that had it before the picker and the hint.
  const std::pair<std::string, Control> rows[] = {{"D:\\Win7User", Control::Text15}, {"", Control::Text3}};
  for (const auto& row : rows) {
    const std::string& before = row.first;
    const Control focused = row.second;
    app->SetText(Control::Text15, before);
    PostMouseClick(app->Handle(focused));
    ASSERT_TRUE(WaitUntil(3000, [&] { return FocusOf(app->Main()) == app->Handle(focused); }));
    PostMouseClick(app->Handle(Control::Label2));
    HWND picker = WaitForPicker(app->ProcessId());
    ASSERT_NE(picker, nullptr) << "no folder picker for " << before;
    EXPECT_NE(DescribeDialog(picker).text.find("先选择好将要转到文件夹的路径："), std::string::npos)
        << DescribeDialog(picker).text;
    ::PostMessageW(picker, WM_COMMAND, IDCANCEL, 0);
    HWND box = WaitForMessageBox(app->ProcessId(), L"友情提示:", 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box),
              "恐怕您没有选择目标文件夹哟,请先选择好将要转到文件夹的路径,消息框要长才显眼!");
    RECT main{};
    RECT shown{};
    ::GetWindowRect(app->Main(), &main);
    ::GetWindowRect(box, &shown);
    EXPECT_NEAR((shown.left + shown.right) / 2.0, (main.left + main.right) / 2.0, 1.0);
    EXPECT_NEAR((shown.top + shown.bottom) / 2.0, (main.top + main.bottom) / 2.0, 1.0);
    ASSERT_TRUE(CloseMessageBox(box));
    Settle(app->Main());
    EXPECT_EQ(app->Text(Control::Text15), before);
    EXPECT_TRUE(WaitUntil(3000, [&] { return FocusOf(app->Main()) == app->Handle(focused); }))
        << NameOf(ControlOf(*app, FocusOf(app->Main())));
  }
}

// Enter starts a run from the start button alone, never from the target box or a row. The
// target is refused, so the run stops at its explanation and nothing changes.
class EnterKey : public RefusedTarget {};

TEST_F(EnterKey, StartsARunOnlyFromTheStartButton) {
  pressStart_ = [this] {
    for (Control c : {Control::Text15, Control::Check2, Control::Command1}) {
      ASSERT_TRUE(TabTo(*app_, c)) << NameOf(c);
      PressKey(app_->Main(), VK_RETURN);
      if (c == Control::Command1) break;
      ::Sleep(1500);
      EXPECT_TRUE(DialogWindows(app_->ProcessId()).empty()) << "Enter on " << NameOf(c);
    }
  };
  ExpectRefused(L"Personal\\备份");
}

// The mouse resting on a path box shows its whole location when the box is too narrow.
TEST(Window, PathBoxTooltipHoldsTheWholeLocation) {
  SetWineVersion(L"Vestrand.exe", L"win7");
  MakeWin7Profile();
  auto app = App::Launch();
  ASSERT_NE(app->Main(), nullptr);
  // The desktop fits its box; the browser cache and the cookies do not.
  for (const auto& [box, tipped] : {std::pair{Control::Text1, false}, {Control::Text4, true},
                                    {Control::Text5, true}}) {
    RECT r{};
    ::GetWindowRect(app->Handle(box), &r);
    for (int dx : {8, 10}) {  // arrive, then rest: the tips are made when the mouse arrives
      INPUT move{};
      move.type = INPUT_MOUSE;
      move.mi.dx = (r.left + dx) * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
      move.mi.dy = (r.top + r.bottom) / 2 * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
      move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
      ::SendInput(1, &move, sizeof(move));
      Settle(app->Main());
    }
    std::string shown;
    WaitUntil(tipped ? 5000 : 2000, [&] {
      for (HWND tip : TopLevels(app->ProcessId(), TOOLTIPS_CLASSW)) {
        if (::IsWindowVisible(tip)) shown = WindowText(tip);
      }
      return !shown.empty();
    });
    EXPECT_EQ(shown, tipped ? app->Text(box) : "") << NameOf(box);
  }
}

// Highlights `path` in the picker as a user clicking it would: the dialog's own
// selection message, with the path text placed in the program's memory.
bool HighlightInPicker(HANDLE process, HWND picker, const std::wstring& path) {
  const SIZE_T bytes = (path.size() + 1) * sizeof(wchar_t);
  void* remote = ::VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remote == nullptr) return false;
  SIZE_T written = 0;
  bool ok = ::WriteProcessMemory(process, remote, path.c_str(), bytes, &written) && written == bytes;
  DWORD_PTR ignored = 0;
  ok = ok && ::SendMessageTimeoutW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote),
                                   SMTO_ABORTIFHUNG, 10000, &ignored);
  ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return ok;
}

TEST(Window, PickingADriveRootPutsItWithItsBackslash) {
  SetWineVersion(L"Vestrand.exe", L"win7");
  MakeWin7Profile();
  auto app = App::Launch();
  ASSERT_NE(app->Main(), nullptr);
  PostMouseClick(app->Handle(Control::Label2));
  HWND picker = WaitForPicker(app->ProcessId());
  ASSERT_NE(picker, nullptr);
  HWND tree = ::FindWindowExW(picker, nullptr, L"SysTreeView32", nullptr);
  ASSERT_NE(tree, nullptr);
  // Wine's picker occasionally ignores a selection made while it is still filling its
  // tree; ask again until the drive is highlighted, within a bounded time.
  bool highlighted = false;
  for (int attempt = 0; attempt < 5 && !highlighted; ++attempt) {
    ASSERT_TRUE(HighlightInPicker(app->Process(), picker, L"D:\\"));
    highlighted = WaitUntil(3000, [&] {
      return ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) != 0 &&
             DescribeDialog(picker).text.find("D:\\") != std::string::npos;
    });
  }
  ASSERT_TRUE(highlighted) << "status line: " << DescribeDialog(picker).text;
  Settle(picker);
  ::PostMessageW(picker, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil(10000, [&] { return !::IsWindow(picker); }));
  Settle(app->Main());
  EXPECT_EQ(app->Text(Control::Text15), "D:\\");
  EXPECT_TRUE(DialogWindows(app->ProcessId()).empty());
}

// The command line another (64-bit) process was started with, read from its process block.
std::wstring CommandLineOf(DWORD pid) {
  struct BasicInformation {
    void* exitStatus;
    void* pebAddress;
    void* reserved[4];
  };
  using QueryFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (query == nullptr || !process) return L"?";
  BasicInformation basic{};
  if (query(process.get(), 0, &basic, sizeof(basic), nullptr) != 0) return L"?";
  const auto read = [&](const void* address, void* into, std::size_t size) {
    SIZE_T got = 0;
    return ::ReadProcessMemory(process.get(), address, into, size, &got) && got == size;
  };
  void* parameters = nullptr;  // PEB.ProcessParameters
  if (!read(static_cast<const char*>(basic.pebAddress) + 0x20, &parameters, sizeof(parameters))) return L"?";
  USHORT length = 0;  // RTL_USER_PROCESS_PARAMETERS.CommandLine
  void* buffer = nullptr;
  if (!read(static_cast<const char*>(parameters) + 0x70, &length, sizeof(length)) ||
      !read(static_cast<const char*>(parameters) + 0x78, &buffer, sizeof(buffer))) {
    return L"?";
  }
  std::wstring text(length / sizeof(wchar_t), L'\0');
  if (length != 0 && !read(buffer, &text[0], length)) return L"?";
  return text;
}

std::set<DWORD> ExplorerProcesses() {
  const std::vector<DWORD> pids = ProcessesNamed(L"explorer.exe");
  return std::set<DWORD>(pids.begin(), pids.end());
}

TEST(Window, DoubleClickOnAPathBoxStartsExplorer) {
  SetWineVersion(L"Vestrand.exe", L"win7");
  MakeWin7Profile();
  auto app = App::Launch();
  ASSERT_NE(app->Main(), nullptr);
  // A filled row box, the target box, and an emptied box ("explorer.exe " alone).
  app->SetText(Control::Text6, "");
  for (Control box : {Control::Text2, Control::Text15, Control::Text6}) {
    const std::set<DWORD> before = ExplorerProcesses();
    PostDoubleClick(app->Handle(box));
    std::set<DWORD> started;
    EXPECT_TRUE(WaitUntil(15000, [&] {
      started.clear();
      for (DWORD pid : ExplorerProcesses()) {
        if (before.count(pid) == 0) started.insert(pid);
      }
      return !started.empty();
    })) << NameOf(box);
    for (const ProcessEntry& p : Processes()) {
      if (started.count(p.pid) != 0) {
        EXPECT_EQ(p.parent, app->ProcessId()) << NameOf(box);
        // The path as it stands in the box, unquoted; an empty box leaves the one space.
        EXPECT_EQ(Narrow(CommandLineOf(p.pid)), "explorer.exe " + app->Text(box)) << NameOf(box);
        EndProcess(p.pid);
      }
    }
  }
  EXPECT_TRUE(app->Running());
  EXPECT_TRUE(app->MainEnabled());
}

}  // namespace
}  // namespace vestrand::e2e
