// The host services against the real system: starting programs, the environment.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"
#include "support/WinTestSupport.h"

namespace vestrand {
namespace {

using namespace tests;

const std::wstring kScratch = L"C:\\vestrand-svc-host";

class HostServices : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveTree(kScratch);  // a program started by an earlier test may still hold it open
    ASSERT_TRUE(CreateDirectories(kScratch));
  }
  void TearDown() override { RemoveTree(kScratch); }

  // True once the file exists and is not empty, within `milliseconds`.
  static bool WaitForFile(const std::wstring& path, DWORD milliseconds) {
    const bool written = WaitUntil(milliseconds, [&] { return !ReadFile(path).empty(); });
    ::Sleep(100);  // let the writer finish
    return written;
  }

  Win32Host host_;
};

TEST_F(HostServices, StartCommandReturnsBeforeTheProgramEnds) {
  const std::wstring marker = kScratch + L"\\done.txt";
  // The program needs about two seconds (three pings one second apart) before it writes.
  const DWORD start = ::GetTickCount();
  const HostResult started =
      host_.StartCommand("cmd.exe /c ping -n 3 127.0.0.1 >nul & echo done> " + Narrow(marker), kShowMinimized);
  const DWORD returned = ::GetTickCount() - start;
  ASSERT_TRUE(started.ok) << started.error;
  EXPECT_FALSE(PathExists(marker));
  ASSERT_TRUE(WaitForFile(marker, 30000));
  EXPECT_LT(returned + 1000, ::GetTickCount() - start) << "returned after " << returned << " ms";
  const HostResult missing = host_.StartCommand("vestrand-no-such-program.exe /x", kShowNormal);
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(host_.StartCommand("", kShowNormal).ok);
}

TEST_F(HostServices, SystemProgramIsNotTakenFromBesideTheProgramOrTheCurrentFolder) {
  // Namesakes that are not programs at all, where the usual search looks first.
  const std::wstring besideProgram = Wide(host_.ProgramFolder()) + L"\\taskkill.exe";
  ASSERT_TRUE(PathExists(Wide(host_.ProgramFolder()) + L"\\wine_tests.exe"));
  ASSERT_FALSE(PathExists(besideProgram));
  WriteFile(besideProgram, "not a program");
  WriteFile(kScratch + L"\\taskkill.exe", "not a program");
  wchar_t previous[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, previous);
  ::SetCurrentDirectoryW(kScratch.c_str());

  // The trap works: the usual search finds the namesake and cannot run it.
  std::wstring plain = L"taskkill.exe /im vestrand-none.exe";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const BOOL plainStarted = ::CreateProcessW(nullptr, &plain[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  const UniqueHandle plainProcess(pi.hProcess), plainThread(pi.hThread);
  const HostResult started = host_.StartCommand("taskkill.exe /im vestrand-none.exe", kShowMinimized);
  const HostResult upper = host_.StartCommand("TASKKILL.EXE /im vestrand-none.exe", kShowMinimized);

  ::SetCurrentDirectoryW(previous);
  ::DeleteFileW(besideProgram.c_str());
  EXPECT_FALSE(plainStarted) << "the namesake was not found first; the test proves nothing";
  EXPECT_TRUE(started.ok) << started.error;
  EXPECT_TRUE(upper.ok) << upper.error;
}

TEST_F(HostServices, StartedProgramInheritsTheEnvironment) {
  const std::wstring out = kScratch + L"\\env.txt";
  host_.SetEnvironmentVariable("VESTRAND_SVC_PROBE", "D:\\Win7User\\Temp Files");
  host_.BroadcastEnvironmentChange();
  const HostResult started = host_.StartCommand("cmd.exe /c echo [%VESTRAND_SVC_PROBE%]> " + Narrow(out), kShowMinimized);
  ASSERT_TRUE(started.ok) << started.error;
  ASSERT_TRUE(WaitForFile(out, 30000));
  EXPECT_EQ(ReadFile(out), "[D:\\Win7User\\Temp Files]\r\n");
  ::SetEnvironmentVariableW(L"VESTRAND_SVC_PROBE", nullptr);
}

// Windows that answer slowly (their thread busy, not yet counted as hung) must not hold a
// run up for long: the program tells them, but waits only a few seconds in all.
TEST_F(HostServices, EnvironmentBroadcastIsBoundedWhenProgramsAreSlow) {
  std::vector<std::unique_ptr<TestThread>> slow;
  std::atomic<int> ready{0};
  for (int i = 0; i < 4; ++i) {
    slow.push_back(std::make_unique<TestThread>([&ready] {
      HWND w = ::CreateWindowExW(0, L"STATIC", L"slow", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
      ++ready;
      ::Sleep(4000);  // busy: no messages handled meanwhile
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
      ::DestroyWindow(w);
    }));
  }
  ASSERT_TRUE(WaitUntil(10000, [&] { return ready == 4; }));
  const DWORD start = ::GetTickCount();
  host_.BroadcastEnvironmentChange();
  EXPECT_LT(::GetTickCount() - start, 3000u) << "each slow window would cost up to two seconds";
}

}  // namespace
}  // namespace vestrand
