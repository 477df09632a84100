// The two windows built for real, in this process: fonts, colours, styles, tooltips,
// stacking, the notes window's geometry, and the program file's resources.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Win32Text.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowLayout.h"
#include "ui/NoteForm.h"
#include "ui/NoteText.h"
#include "ui/ResourcePicture.h"

namespace vestrand {
namespace {

HINSTANCE Self() { return ::GetModuleHandleW(nullptr); }

int ScreenDpiY() {
  ScreenDC screen;
  return ::GetDeviceCaps(screen.get(), LOGPIXELSY);
}

int ScreenDpiX() {
  ScreenDC screen;
  return ::GetDeviceCaps(screen.get(), LOGPIXELSX);
}

// Lets pending messages through, and swallows the quit the last closed window posts.
void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

LOGFONTW FontOf(HWND hwnd) {
  LOGFONTW lf{};
  auto font = reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0));
  if (font != nullptr) ::GetObjectW(font, sizeof(lf), &lf);
  return lf;
}

// What the main window answers a control's WM_CTLCOLORSTATIC with.
struct Colours {
  COLORREF text;
  COLORREF back;
  COLORREF brush;
};

Colours AskColours(HWND main, HWND control) {
  ScreenDC screen;
  HDC dc = ::CreateCompatibleDC(screen.get());
  ::SetTextColor(dc, RGB(1, 2, 3));
  ::SetBkColor(dc, RGB(4, 5, 6));
  auto brush = reinterpret_cast<HBRUSH>(
      ::SendMessageW(main, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(control)));
  LOGBRUSH lb{};
  if (brush != nullptr) ::GetObjectW(brush, sizeof(lb), &lb);
  Colours c{::GetTextColor(dc), ::GetBkColor(dc), lb.lbColor};
  ::DeleteDC(dc);
  return c;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(form.Create(Self())); }
  void TearDown() override {
    if (form.Handle() != nullptr) ::DestroyWindow(form.Handle());
    Pump();
  }
  HWND H(Control c) const { return form.ControlHandle(c); }
  MainWindow form;
};

TEST_F(MainWindowTest, FontsPerControl) {
  const int dpiY = ScreenDpiY();
  for (const ControlLayout& entry : MainWindowLayout()) {
    const LOGFONTW lf = FontOf(H(entry.control));
    const std::string face = Narrow(lf.lfFaceName);
    const bool rowOne = entry.control >= Control::Check1 && entry.control <= Control::Check6;
    if (rowOne) {
      EXPECT_EQ(face, "宋体") << entry.name;
      EXPECT_EQ(lf.lfWeight, FW_BOLD) << entry.name;
      EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET) << entry.name;
      EXPECT_EQ(lf.lfHeight, -::MulDiv(9, dpiY, 72)) << entry.name;
    } else if (entry.control == Control::Label1) {
      EXPECT_EQ(face, "黑体");
      EXPECT_EQ(lf.lfWeight, FW_BOLD);
      EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
      EXPECT_EQ(lf.lfHeight, -::MulDiv(12, dpiY, 72));
    } else if (entry.kind != ControlKind::Picture) {
      // Everything else, Check7 to Check14 included, uses the window's font.
      EXPECT_EQ(lf.lfWeight, FW_NORMAL) << entry.name;
      EXPECT_EQ(face, "宋体") << entry.name;
    }
  }
}

TEST_F(MainWindowTest, ColoursOfChecksOptionsFramesAndLabel) {
  const COLORREF windowText = ::GetSysColor(COLOR_WINDOWTEXT);
  struct Case {
    Control control;
    COLORREF text, back;
  };
  std::vector<Case> cases;
  for (int k = 1; k <= kRowCount; ++k) cases.push_back({CheckOf(k), RGB(255, 255, 255), RGB(0, 0, 0)});
  cases.push_back({Control::OptionCopy, windowText, RGB(255, 128, 0)});
  cases.push_back({Control::OptionMove, windowText, RGB(0, 192, 192)});
  cases.push_back({Control::OptionDont, windowText, RGB(192, 0, 192)});
  cases.push_back({Control::CkLogoff, windowText, RGB(255, 0, 0)});
  cases.push_back({Control::Frame1, RGB(0, 64, 0), ::GetSysColor(COLOR_BTNFACE)});
  cases.push_back({Control::Frame2, RGB(0, 64, 0), ::GetSysColor(COLOR_BTNFACE)});
  cases.push_back({Control::Frame5, RGB(0, 64, 0), ::GetSysColor(COLOR_SCROLLBAR)});
  cases.push_back({Control::Label1, windowText, ::GetSysColor(COLOR_WINDOW)});
  // The read-only path boxes stay white instead of turning grey.
  form.SetLocked(Control::Text1, true);
  cases.push_back({Control::Text1, windowText, ::GetSysColor(COLOR_WINDOW)});
  for (const Case& c : cases) {
    const Colours got = AskColours(form.Handle(), H(c.control));
    EXPECT_EQ(got.text, c.text) << LayoutOf(c.control).name;
    EXPECT_EQ(got.back, c.back) << LayoutOf(c.control).name;
    EXPECT_EQ(got.brush, c.back) << LayoutOf(c.control).name;
  }
}

TEST_F(MainWindowTest, ColouredButtonsAreDrawnFlatAndUnthemed) {
  for (const ControlLayout& entry : MainWindowLayout()) {
    const LONG style = ::GetWindowLongW(H(entry.control), GWL_STYLE);
    const LONG exStyle = ::GetWindowLongW(H(entry.control), GWL_EXSTYLE);
    if (entry.kind == ControlKind::Frame || entry.kind == ControlKind::CheckBox ||
        entry.kind == ControlKind::OptionButton) {
      EXPECT_EQ(style & BS_FLAT, BS_FLAT) << entry.name;
    }
    if (entry.kind == ControlKind::TextBox) {  // a one-pixel line, not the sunken 3-D edge
      EXPECT_EQ(exStyle & WS_EX_CLIENTEDGE, 0) << entry.name;
    }
  }
}

TEST_F(MainWindowTest, TooltipsOnTargetItsLabelAndLongPaths) {
  EXPECT_EQ(form.Tooltip(), nullptr) << "made before the mouse came";
  // The mouse arrives over the target box.
  ::SendMessageW(form.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(H(Control::Text15)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  HWND tip = form.Tooltip();
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 2 + kRowCount);
  // A path box's tip is its whole text, and only when the text does not fit the box.
  const char* const longPath = "C:\\Users\\用户\\AppData\\Local\\Microsoft\\Windows\\INetCache\\IE";
  form.SetText(Control::Text4, longPath);
  form.SetText(Control::Text1, "D:\\桌面");
  const std::pair<Control, const char*> expected[] = {{Control::Text15, "双击本框体浏览目标路径……"},
                                                      {Control::Label1, "浏览目标路径……"},
                                                      {Control::Text4, longPath},
                                                      {Control::Text1, ""}};
  for (const auto& [control, text] : expected) {
    wchar_t buffer[512] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = form.Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(H(control));
    tool.lpszText = buffer;
    ::SendMessageW(tip, TTM_GETTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(Narrow(buffer), text) << LayoutOf(control).name;
  }
}

// True when `upper` lies above `lower` in the window's stacking order.
bool Above(HWND upper, HWND lower) {
  for (HWND h = ::GetWindow(lower, GW_HWNDPREV); h != nullptr; h = ::GetWindow(h, GW_HWNDPREV)) {
    if (h == upper) return true;
  }
  return false;
}

TEST_F(MainWindowTest, FramesLieBeneathWhatTheyHold) {
  EXPECT_TRUE(Above(H(Control::Frame4), H(Control::Frame1)));
  EXPECT_TRUE(Above(H(Control::Text5), H(Control::Frame1)));
  EXPECT_TRUE(Above(H(Control::Text6), H(Control::Frame1)));
  EXPECT_TRUE(Above(H(Control::Image1), H(Control::Frame4)));
  for (const ControlLayout& entry : MainWindowLayout()) {
    if (entry.kind == ControlKind::Frame || entry.container == Control::Count) continue;
    EXPECT_TRUE(Above(H(entry.control), H(entry.container))) << entry.name;
  }
}

// The notes window's life (one window, rebuilt after closing) is shown end to end.
TEST(NotesWindow, GeometryFontsAndStyle) {
  NoteForm notes(Self());
  notes.Show();
  ASSERT_NE(notes.Handle(), nullptr);
  const int dpiX = ScreenDpiX();
  const int dpiY = ScreenDpiY();
  RECT client{};
  ::GetClientRect(notes.Handle(), &client);
  EXPECT_EQ(client.right, TwipsToPixels(7365, dpiX));
  EXPECT_EQ(client.bottom, TwipsToPixels(3195, dpiY));

  HWND text = notes.TextBox();
  RECT r{};
  ::GetWindowRect(text, &r);
  ::MapWindowPoints(nullptr, notes.Handle(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, TwipsToPixels(120, dpiX));
  EXPECT_EQ(r.top, TwipsToPixels(120, dpiY));
  EXPECT_EQ(r.right, TwipsToPixels(120 + 7215, dpiX));
  EXPECT_EQ(r.bottom, TwipsToPixels(120 + 3015, dpiY));

  const LONG style = ::GetWindowLongW(text, GWL_STYLE);
  EXPECT_EQ(style & ES_MULTILINE, ES_MULTILINE);
  EXPECT_EQ(style & WS_VSCROLL, WS_VSCROLL);
  EXPECT_EQ(style & ES_READONLY, 0);  // the user may edit; edits are not kept

  const LOGFONTW textFont = FontOf(text);
  EXPECT_EQ(Narrow(textFont.lfFaceName), "微软雅黑");
  EXPECT_EQ(textFont.lfCharSet, GB2312_CHARSET);
  EXPECT_EQ(textFont.lfWeight, FW_NORMAL);
  EXPECT_EQ(textFont.lfHeight, -::MulDiv(900, dpiY, 7200));
  const LOGFONTW windowFont = FontOf(notes.Handle());
  EXPECT_EQ(Narrow(windowFont.lfFaceName), "微软雅黑");
  EXPECT_EQ(windowFont.lfHeight, -::MulDiv(975, dpiY, 7200));
  ::DestroyWindow(notes.Handle());
  Pump();
}

// ---- the program file's resources -------------------------------------------------------

struct ModuleTraits {
  using Value = HMODULE;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value m) noexcept { ::FreeLibrary(m); }
};

std::wstring ProgramBesideTests() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  return p.substr(0, p.find_last_of(L"\\/") + 1) + L"Vestrand.exe";
}

// The icon in both sizes and colour depths, the picture a GIF that draws, and the version
// record's Chinese texts as the resource compiler stored them.
TEST(ProgramResources, IconPictureAndVersionRecord) {
  const std::wstring program = ProgramBesideTests();
  const UniqueResource<ModuleTraits> exe(::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(exe) << "Vestrand.exe must be built beside the tests";
  const auto bytesOf = [&](int id, int type) {
    HRSRC info = ::FindResourceW(exe.get(), MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
    const auto* data = info ? static_cast<const unsigned char*>(::LockResource(::LoadResource(exe.get(), info))) : nullptr;
    return data ? std::vector<unsigned char>(data, data + ::SizeofResource(exe.get(), info)) : std::vector<unsigned char>();
  };
  // The icon directory: 6-byte header, then 14-byte entries (width, ..., bit count at 6).
  const std::vector<unsigned char> dir = bytesOf(1, 14);  // RT_GROUP_ICON
  ASSERT_GE(dir.size(), 6u);
  std::vector<std::pair<int, int>> sizesAndBits;
  for (std::size_t e = 6; e + 14 <= dir.size(); e += 14) sizesAndBits.emplace_back(dir[e], dir[e + 6] | (dir[e + 7] << 8));
  std::sort(sizesAndBits.begin(), sizesAndBits.end());
  EXPECT_EQ(sizesAndBits, (std::vector<std::pair<int, int>>{{16, 4}, {16, 8}, {32, 4}, {32, 8}}));
  for (int size : {16, 32}) {
    EXPECT_NE(::LoadImageW(exe.get(), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED), nullptr) << size;
  }

  const std::vector<unsigned char> gif = bytesOf(kPictureResourceId, 10);  // RT_RCDATA
  ASSERT_GE(gif.size(), 10u);
  EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
  EXPECT_EQ(gif[6] | (gif[7] << 8), 93);
  EXPECT_EQ(gif[8] | (gif[9] << 8), 32);
  const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  {
    ResourcePicture picture;
    ASSERT_TRUE(picture.Load(exe.get(), kPictureResourceId));
    EXPECT_NEAR(picture.PixelSize().cx, 93, 1);
    EXPECT_NEAR(picture.PixelSize().cy, 32, 1);
    // Drawn into a bitmap, the picture leaves visible marks (not one flat colour).
    ScreenDC screen;
    HDC dc = ::CreateCompatibleDC(screen.get());
    UniqueGdiObject bitmap(::CreateCompatibleBitmap(screen.get(), 93, 32));
    HGDIOBJ old = ::SelectObject(dc, bitmap.get());
    RECT all{0, 0, 93, 32};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    picture.Draw(dc, all);
    int differing = 0;
    const COLORREF corner = ::GetPixel(dc, 1, 1);
    for (int y = 0; y < 32; y += 3) {
      for (int x = 0; x < 93; x += 3) differing += ::GetPixel(dc, x, y) != corner ? 1 : 0;
    }
    EXPECT_NE(corner, RGB(255, 255, 255));
    EXPECT_GT(differing, 20);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
  }
  if (com) ::CoUninitialize();

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

}  // namespace
}  // namespace vestrand
