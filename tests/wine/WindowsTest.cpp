// The windows and dialogs built for real in this process: what only a test inside the
// program can see (fonts, colours, styles, stacking, the notes window, the program's
// resources), and the modal dialogs, answered by a second thread playing the user.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>

#include "platform/Win32Services.h"
#include "platform/Win32Text.h"
#include "support/WinTestSupport.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowLayout.h"
#include "ui/NoteForm.h"
#include "ui/ResourcePicture.h"

namespace vestrand {
namespace {

using namespace tests;

HINSTANCE Self() { return ::GetModuleHandleW(nullptr); }

int ScreenDpi(int axis) {
  ScreenDC screen;
  return ::GetDeviceCaps(screen.get(), axis);
}

// Lets pending messages through, and swallows the quit the last closed window posts.
void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message != WM_QUIT) ::DispatchMessageW(&msg);
  }
}

LOGFONTW FontOf(HWND hwnd) {
  LOGFONTW lf{};
  auto font = reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0));
  if (font != nullptr) ::GetObjectW(font, sizeof(lf), &lf);
  return lf;
}

// True when `upper` lies above `lower` in the window's stacking order.
bool Above(HWND upper, HWND lower) {
  for (HWND h = ::GetWindow(lower, GW_HWNDPREV); h != nullptr; h = ::GetWindow(h, GW_HWNDPREV)) {
    if (h == upper) return true;
  }
  return false;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(form.Create(Self())); }
  void TearDown() override {
    ::DestroyWindow(form.Handle());
    Pump();
  }
  HWND H(Control c) const { return form.ControlHandle(c); }
  MainWindow form;
};

TEST_F(MainWindowTest, FontsStylesAndStacking) {
  const int dpiY = ScreenDpi(LOGPIXELSY);
  for (const ControlLayout& entry : MainWindowLayout()) {
    const ControlKind kind = entry.kind;
    // Row one's checks bold 9 pt, the label bold 12 pt 黑体, the rest the window's 宋体.
    const bool rowOne = entry.control >= Control::Check1 && entry.control <= Control::Check6;
    const bool label = entry.control == Control::Label1;
    const LOGFONTW lf = FontOf(H(entry.control));
    if (kind != ControlKind::Picture) {
      EXPECT_EQ(Narrow(lf.lfFaceName), label ? "黑体" : "宋体") << entry.name;
      EXPECT_EQ(lf.lfWeight, rowOne || label ? FW_BOLD : FW_NORMAL) << entry.name;
    }
    if (rowOne || label) {
      EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET) << entry.name;
      EXPECT_EQ(lf.lfHeight, -::MulDiv(label ? 12 : 9, dpiY, 72)) << entry.name;
    }
    // Coloured buttons are drawn flat; path boxes have a one-pixel line, not the sunken edge.
    if (kind == ControlKind::Frame || kind == ControlKind::CheckBox || kind == ControlKind::OptionButton) {
      EXPECT_EQ(::GetWindowLongW(H(entry.control), GWL_STYLE) & BS_FLAT, BS_FLAT) << entry.name;
    }
    if (kind == ControlKind::TextBox) {
      EXPECT_EQ(::GetWindowLongW(H(entry.control), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0) << entry.name;
    }
    if (entry.container != Control::Count) {
      EXPECT_TRUE(Above(H(entry.control), H(entry.container))) << entry.name << " hidden by its frame";
    }
  }
  // Over the first frame without being inside it.
  EXPECT_TRUE(Above(H(Control::Text5), H(Control::Frame1)));
  EXPECT_TRUE(Above(H(Control::Text6), H(Control::Frame1)));
}

// What the main window answers a control's WM_CTLCOLORSTATIC with: text, background, brush.
TEST_F(MainWindowTest, Colours) {
  const COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT), green = RGB(0, 64, 0);
  std::vector<std::tuple<Control, COLORREF, COLORREF>> cases = {
      {Control::OptionCopy, text, RGB(255, 128, 0)},  {Control::OptionMove, text, RGB(0, 192, 192)},
      {Control::OptionDont, text, RGB(192, 0, 192)},  {Control::CkLogoff, text, RGB(255, 0, 0)},
      {Control::Frame1, green, ::GetSysColor(COLOR_BTNFACE)},
      {Control::Frame2, green, ::GetSysColor(COLOR_BTNFACE)},
      {Control::Frame5, green, ::GetSysColor(COLOR_SCROLLBAR)},
      {Control::Label1, text, ::GetSysColor(COLOR_WINDOW)},
      {Control::Text1, text, ::GetSysColor(COLOR_WINDOW)},  // read-only, yet white rather than grey
  };
  for (int k = 1; k <= kRowCount; ++k) cases.emplace_back(CheckOf(k), RGB(255, 255, 255), RGB(0, 0, 0));
  form.SetLocked(Control::Text1, true);
  ScreenDC screen;
  for (const auto& [control, textColour, back] : cases) {
    HDC dc = ::CreateCompatibleDC(screen.get());
    const auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(
        form.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(H(control))));
    LOGBRUSH lb{};
    ::GetObjectW(brush, sizeof(lb), &lb);
    EXPECT_EQ(::GetTextColor(dc), textColour) << LayoutOf(control).name;
    EXPECT_EQ(::GetBkColor(dc), back) << LayoutOf(control).name;
    EXPECT_EQ(lb.lbColor, back) << LayoutOf(control).name;
    ::DeleteDC(dc);
  }
}

// The target box and its label explain themselves (the path boxes' tips are seen end to end).
TEST_F(MainWindowTest, TooltipsOfTheTargetAndItsLabel) {
  ::SendMessageW(form.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(H(Control::Text15)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  ASSERT_NE(form.Tooltip(), nullptr);
  for (const auto& [control, text] : {std::pair{Control::Text15, "双击本框体浏览目标路径……"},
                                      std::pair{Control::Label1, "浏览目标路径……"}}) {
    wchar_t buffer[512] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = form.Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(H(control));
    tool.lpszText = buffer;
    ::SendMessageW(form.Tooltip(), TTM_GETTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(Narrow(buffer), text) << LayoutOf(control).name;
  }
}

// The notes window's life (one window, rebuilt after closing) is shown end to end.
TEST(NotesWindow, GeometryFontsAndStyle) {
  NoteForm notes(Self());
  notes.Show();
  ASSERT_NE(notes.Handle(), nullptr);
  const int dpiX = ScreenDpi(LOGPIXELSX), dpiY = ScreenDpi(LOGPIXELSY);
  HWND text = notes.TextBox();
  RECT client{}, box{};
  ::GetClientRect(notes.Handle(), &client);
  ::GetWindowRect(text, &box);
  ::MapWindowPoints(nullptr, notes.Handle(), reinterpret_cast<POINT*>(&box), 2);
  const std::pair<long, int> edges[] = {{client.right, TwipsToPixels(7365, dpiX)},
                                        {client.bottom, TwipsToPixels(3195, dpiY)},
                                        {box.left, TwipsToPixels(120, dpiX)},
                                        {box.top, TwipsToPixels(120, dpiY)},
                                        {box.right, TwipsToPixels(120 + 7215, dpiX)},
                                        {box.bottom, TwipsToPixels(120 + 3015, dpiY)}};
  for (std::size_t i = 0; i < std::size(edges); ++i) EXPECT_EQ(edges[i].first, edges[i].second) << i;
  const LONG style = ::GetWindowLongW(text, GWL_STYLE);
  EXPECT_EQ(style & (ES_MULTILINE | WS_VSCROLL | ES_READONLY), ES_MULTILINE | WS_VSCROLL);  // editable
  const LOGFONTW textFont = FontOf(text), windowFont = FontOf(notes.Handle());
  EXPECT_EQ(Narrow(textFont.lfFaceName), "微软雅黑");
  EXPECT_EQ(textFont.lfCharSet, GB2312_CHARSET);
  EXPECT_EQ(textFont.lfWeight, FW_NORMAL);
  EXPECT_EQ(textFont.lfHeight, -::MulDiv(900, dpiY, 7200));
  EXPECT_EQ(Narrow(windowFont.lfFaceName), "微软雅黑");
  EXPECT_EQ(windowFont.lfHeight, -::MulDiv(975, dpiY, 7200));
  ::DestroyWindow(notes.Handle());
  Pump();
}

// The icon in both sizes and colour depths, the picture drawn, and the version record's
// Chinese texts as the resource compiler stored them.
TEST(ProgramResources, IconPictureAndVersionRecord) {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring program = std::wstring(self).substr(0, std::wstring(self).find_last_of(L'\\') + 1) +
                               L"Vestrand.exe";
  const HMODULE exe = ::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr) << "Vestrand.exe must be built beside the tests";
  // The icon directory: a 6-byte header, then 14-byte entries (width first, bit count at 6).
  HRSRC info = ::FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  ASSERT_NE(info, nullptr);
  const auto* dir = static_cast<const unsigned char*>(::LockResource(::LoadResource(exe, info)));
  std::vector<std::pair<int, int>> sizesAndBits;
  for (DWORD e = 6; e + 14 <= ::SizeofResource(exe, info); e += 14) {
    sizesAndBits.emplace_back(dir[e], dir[e + 6] | (dir[e + 7] << 8));
  }
  std::sort(sizesAndBits.begin(), sizesAndBits.end());
  EXPECT_EQ(sizesAndBits, (std::vector<std::pair<int, int>>{{16, 4}, {16, 8}, {32, 4}, {32, 8}}));
  for (int size : {16, 32}) {
    EXPECT_NE(::LoadImageW(exe, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED), nullptr) << size;
  }

  // Drawn into a white bitmap, the picture covers it with visible marks (not one flat colour).
  ResourcePicture picture;
  ASSERT_TRUE(picture.Load(exe, kPictureResourceId));
  EXPECT_EQ(picture.PixelSize().cx, 93);
  EXPECT_EQ(picture.PixelSize().cy, 32);
  ScreenDC screen;
  HDC dc = ::CreateCompatibleDC(screen.get());
  UniqueGdiObject bitmap(::CreateCompatibleBitmap(screen.get(), 93, 32));
  HGDIOBJ old = ::SelectObject(dc, bitmap.get());
  RECT all{0, 0, 93, 32};
  ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  picture.Draw(dc, all);
  const COLORREF corner = ::GetPixel(dc, 1, 1);
  int differing = 0;
  for (int y = 0; y < 32; y += 3) {
    for (int x = 0; x < 93; x += 3) differing += ::GetPixel(dc, x, y) != corner ? 1 : 0;
  }
  EXPECT_NE(corner, RGB(255, 255, 255));
  EXPECT_GT(differing, 20);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::FreeLibrary(exe);

  DWORD ignored = 0;
  std::vector<char> block(::GetFileVersionInfoSizeW(program.c_str(), &ignored));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(::GetFileVersionInfoW(program.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  const std::pair<const wchar_t*, const char*> expected[] = {
      {L"FileVersion", "1.00.0103"},
      {L"ProductVersion", "1.00.0103"},
      {L"ProductName", "Vestrand"},
      {L"FileDescription", "文档转移"},
      {L"Comments", "我的文档,桌面...转移到非系统盘,重装系统也不怕!更多资料请看主界面的 ? 按钮。"},
  };
  for (const auto& [name, value] : expected) {
    void* data = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\080404B0\\") + name;
    ASSERT_TRUE(::VerQueryValueW(block.data(), path.c_str(), &data, &length)) << Narrow(name);
    EXPECT_EQ(Narrow(static_cast<const wchar_t*>(data)), value) << Narrow(name);
  }
}

// ---- the modal dialogs ------------------------------------------------------------------

const std::string kHint = "恐怕您没有选择目标文件夹哟,请先选择好将要转到文件夹的路径,消息框要长才显眼!";
const std::string kHintTitle = "友情提示:";

// A plain top-level window far from the screen's centre, to own the dialogs under test.
UniqueWindow OwnerWindow() {
  return UniqueWindow(::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 30, 40, 420,
                                        300, nullptr, nullptr, nullptr, nullptr));
}

struct Seen {
  bool found = false;
  RECT rect{};
  std::string title, text, status;  // the text of a message box; the picker's status line
};

// Runs `modal` on this thread while a helper waits for its dialog, records it and answers
// it with OK; a late answerer ends the modal call should the helper fail.
template <typename Modal>
Seen ShowAndAnswer(Modal modal) {
  Seen seen;
  TestThread helper([&] {
    if (!WaitUntil(20000, [&] { return !DialogWindows(::GetCurrentProcessId()).empty(); })) return;
    HWND box = DialogWindows(::GetCurrentProcessId()).front();
    ::Sleep(500);  // the box is placed, and the picker's start folder selected, while it opens
    seen.found = true;
    ::GetWindowRect(box, &seen.rect);
    seen.title = WindowText(box);
    seen.text = WindowText(::GetDlgItem(box, 0xFFFF));
    seen.status = WindowText(::GetDlgItem(box, 0x3743));
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    WaitUntil(10000, [&] { return !::IsWindow(box); });
  });
  DialogAnswerer fallback(IDCANCEL, 30000);
  modal();
  EXPECT_TRUE(helper.Join(20000));
  EXPECT_EQ(fallback.Answered(), 0);
  return seen;
}

// The title given or the program's own; centred over the main window only when asked, and
// only that once: the next box is where the system puts it.
TEST(MessageBoxes, TitleAndCentringOverTheMainWindow) {
  const UniqueWindow main = OwnerWindow();
  RECT mainRect{}, plain{};
  ::GetWindowRect(main.get(), &mainRect);
  Win32Dialogs dialogs;
  dialogs.SetOwner(main.get());
  const struct {
    bool centred;
    std::optional<std::string> title;
  } boxes[] = {{false, kHintTitle}, {true, kHintTitle}, {false, kHintTitle}, {false, std::nullopt}};
  for (const auto& b : boxes) {
    const Seen seen = ShowAndAnswer([&] {
      b.centred ? dialogs.CenterMsgBox(kHint, MB_ICONINFORMATION, *b.title)
                : dialogs.MessageBox(kHint, MB_ICONINFORMATION, b.title);
    });
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title, b.title.value_or(Narrow(kDefaultMessageTitle)));
    EXPECT_EQ(seen.text, kHint);
    const long dx = std::labs((seen.rect.left + seen.rect.right - mainRect.left - mainRect.right) / 2);
    const long dy = std::labs((seen.rect.top + seen.rect.bottom - mainRect.top - mainRect.bottom) / 2);
    if (b.centred) {
      EXPECT_LE(dx, 1L);
      EXPECT_LE(dy, 1L);
      EXPECT_EQ(seen.rect.right - seen.rect.left, plain.right - plain.left);
    } else if (plain.right == 0) {
      plain = seen.rect;
      EXPECT_GT(dx + dy, 20L) << "the system's own place is the centre: the test proves nothing";
    } else if (b.title) {
      EXPECT_TRUE(::EqualRect(&seen.rect, &plain)) << "the centring hook outlived its box";
    }
  }
}

// Named in tests/e2e/known-wine-faults.txt: Wine's picker now and then drops its selection.
const char* const kPickerGaveNothing = "the picker gave nothing back";

// The picker opens on the folder it is given; confirmed, it gives that folder back.
// (Cancelling it and picking a drive root are shown end to end.)
TEST(FolderPicker, ConfirmGivesTheStartFolder) {
  const std::wstring chosen = L"C:\\vestrand-svc-dialogs\\目标 文件夹";
  ASSERT_TRUE(CreateDirectories(chosen));
  const UniqueWindow owner = OwnerWindow();
  Win32Dialogs dialogs;
  dialogs.SetOwner(owner.get());
  std::string result;
  const Seen seen = ShowAndAnswer([&] { result = dialogs.BrowseFolder("先选择好将要转到文件夹的路径：", Narrow(chosen)); });
  EXPECT_TRUE(seen.found);
  EXPECT_EQ(result, Narrow(chosen)) << kPickerGaveNothing;
  EXPECT_EQ(seen.status, Narrow(chosen));  // the status line follows the highlighted folder
  RemoveTree(L"C:\\vestrand-svc-dialogs");
}

}  // namespace
}  // namespace vestrand
