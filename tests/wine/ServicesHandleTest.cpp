// Each wrapper run many times must not leave handles behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "platform/Win32Services.h"
#include "wine/ServicesTestSupport.h"

namespace vestrand {
namespace {

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

// Runs `call` once to let one-time initialisation settle, then `times` more; the handle
// count may grow by a small constant at most, never with the number of calls. (Under Wine
// every dialog costs about two seconds to close, so dialogs are repeated fewer times.)
void ExpectFlat(const char* what, int times, const std::function<void(int)>& call) {
  call(-1);
  const DWORD before = HandleCount();
  EXPECT_GT(before, 0u);
  for (int i = 0; i < times; ++i) call(i);
  const DWORD after = HandleCount();
  EXPECT_LE(after, before + 3) << what << ": " << before << " -> " << after << " after " << times
                               << " calls";
}

class WrapperHandles : public ::testing::Test {
 protected:
  void SetUp() override {
    wine::RemoveTree(kScratch);
    ASSERT_TRUE(::CreateDirectoryW(Wide(kScratch).c_str(), nullptr));
  }
  void TearDown() override { wine::RemoveTree(kScratch); }
  Win32FileSystem files_;
  Win32Host host_;
  Win32Dialogs dialogs_;
};

TEST_F(WrapperHandles, FileServicesStayFlat) {
  wine::WriteBytes(kScratch + "\\a\\desktop.ini", "ini");
  ::CreateDirectoryW(Wide(kScratch + "\\b").c_str(), nullptr);
  ExpectFlat("MakeDirectory", 50, [&](int i) {
    files_.MakeDirectory(kScratch + "\\levels\\" + std::to_string(i % 5) + "\\x");
  });
  ExpectFlat("SetFileAttributes", 50, [&](int) {
    EXPECT_TRUE(files_.SetFileAttributes(kScratch + "\\a\\desktop.ini", FILE_ATTRIBUTE_READONLY).ok);
    EXPECT_FALSE(files_.SetFileAttributes(kScratch + "\\missing", FILE_ATTRIBUTE_READONLY).ok);
  });
  ::SetFileAttributesW(Wide(kScratch + "\\a\\desktop.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
  ExpectFlat("ShellCopyFiles", 50, [&](int) {
    EXPECT_EQ(files_.ShellCopyFiles(kScratch + "\\a", kScratch + "\\b"), 1);
  });
  ExpectFlat("ShellMoveFiles", 50, [&](int) {
    EXPECT_EQ(files_.ShellMoveFiles(kScratch + "\\a\\desktop.ini", kScratch + "\\b"), 1);
    EXPECT_EQ(files_.ShellMoveFiles(kScratch + "\\b\\desktop.ini", kScratch + "\\a"), 1);
  });
  EXPECT_TRUE(wine::Exists(kScratch + "\\a\\desktop.ini"));
}

TEST_F(WrapperHandles, HostServicesStayFlat) {
  ExpectFlat("StartCommand", 20, [&](int i) {
    const HostResult started = host_.StartCommand("cmd.exe /c exit", kShowMinimized);
    EXPECT_TRUE(started.ok) << "call " << i << ": error " << started.error;
  });
  ExpectFlat("StartCommand failing", 50, [&](int) {
    EXPECT_FALSE(host_.StartCommand("vestrand-no-such-program.exe", kShowNormal).ok);
  });
  ExpectFlat("ProgramFolder", 50, [&](int) { EXPECT_FALSE(host_.ProgramFolder().empty()); });
  ExpectFlat("SetEnvironmentVariable", 50, [&](int i) {
    host_.SetEnvironmentVariable("VESTRAND_SVC_COUNT", std::to_string(i));
  });
  ExpectFlat("BroadcastEnvironmentChange", 5, [&](int) { host_.BroadcastEnvironmentChange(); });
  ::SetEnvironmentVariableW(L"VESTRAND_SVC_COUNT", nullptr);
}

TEST_F(WrapperHandles, DialogsStayFlat) {
  wine::OwnerWindow owner(30, 40, 420, 300);
  dialogs_.SetOwner(owner.get());
  {
    wine::DialogAnswerer answerer(::GetCurrentThreadId(), IDOK);
    ExpectFlat("MessageBox", 5, [&](int) { dialogs_.MessageBox("x", MB_ICONERROR, std::nullopt); });
    ExpectFlat("CenterMsgBox", 5, [&](int) { dialogs_.CenterMsgBox("x", MB_ICONINFORMATION, "t"); });
  }
  {
    wine::DialogAnswerer answerer(::GetCurrentThreadId(), IDCANCEL);
    ExpectFlat("BrowseFolder cancelled", 4,
               [&](int) { EXPECT_EQ(dialogs_.BrowseFolder("t", kScratch), ""); });
  }
  {
    wine::DialogAnswerer answerer(::GetCurrentThreadId(), IDOK, 300);
    ExpectFlat("BrowseFolder confirmed", 4,
               [&](int) { EXPECT_EQ(dialogs_.BrowseFolder("t", kScratch), kScratch); });
  }
}

}  // namespace
}  // namespace vestrand
