// The windows and dialogs built for real in this process: what only a test inside the
// program sees (fonts, colours, styles, stacking, tips, the notes window, the program's
// resources), and the modal dialogs, answered by a second thread playing the user.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

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

int ScreenDpi(int axis) { return ::GetDeviceCaps(ScreenDC().get(), axis); }

LOGFONTW FontOf(HWND hwnd) {
  LOGFONTW lf{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
  return lf;
}

// Lets pending messages through, and swallows the quit the last closed window posts.
void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message != WM_QUIT) ::DispatchMessageW(&msg);
  }
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
  void SetUp() override { ASSERT_TRUE(form.Create(::GetModuleHandleW(nullptr))); }
  void TearDown() override {
    ::DestroyWindow(form.Handle());
    Pump();
  }
  HWND H(Control c) const { return form.ControlHandle(c); }
  MainWindow form;
};

TEST_F(MainWindowTest, FontsStylesAndStacking) {
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
      EXPECT_EQ(lf.lfHeight, -::MulDiv(label ? 12 : 9, ScreenDpi(LOGPIXELSY), 72)) << entry.name;
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
  EXPECT_TRUE(Above(H(Control::Text5), H(Control::Frame1)) && Above(H(Control::Text6), H(Control::Frame1)));
}

// What the main window answers a control's WM_CTLCOLORSTATIC with: text, background, brush.
TEST_F(MainWindowTest, ColoursAndTips) {
  const COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT), green = RGB(0, 64, 0), white = ::GetSysColor(COLOR_WINDOW);
  std::vector<std::tuple<Control, COLORREF, COLORREF>> cases = {
      {Control::OptionCopy, text, RGB(255, 128, 0)}, {Control::OptionMove, text, RGB(0, 192, 192)},
      {Control::OptionDont, text, RGB(192, 0, 192)}, {Control::CkLogoff, text, RGB(255, 0, 0)},
      {Control::Frame1, green, ::GetSysColor(COLOR_BTNFACE)}, {Control::Frame2, green, ::GetSysColor(COLOR_BTNFACE)},
      {Control::Frame5, green, ::GetSysColor(COLOR_SCROLLBAR)}, {Control::Label1, text, white},
      {Control::Text1, text, white}};  // read-only, yet white rather than grey
  for (int k = 1; k <= kRowCount; ++k) cases.emplace_back(CheckOf(k), RGB(255, 255, 255), RGB(0, 0, 0));
  form.SetLocked(Control::Text1, true);
  const HDC dc = ::CreateCompatibleDC(nullptr);
  for (const auto& [control, textColour, back] : cases) {
    LOGBRUSH brush{};
    ::GetObjectW(reinterpret_cast<HBRUSH>(::SendMessageW(form.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                         reinterpret_cast<LPARAM>(H(control)))),
                 sizeof(brush), &brush);
    EXPECT_EQ(::GetTextColor(dc), textColour) << LayoutOf(control).name;
    EXPECT_EQ(::GetBkColor(dc), back) << LayoutOf(control).name;
    EXPECT_EQ(brush.lbColor, back) << LayoutOf(control).name;
  }
  ::DeleteDC(dc);
  // The target box and its label explain themselves (the path boxes' tips are seen end to end).
  ::SendMessageW(form.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(H(Control::Text15)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  ASSERT_NE(form.Tooltip(), nullptr);
  for (const auto& [control, tip] : {std::pair{Control::Text15, "双击本框体浏览目标路径……"},
                                     std::pair{Control::Label1, "浏览目标路径……"}}) {
    wchar_t buffer[512] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = form.Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(H(control));
    tool.lpszText = buffer;
    ::SendMessageW(form.Tooltip(), TTM_GETTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(Narrow(buffer), tip) << LayoutOf(control).name;
  }
}

// The notes window's life (one window, rebuilt after closing) is shown end to end.
TEST(NotesWindow, GeometryFontsAndStyle) {
  NoteForm notes(::GetModuleHandleW(nullptr));
  notes.Show();
  ASSERT_NE(notes.Handle(), nullptr);
  const int x = ScreenDpi(LOGPIXELSX), y = ScreenDpi(LOGPIXELSY);
  RECT client{}, box{};
  ::GetClientRect(notes.Handle(), &client);
  ::GetWindowRect(notes.TextBox(), &box);
  ::MapWindowPoints(nullptr, notes.Handle(), reinterpret_cast<POINT*>(&box), 2);
  const LOGFONTW textFont = FontOf(notes.TextBox()), windowFont = FontOf(notes.Handle());
  const std::pair<long, long> seen[] = {
      {client.right, TwipsToPixels(7365, x)}, {client.bottom, TwipsToPixels(3195, y)},
      {box.left, TwipsToPixels(120, x)},       {box.top, TwipsToPixels(120, y)},
      {box.right, TwipsToPixels(7335, x)},     {box.bottom, TwipsToPixels(3135, y)},
      {textFont.lfHeight, -::MulDiv(900, y, 7200)},  // 9 pt, and 9.75 pt for the window
      {windowFont.lfHeight, -::MulDiv(975, y, 7200)}, {textFont.lfCharSet, GB2312_CHARSET},
      {textFont.lfWeight, FW_NORMAL},
      {::GetWindowLongW(notes.TextBox(), GWL_STYLE) & (ES_MULTILINE | WS_VSCROLL | ES_READONLY),
       ES_MULTILINE | WS_VSCROLL}};  // editable: edits are simply not kept
  for (std::size_t i = 0; i < std::size(seen); ++i) EXPECT_EQ(seen[i].first, seen[i].second) << i;
  EXPECT_EQ(Narrow(textFont.lfFaceName) + Narrow(windowFont.lfFaceName), "微软雅黑微软雅黑");
  ::DestroyWindow(notes.Handle());
  Pump();
}

// The icon in both sizes, the picture drawn, and the version record's Chinese texts as the
// resource compiler stored them.
TEST(ProgramResources, IconPictureAndVersionRecord) {
  wchar_t self[MAX_PATH] = {};
  const std::wstring folder(self, ::GetModuleFileNameW(nullptr, self, MAX_PATH));
  const std::wstring program = folder.substr(0, folder.find_last_of(L'\\') + 1) + L"Vestrand.exe";
  const HMODULE exe = ::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr) << "Vestrand.exe must be built beside the tests";
  for (int size : {16, 32}) {
    EXPECT_NE(::LoadImageW(exe, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED), nullptr) << size;
  }
  // Drawn over white, the picture covers the corner and leaves marks of more than one colour.
  ResourcePicture picture;
  ASSERT_TRUE(picture.Load(exe, kPictureResourceId));
  EXPECT_TRUE(picture.PixelSize().cx == 93 && picture.PixelSize().cy == 32);
  const HDC dc = ::CreateCompatibleDC(nullptr);
  const UniqueGdiObject bitmap(::CreateCompatibleBitmap(ScreenDC().get(), 93, 32));
  const HGDIOBJ old = ::SelectObject(dc, bitmap.get());
  RECT all{0, 0, 93, 32};
  ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  picture.Draw(dc, all);
  int differing = 0;
  for (int i = 0; i < 93 * 32; i += 7) differing += ::GetPixel(dc, i % 93, i / 93) != ::GetPixel(dc, 1, 1) ? 1 : 0;
  EXPECT_NE(::GetPixel(dc, 1, 1), RGB(255, 255, 255));
  EXPECT_GT(differing, 20);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::FreeLibrary(exe);
  std::vector<char> block(::GetFileVersionInfoSizeW(program.c_str(), nullptr));
  ASSERT_TRUE(::GetFileVersionInfoW(program.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  for (const auto& [name, value] : {std::pair{L"FileVersion", "1.00.0103"}, {L"ProductVersion", "1.00.0103"},
                                    {L"ProductName", "Vestrand"}, {L"FileDescription", "文档转移"},
                                    {L"Comments", "我的文档,桌面...转移到非系统盘,重装系统也不怕!更多资料请看主界面的 ? 按钮。"}}) {
    void* data = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\080404B0\\") + name;
    ASSERT_TRUE(::VerQueryValueW(block.data(), path.c_str(), &data, &length)) << Narrow(name);
    EXPECT_EQ(Narrow(static_cast<const wchar_t*>(data)), value) << Narrow(name);
  }
}

// ---- the modal dialogs, over a plain window far from the screen's centre ----------------

const std::string kHint = "恐怕您没有选择目标文件夹哟,请先选择好将要转到文件夹的路径,消息框要长才显眼!";

struct Seen {
  RECT owner{}, rect{};
  std::string title, text, status;  // the text of a message box; the picker's status line
};

// Runs `modal` with an owner while a helper waits for its dialog, records it and answers it
// with OK; a late answerer ends the modal call should the helper fail.
template <typename Modal>
Seen ShowAndAnswer(Win32Dialogs& dialogs, Modal modal) {
  const UniqueWindow owner(::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 30, 40,
                                             420, 300, nullptr, nullptr, nullptr, nullptr));
  dialogs.SetOwner(owner.get());
  Seen seen;
  ::GetWindowRect(owner.get(), &seen.owner);
  TestThread helper([&] {
    if (!WaitUntil(20000, [&] { return !DialogWindows(::GetCurrentProcessId()).empty(); })) return;
    HWND box = DialogWindows(::GetCurrentProcessId()).front();
    ::Sleep(500);  // the box is placed, and the picker's start folder selected, while it opens
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
  Win32Dialogs dialogs;
  RECT plain{};
  const std::pair<bool, std::optional<std::string>> boxes[] = {
      {false, "友情提示:"}, {true, "友情提示:"}, {false, "友情提示:"}, {false, std::nullopt}};
  for (const auto& [centred, title] : boxes) {
    const Seen seen = ShowAndAnswer(dialogs, [&] {
      centred ? dialogs.CenterMsgBox(kHint, MB_ICONINFORMATION, *title) : dialogs.MessageBox(kHint, MB_ICONINFORMATION, title);
    });
    EXPECT_EQ(seen.title, title.value_or(Narrow(kDefaultMessageTitle)));
    EXPECT_EQ(seen.text, kHint);
    const RECT& main = seen.owner;
    const long off = std::labs(seen.rect.left + seen.rect.right - main.left - main.right) +
                     std::labs(seen.rect.top + seen.rect.bottom - main.top - main.bottom);
    if (centred) {
      EXPECT_LE(off, 4L) << "not centred";
      EXPECT_EQ(seen.rect.right - seen.rect.left, plain.right - plain.left);
    } else if (plain.right == 0) {
      plain = seen.rect;
      EXPECT_GT(off, 40L) << "the system's own place is the centre: the test proves nothing";
    } else if (title) {
      EXPECT_TRUE(::EqualRect(&seen.rect, &plain)) << "the centring hook outlived its box";
    }
  }
}

// The picker opens on the folder it is given; confirmed, it gives that folder back.
// (Cancelling it and picking a drive root are shown end to end.)
TEST(FolderPicker, ConfirmGivesTheStartFolder) {
  const std::wstring chosen = L"C:\\vestrand-svc-dialogs\\目标 文件夹";
  ASSERT_TRUE(CreateDirectories(chosen));
  Win32Dialogs dialogs;
  std::string result;
  const Seen seen = ShowAndAnswer(dialogs, [&] { result = dialogs.BrowseFolder("选择路径：", Narrow(chosen)); });
  // Named in tests/e2e/known-wine-faults.txt: Wine's picker now and then drops its selection.
  EXPECT_EQ(result, Narrow(chosen)) << "the picker gave nothing back";
  EXPECT_EQ(seen.status, Narrow(chosen));  // the status line follows the highlighted folder
  RemoveTree(L"C:\\vestrand-svc-dialogs");
}

}  // namespace
}  // namespace vestrand
