// The host services against the real system: starting programs, the program's folder,
// the environment.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "wine/ServicesTestSupport.h"

namespace vestrand {
namespace {

using wine::Exists;
using wine::ReadBytes;
using wine::RemoveTree;
using wine::WriteBytes;

const std::string kScratch = "C:\\vestrand-svc-host";

class HostServices : public ::testing::Test {
 protected:
  void SetUp() override {
    // A program started by an earlier test may still hold the folder open.
    RemoveTree(kScratch);
    ::CreateDirectoryW(Wide(kScratch).c_str(), nullptr);
    ASSERT_TRUE(wine::IsDirectory(kScratch));
  }
  void TearDown() override { RemoveTree(kScratch); }

  // Polls for a file for at most `milliseconds`; true once it exists and is not empty.
  static bool WaitForFile(const std::string& path, DWORD milliseconds) {
    const DWORD start = ::GetTickCount();
    while (ReadBytes(path).empty()) {
      if (::GetTickCount() - start >= milliseconds) return false;
      ::Sleep(50);
    }
    ::Sleep(100);  // let the writer finish
    return true;
  }

  Win32Host host_;
};

TEST_F(HostServices, StartCommandReturnsBeforeTheProgramEnds) {
  const std::string marker = kScratch + "\\done.txt";
  // The program needs about two seconds (three pings one second apart) before it writes.
  const std::string command =
      "cmd.exe /c ping -n 3 127.0.0.1 >nul & echo done> " + marker;
  const DWORD start = ::GetTickCount();
  const HostResult started = host_.StartCommand(command, kShowMinimized);
  const DWORD returned = ::GetTickCount() - start;
  ASSERT_TRUE(started.ok) << started.error;
  EXPECT_FALSE(Exists(marker));
  ASSERT_TRUE(WaitForFile(marker, 30000));
  const DWORD finished = ::GetTickCount() - start;
  EXPECT_LT(returned + 1000, finished) << "returned after " << returned << " ms, program took "
                                       << finished << " ms";
}

TEST_F(HostServices, StartCommandReportsAMissingProgram) {
  const HostResult missing = host_.StartCommand("vestrand-no-such-program.exe /x", kShowNormal);
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  const HostResult empty = host_.StartCommand("", kShowNormal);
  EXPECT_FALSE(empty.ok);
}

TEST_F(HostServices, SystemProgramIsNotTakenFromBesideTheProgramOrTheCurrentFolder) {
  // Namesakes that are not programs at all, where the usual search looks first.
  const std::string besideProgram = host_.ProgramFolder() + "\\taskkill.exe";
  const std::string inCurrentFolder = kScratch + "\\taskkill.exe";
  ASSERT_FALSE(Exists(besideProgram));
  WriteBytes(besideProgram, "not a program");
  WriteBytes(inCurrentFolder, "not a program");
  wchar_t previous[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, previous);
  ::SetCurrentDirectoryW(Wide(kScratch).c_str());

  // The trap works: the usual search finds the namesake and cannot run it.
  std::wstring plain = L"taskkill.exe /im vestrand-none.exe";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const BOOL plainStarted = ::CreateProcessW(nullptr, &plain[0], nullptr, nullptr, FALSE, 0,
                                             nullptr, nullptr, &si, &pi);
  const UniqueHandle plainProcess(pi.hProcess);
  const UniqueHandle plainThread(pi.hThread);

  const HostResult started = host_.StartCommand("taskkill.exe /im vestrand-none.exe", kShowMinimized);
  const HostResult upper = host_.StartCommand("TASKKILL.EXE /im vestrand-none.exe", kShowMinimized);

  ::SetCurrentDirectoryW(previous);
  ::DeleteFileW(Wide(besideProgram).c_str());
  EXPECT_FALSE(plainStarted) << "the namesake was not found first; the test proves nothing";
  EXPECT_TRUE(started.ok) << started.error;
  EXPECT_TRUE(upper.ok) << upper.error;
}

TEST_F(HostServices, StartedProgramInheritsTheEnvironment) {
  const std::string out = kScratch + "\\env.txt";
  host_.SetEnvironmentVariable("VESTRAND_SVC_PROBE", "D:\\Win7User\\Temp Files");
  wchar_t back[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"VESTRAND_SVC_PROBE", back, MAX_PATH);
  EXPECT_STREQ(back, L"D:\\Win7User\\Temp Files");

  const DWORD start = ::GetTickCount();
  host_.BroadcastEnvironmentChange();
  EXPECT_LT(::GetTickCount() - start, 10000u);

  const HostResult started =
      host_.StartCommand("cmd.exe /c echo [%VESTRAND_SVC_PROBE%]> " + out, kShowMinimized);
  ASSERT_TRUE(started.ok) << started.error;
  ASSERT_TRUE(WaitForFile(out, 30000));
  EXPECT_EQ(ReadBytes(out), "[D:\\Win7User\\Temp Files]\r\n");
  ::SetEnvironmentVariableW(L"VESTRAND_SVC_PROBE", nullptr);
}

// Windows that answer slowly (their thread busy, not yet counted as hung) must not hold a
// run up for long: the program tells them, but waits only a few seconds in all.
TEST_F(HostServices, EnvironmentBroadcastIsBoundedWhenProgramsAreSlow) {
  constexpr int kSlowWindows = 4;
  std::vector<UniqueHandle> threads;
  std::vector<UniqueHandle> readies;
  for (int i = 0; i < kSlowWindows; ++i) {
    readies.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    threads.emplace_back(::CreateThread(
        nullptr, 0,
        [](void* event) -> DWORD {
          HWND w = ::CreateWindowExW(0, L"STATIC", L"slow", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                     nullptr, nullptr, nullptr);
          ::SetEvent(static_cast<HANDLE>(event));
          ::Sleep(4000);  // busy: no messages handled meanwhile
          MSG msg;
          while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
          ::DestroyWindow(w);
          return 0;
        },
        readies.back().get(), 0, nullptr));
    ASSERT_TRUE(threads.back());
    ASSERT_EQ(::WaitForSingleObject(readies.back().get(), 10000), WAIT_OBJECT_0);
  }
  const DWORD start = ::GetTickCount();
  host_.BroadcastEnvironmentChange();
  const DWORD elapsed = ::GetTickCount() - start;
  EXPECT_LT(elapsed, 3000u) << "each slow window would cost up to two seconds";
  for (const UniqueHandle& t : threads) ::WaitForSingleObject(t.get(), 15000);
}

TEST_F(HostServices, ProgramFolderHoldsTheRunningProgram) {
  const std::string folder = host_.ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  EXPECT_TRUE(wine::IsDirectory(folder));
  EXPECT_TRUE(Exists(folder + "\\wine_tests.exe")) << folder;
}

}  // namespace
}  // namespace vestrand
