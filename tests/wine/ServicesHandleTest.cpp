// Each wrapper run many times must not leave handles behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "platform/Win32Services.h"
#include "platform/Win32Text.h"
#include "support/WinTestSupport.h"

namespace vestrand {
namespace {

using namespace tests;

const std::string kScratch = "D:\\vestrand-svc-handles";

// The process's open kernel handles. Wine 8.0 answers GetProcessHandleCount with 0; there
// the handle table is counted by asking about every handle value in turn.
DWORD HandleCount() {
  DWORD count = 0;
  if (::GetProcessHandleCount(::GetCurrentProcess(), &count) && count != 0) return count;
  for (ULONG_PTR value = 4; value < 4 * 8192; value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

// Each wrapper is called once to let one-time initialisation settle, then `times` more;
// the handle count may grow by a small constant at most, never with the number of calls.
// (Under Wine every dialog costs about two seconds to close: dialogs are repeated less.)
TEST(WrapperHandles, StayFlat) {
  RemoveTree(Wide(kScratch));
  WriteFile(Wide(kScratch) + L"\\a\\desktop.ini", "ini");
  ASSERT_TRUE(CreateDirectories(Wide(kScratch) + L"\\b"));
  Win32FileSystem files;
  Win32Host host;
  Win32Dialogs dialogs;
  const UniqueWindow owner(::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 30, 40, 420,
                                             300, nullptr, nullptr, nullptr, nullptr));
  dialogs.SetOwner(owner.get());
  const struct {
    const char* what;
    int times;
    WPARAM answer;  // 0: no dialog to answer
    std::function<void(int)> call;
  } cases[] = {
      {"MakeDirectory", 50, 0, [&](int i) { files.MakeDirectory(kScratch + "\\levels\\" + std::to_string(i % 5) + "\\x"); }},
      {"SetFileAttributes", 50, 0, [&](int) {
         EXPECT_TRUE(files.SetFileAttributes(kScratch + "\\a\\desktop.ini", FILE_ATTRIBUTE_NORMAL).ok);
         EXPECT_FALSE(files.SetFileAttributes(kScratch + "\\missing", FILE_ATTRIBUTE_READONLY).ok);
       }},
      {"ShellCopyFiles", 50, 0, [&](int) { EXPECT_EQ(files.ShellCopyFiles(kScratch + "\\a", kScratch + "\\b"), 1); }},
      {"ShellMoveFiles", 50, 0, [&](int) {
         EXPECT_EQ(files.ShellMoveFiles(kScratch + "\\a\\desktop.ini", kScratch + "\\b"), 1);
         EXPECT_EQ(files.ShellMoveFiles(kScratch + "\\b\\desktop.ini", kScratch + "\\a"), 1);
       }},
      {"StartCommand", 20, 0, [&](int i) { EXPECT_TRUE(host.StartCommand("cmd.exe /c exit", kShowMinimized).ok) << i; }},
      {"StartCommand failing", 50, 0, [&](int) { EXPECT_FALSE(host.StartCommand("vestrand-no-such-program.exe", kShowNormal).ok); }},
      {"SetEnvironmentVariable", 50, 0, [&](int i) { host.SetEnvironmentVariable("VESTRAND_SVC_COUNT", std::to_string(i)); }},
      {"BroadcastEnvironmentChange", 5, 0, [&](int) { host.BroadcastEnvironmentChange(); }},
      {"MessageBox", 5, IDOK, [&](int) { dialogs.MessageBox("x", MB_ICONERROR, std::nullopt); }},
      {"CenterMsgBox", 5, IDOK, [&](int) { dialogs.CenterMsgBox("x", MB_ICONINFORMATION, "t"); }},
      {"BrowseFolder cancelled", 4, IDCANCEL, [&](int) { EXPECT_EQ(dialogs.BrowseFolder("t", kScratch), ""); }},
      {"BrowseFolder confirmed", 4, IDOK, [&](int) { EXPECT_EQ(dialogs.BrowseFolder("t", kScratch), kScratch) << "the picker gave nothing back"; }},
  };
  for (const auto& c : cases) {
    // A confirmed picker is answered once its start folder is selected.
    std::unique_ptr<DialogAnswerer> answerer;
    if (c.answer != 0) answerer = std::make_unique<DialogAnswerer>(c.answer, c.times == 4 && c.answer == IDOK ? 300 : 0);
    c.call(-1);
    const DWORD before = HandleCount();
    EXPECT_GT(before, 0u);
    for (int i = 0; i < c.times; ++i) c.call(i);
    const DWORD after = HandleCount();
    EXPECT_LE(after, before + 3) << c.what << ": " << before << " -> " << after << " after " << c.times << " calls";
  }
  EXPECT_TRUE(PathExists(Wide(kScratch) + L"\\a\\desktop.ini"));
  ::SetEnvironmentVariableW(L"VESTRAND_SVC_COUNT", nullptr);
  RemoveTree(Wide(kScratch));
}

}  // namespace
}  // namespace vestrand
