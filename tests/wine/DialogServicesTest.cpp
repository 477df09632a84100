// The modal dialogs for real: a second thread plays the user, reading what the dialog
// shows and pressing its buttons.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

#include "platform/Win32Services.h"
#include "wine/ServicesTestSupport.h"

namespace vestrand {
namespace {

using wine::TestThread;

const std::string kHint = "恐怕您没有选择目标文件夹哟,请先选择好将要转到文件夹的路径,消息框要长才显眼!";
const std::string kHintTitle = "友情提示:";
const std::string kPickerTitle = "先选择好将要转到文件夹的路径：";
const std::string kScratch = "C:\\vestrand-svc-dialogs";

// Dialog item ids of the message box's text and of the folder dialog's title and status line.
constexpr int kMessageTextId = 0xFFFF;
constexpr int kPickerTitleId = 0x3742;
constexpr int kPickerStatusId = 0x3743;

std::wstring ItemText(HWND dialog, int id) {
  wchar_t text[512] = {};
  ::GetDlgItemTextW(dialog, id, text, 512);
  return text;
}

struct SeenBox {
  bool found = false;
  RECT rect{};
  std::wstring title;
  std::wstring text;
};

// Runs `modal` on this thread while a helper waits for its dialog, records it and answers
// it with `command`.
template <typename Modal>
SeenBox ShowAndAnswer(Modal modal, WPARAM command = IDOK) {
  const DWORD self = ::GetCurrentThreadId();
  SeenBox seen;
  TestThread helper([&] {
    HWND box = wine::WaitForDialog(self, 15000);
    if (box == nullptr) return;
    ::Sleep(300);  // the box is placed while it is activated
    seen.found = true;
    ::GetWindowRect(box, &seen.rect);
    seen.title = wine::TitleOf(box);
    seen.text = ItemText(box, kMessageTextId);
    ::PostMessageW(box, WM_COMMAND, command, 0);
    wine::WaitUntilGone(box, 10000);
  });
  EXPECT_TRUE(helper.Started());
  // Should the helper fail, a late answerer still ends the modal call.
  wine::DialogAnswerer fallback(self, IDCANCEL, 20000);
  modal();
  EXPECT_TRUE(helper.Join(15000));
  EXPECT_EQ(fallback.Answered(), 0);
  return seen;
}

long CentreX(const RECT& r) { return (r.left + r.right) / 2; }
long CentreY(const RECT& r) { return (r.top + r.bottom) / 2; }

TEST(MessageBoxes, TitleGivenOrDefault) {
  Win32Dialogs dialogs;
  const SeenBox titled = ShowAndAnswer([&] { dialogs.MessageBox("Error", MB_ICONERROR, kHintTitle); });
  EXPECT_TRUE(titled.found);
  EXPECT_EQ(titled.title, Wide(kHintTitle));
  EXPECT_EQ(titled.text, L"Error");
  const SeenBox untitled = ShowAndAnswer([&] { dialogs.MessageBox(kHint, MB_ICONINFORMATION, std::nullopt); });
  EXPECT_TRUE(untitled.found);
  EXPECT_EQ(untitled.title, std::wstring(kDefaultMessageTitle));
  EXPECT_EQ(untitled.text, Wide(kHint));
}

TEST(MessageBoxes, CentredOnceOverTheMainWindow) {
  // Far from the screen's centre, where the system would put a box.
  wine::OwnerWindow main(30, 40, 420, 300);
  ASSERT_NE(main.get(), nullptr);
  RECT mainRect{};
  ::GetWindowRect(main.get(), &mainRect);
  Win32Dialogs dialogs;
  dialogs.SetOwner(main.get());

  const SeenBox plain = ShowAndAnswer([&] { dialogs.MessageBox(kHint, MB_ICONINFORMATION, kHintTitle); });
  const SeenBox centred = ShowAndAnswer([&] { dialogs.CenterMsgBox(kHint, MB_ICONINFORMATION, kHintTitle); });
  const SeenBox after = ShowAndAnswer([&] { dialogs.MessageBox(kHint, MB_ICONINFORMATION, kHintTitle); });
  ASSERT_TRUE(plain.found && centred.found && after.found);

  EXPECT_EQ(centred.text, Wide(kHint));
  EXPECT_EQ(centred.title, Wide(kHintTitle));
  EXPECT_LE(std::labs(CentreX(centred.rect) - CentreX(mainRect)), 1L);
  EXPECT_LE(std::labs(CentreY(centred.rect) - CentreY(mainRect)), 1L);
  EXPECT_EQ(centred.rect.right - centred.rect.left, plain.rect.right - plain.rect.left);
  EXPECT_EQ(centred.rect.bottom - centred.rect.top, plain.rect.bottom - plain.rect.top);
  // The system's own place differs, so the centring above was the hook's doing...
  EXPECT_GT(std::labs(CentreX(plain.rect) - CentreX(mainRect)) +
                std::labs(CentreY(plain.rect) - CentreY(mainRect)),
            20L);
  // ...and the hook is gone: the next box is where the system puts it.
  EXPECT_TRUE(::EqualRect(&after.rect, &plain.rect))
      << after.rect.left << "," << after.rect.top << " vs " << plain.rect.left << "," << plain.rect.top;
}

TEST(MessageBoxes, CentredBoxLargerThanTheMainWindow) {
  wine::OwnerWindow main(200, 150, 120, 90);
  ASSERT_NE(main.get(), nullptr);
  RECT mainRect{};
  ::GetWindowRect(main.get(), &mainRect);
  Win32Dialogs dialogs;
  dialogs.SetOwner(main.get());
  const SeenBox centred = ShowAndAnswer([&] { dialogs.CenterMsgBox(kHint, MB_ICONINFORMATION, kHintTitle); });
  ASSERT_TRUE(centred.found);
  EXPECT_LT(centred.rect.left, mainRect.left);
  EXPECT_LE(std::labs(CentreX(centred.rect) - CentreX(mainRect)), 1L);
  EXPECT_LE(std::labs(CentreY(centred.rect) - CentreY(mainRect)), 1L);
}

class FolderPicker : public ::testing::Test {
 protected:
  void SetUp() override {
    wine::RemoveTree(kScratch);
    ASSERT_TRUE(::CreateDirectoryW(Wide(kScratch).c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(Wide(chosen_).c_str(), nullptr));
  }
  void TearDown() override { wine::RemoveTree(kScratch); }

  struct Outcome {
    std::string result;
    bool found = false;
    std::wstring title;
    std::wstring status;
  };

  // Opens the picker on `start`, lets it settle and answers with `command`.
  Outcome Pick(const std::string& start, WPARAM command) {
    Win32Dialogs dialogs;
    wine::OwnerWindow owner(30, 40, 420, 300);
    dialogs.SetOwner(owner.get());
    const DWORD self = ::GetCurrentThreadId();
    Outcome outcome;
    TestThread helper([&] {
      HWND dialog = wine::WaitForDialog(self, 20000);
      if (dialog == nullptr) return;
      ::Sleep(500);  // the start folder is selected while the dialog opens
      outcome.found = true;
      outcome.title = ItemText(dialog, kPickerTitleId);
      outcome.status = ItemText(dialog, kPickerStatusId);
      ::PostMessageW(dialog, WM_COMMAND, command, 0);
      wine::WaitUntilGone(dialog, 10000);
    });
    wine::DialogAnswerer fallback(self, IDCANCEL, 30000);
    outcome.result = dialogs.BrowseFolder(kPickerTitle, start);
    EXPECT_TRUE(helper.Join(20000));
    EXPECT_EQ(fallback.Answered(), 0);
    return outcome;
  }

  const std::string chosen_ = kScratch + "\\目标 文件夹";
};

TEST_F(FolderPicker, CancelGivesEmptyText) {
  const Outcome cancelled = Pick(chosen_, IDCANCEL);
  EXPECT_TRUE(cancelled.found);
  EXPECT_EQ(cancelled.result, "");
  EXPECT_EQ(cancelled.title, Wide(kPickerTitle));
}

TEST_F(FolderPicker, ConfirmGivesTheStartFolder) {
  const Outcome chosen = Pick(chosen_, IDOK);
  EXPECT_TRUE(chosen.found);
  EXPECT_EQ(chosen.result, chosen_);
  // The status line follows the highlighted folder.
  EXPECT_EQ(chosen.status, Wide(chosen_));
}

TEST_F(FolderPicker, ConfirmedDriveRootKeepsItsBackslash) {
  const Outcome root = Pick("D:\\", IDOK);
  EXPECT_TRUE(root.found);
  EXPECT_EQ(root.result, "D:\\");
}

}  // namespace
}  // namespace vestrand
