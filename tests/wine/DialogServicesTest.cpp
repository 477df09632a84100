// The modal dialogs for real: a second thread plays the user, reading what the dialog
// shows and pressing its buttons.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

#include "platform/Win32Services.h"
#include "platform/Win32Text.h"
#include "support/WinTestSupport.h"

namespace vestrand {
namespace {

using namespace tests;

const std::string kHint = "恐怕您没有选择目标文件夹哟,请先选择好将要转到文件夹的路径,消息框要长才显眼!";
const std::string kHintTitle = "友情提示:";

// A plain top-level window at a known place, to own the dialogs under test.
UniqueWindow OwnerWindow(int left, int top, int width, int height) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VestrandSvcTestOwner";
  ::RegisterClassW(&wc);  // a second registration fails harmlessly
  return UniqueWindow(::CreateWindowExW(0, wc.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, left,
                                        top, width, height, nullptr, nullptr, wc.hInstance, nullptr));
}

struct Seen {
  bool found = false;
  RECT rect{};
  std::string title, text, status;  // the text of a message box; the picker's status line
};

// Runs `modal` on this thread while a helper waits for its dialog, records it and answers
// it with `command`; a late answerer ends the modal call should the helper fail.
template <typename Modal>
Seen ShowAndAnswer(Modal modal, WPARAM command = IDOK) {
  Seen seen;
  TestThread helper([&] {
    HWND box = nullptr;
    if (!WaitUntil(20000, [&] { return !(DialogWindows(::GetCurrentProcessId()).empty()); })) return;
    box = DialogWindows(::GetCurrentProcessId()).front();
    ::Sleep(500);  // the box is placed, and the picker's start folder selected, while it opens
    seen.found = true;
    ::GetWindowRect(box, &seen.rect);
    seen.title = WindowText(box);
    seen.text = WindowText(::GetDlgItem(box, 0xFFFF));
    seen.status = WindowText(::GetDlgItem(box, 0x3743));
    ::PostMessageW(box, WM_COMMAND, command, 0);
    WaitUntil(10000, [&] { return !::IsWindow(box); });
  });
  DialogAnswerer fallback(IDCANCEL, 30000);
  modal();
  EXPECT_TRUE(helper.Join(20000));
  EXPECT_EQ(fallback.Answered(), 0);
  return seen;
}

long CentreX(const RECT& r) { return (r.left + r.right) / 2; }
long CentreY(const RECT& r) { return (r.top + r.bottom) / 2; }

TEST(MessageBoxes, TitleGivenOrDefault) {
  Win32Dialogs dialogs;
  const Seen titled = ShowAndAnswer([&] { dialogs.MessageBox("Error", MB_ICONERROR, kHintTitle); });
  EXPECT_EQ(titled.title, kHintTitle);
  EXPECT_EQ(titled.text, "Error");
  const Seen untitled = ShowAndAnswer([&] { dialogs.MessageBox(kHint, MB_ICONINFORMATION, std::nullopt); });
  EXPECT_EQ(untitled.title, Narrow(kDefaultMessageTitle));
  EXPECT_EQ(untitled.text, kHint);
}

// Centred over the main window, larger or smaller than the box, and only that once: the
// next box is where the system puts it.
TEST(MessageBoxes, CentredOnceOverTheMainWindow) {
  const RECT owners[] = {{30, 40, 420, 300}, {200, 150, 120, 90}};  // far from the screen's centre; small
  for (const RECT& o : owners) {
    UniqueWindow main = OwnerWindow(o.left, o.top, o.right, o.bottom);
    RECT mainRect{};
    ::GetWindowRect(main.get(), &mainRect);
    Win32Dialogs dialogs;
    dialogs.SetOwner(main.get());
    const Seen plain = ShowAndAnswer([&] { dialogs.MessageBox(kHint, MB_ICONINFORMATION, kHintTitle); });
    const Seen centred = ShowAndAnswer([&] { dialogs.CenterMsgBox(kHint, MB_ICONINFORMATION, kHintTitle); });
    const Seen after = ShowAndAnswer([&] { dialogs.MessageBox(kHint, MB_ICONINFORMATION, kHintTitle); });
    ASSERT_TRUE(plain.found && centred.found && after.found);
    EXPECT_EQ(centred.text, kHint);
    EXPECT_EQ(centred.title, kHintTitle);
    EXPECT_LE(std::labs(CentreX(centred.rect) - CentreX(mainRect)), 1L);
    EXPECT_LE(std::labs(CentreY(centred.rect) - CentreY(mainRect)), 1L);
    EXPECT_EQ(centred.rect.right - centred.rect.left, plain.rect.right - plain.rect.left);
    EXPECT_GT(std::labs(CentreX(plain.rect) - CentreX(mainRect)) + std::labs(CentreY(plain.rect) - CentreY(mainRect)),
              20L)
        << "the system's own place is the centre: the test proves nothing";
    EXPECT_TRUE(::EqualRect(&after.rect, &plain.rect)) << "the centring hook outlived its box";
  }
}

// Named in tests/e2e/known-wine-faults.txt: Wine's picker now and then drops its selection.
const char* const kPickerGaveNothing = "the picker gave nothing back";

// The picker opens on the folder it is given; confirmed, it gives that folder back.
// (Cancelling it and picking a drive root are shown end to end.)
TEST(FolderPicker, ConfirmGivesTheStartFolder) {
  const std::wstring chosen = L"C:\\vestrand-svc-dialogs\\目标 文件夹";
  ASSERT_TRUE(CreateDirectories(chosen));
  UniqueWindow owner = OwnerWindow(30, 40, 420, 300);
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
