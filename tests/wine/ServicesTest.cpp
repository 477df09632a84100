// The services against Wine's real registry, file system, shell and processes.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include <functional>
#include <map>
#include <memory>

#include "platform/Win32Services.h"
#include "platform/Win32Text.h"
#include "support/WinTestSupport.h"

namespace vestrand {
namespace {

using namespace tests;

TEST(Registry, ReadsEachTypeWritesTextAndRestoresExactly) {
  const std::string key = "Software\\VestrandTest";
  ::SHDeleteKeyW(HKEY_CURRENT_USER, Wide(key).c_str());
  std::wstring longPath = L"C:\\";  // longer than the first buffer
  while (longPath.size() < 3000) longPath += L"长目录名称\\";
  SetValue(Wide(key), L"expand", L"%USERPROFILE%\\Desktop");
  SetValue(Wide(key), L"spaces", L"  D:\\个人\\😀 Фото  ", REG_SZ);
  SetValue(Wide(key), L"long", longPath, REG_SZ);
  SetDword(Wide(key), L"dword", 0xFFFFFFFFu);
  const BYTE binary[] = {0x0A, 0x1B}, qword[8] = {1};
  SetRaw(Wide(key), L"binary", REG_BINARY, binary, 2);
  SetRaw(Wide(key), L"qword", REG_QWORD, qword, 8);
  Win32Registry registry;
  const struct {
    std::string key, name, text;
    std::uint32_t type;  // 77: left as it was
  } reads[] = {
      {key, "expand", Narrow(Expand(L"%USERPROFILE%\\Desktop")), REG_EXPAND_SZ},
      {key, "spaces", "D:\\个人\\😀 Фото", REG_SZ},
      {key, "long", Narrow(longPath), REG_SZ},
      {key, "dword", "4294967295", REG_DWORD},
      {key, "binary", "0A 1B", REG_BINARY},
      {key, "qword", "", REG_QWORD},
      {key, "absent", "", 77},
      {key + "\\none", "x", "", 77},
  };
  for (const auto& r : reads) {
    std::uint32_t type = 77;
    EXPECT_EQ(registry.RegReadValue(kHkeyCurrentUser, r.key, r.name, type), r.text) << r.name;
    EXPECT_EQ(type, r.type) << r.name;
  }

  // A write makes the key path and stores one UTF-16 text with one terminator; only text is written.
  const std::string deep = key + "\\a\\b";
  EXPECT_TRUE(registry.RegWriteValue(kHkeyCurrentUser, deep, "Desktop", "D:\\旧", kRegSz));
  EXPECT_TRUE(registry.RegWriteValue(kHkeyCurrentUser, deep, "Desktop", "D:\\新位置", kRegSz));
  EXPECT_FALSE(registry.RegWriteValue(kHkeyCurrentUser, key, "n", "5", kRegDword));
  DWORD type = 0;
  EXPECT_EQ(ReadValue(Wide(deep), L"Desktop", &type), L"D:\\新位置");
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(registry.RegReadRaw(kHkeyCurrentUser, deep, "Desktop")->data.size(),
            (std::wstring(L"D:\\新位置").size() + 1) * sizeof(wchar_t));

  // What is read whole is put back exactly: type and bytes, or no value at all.
  EXPECT_EQ(registry.RegReadRaw(kHkeyCurrentUser, key, "dword")->data, std::vector<std::uint8_t>(4, 0xFF));
  for (const char* name : {"expand", "dword", "missing"}) {
    const auto saved = registry.RegReadRaw(kHkeyCurrentUser, key, name);
    ASSERT_TRUE(saved.has_value()) << name;
    EXPECT_EQ(saved->exists, std::string(name) != "missing") << name;
    EXPECT_TRUE(registry.RegWriteValue(kHkeyCurrentUser, key, name, "D:\\W\\x", kRegSz));
    EXPECT_TRUE(registry.RegRestoreValue(kHkeyCurrentUser, key, name, *saved)) << name;
    const auto back = registry.RegReadRaw(kHkeyCurrentUser, key, name);
    EXPECT_TRUE(back && back->exists == saved->exists && back->type == saved->type && back->data == saved->data)
        << name;
  }
  EXPECT_EQ(ReadValue(Wide(key), L"expand", &type), L"%USERPROFILE%\\Desktop");
  EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_FALSE(registry.RegReadRaw(kHkeyCurrentUser, key + "\\none", "x").value().exists);
  ::SHDeleteKeyW(HKEY_CURRENT_USER, Wide(key).c_str());
}

const std::wstring kC = L"C:\\vestrand-svc-files";
const std::wstring kD = L"D:\\vestrand-svc-files";
const std::wstring kDesktop = kC + L"\\Desktop";

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_FIXED)) << "the harness maps D:";
    RemoveTree(kC);
    RemoveTree(kD);
    ASSERT_TRUE(CreateDirectories(kD));
    // Nested files, Chinese names, binary content, a desktop.ini and an empty folder.
    WriteFile(kDesktop + L"\\readme.txt", "hello\r\n");
    WriteFile(kDesktop + L"\\desktop.ini", "[.ShellClassInfo]\r\n");
    WriteFile(kDesktop + L"\\照片\\假期 2012\\海边.jpg", std::string("\xFF\xD8\x00\x01jpeg", 8));
    WriteFile(kDesktop + L"\\文档\\报告.doc", std::string(70000, 'Z') + '\0');
    CreateDirectories(kDesktop + L"\\空文件夹");
    original_ = Manifest(kDesktop);
    // Says no to any question the shell should not have asked: a wrong flag fails, not hangs.
    guard_ = std::make_unique<DialogAnswerer>(IDCANCEL, 20000);
  }
  void TearDown() override {
    guard_->Stop();
    EXPECT_EQ(guard_->Answered(), 0) << "the shell asked a question";
    RemoveTree(kC);
    RemoveTree(kD);
  }

  Win32FileSystem files_;
  std::vector<FileRecord> original_;
  std::unique_ptr<DialogAnswerer> guard_;
};

// Every way the run calls the shell: what it returns, what the target then holds of the
// desktop, what a file waiting there becomes, and what is left at the source.
TEST_F(Files, ShellCopyAndMove) {
  const std::wstring stays = L"\\Desktop\\only-in-target.txt";
  const struct {
    const char* name;
    bool move;
    std::wstring from, to;
    std::map<std::wstring, std::string> waiting;  // already in the target, below kD
    int result;
    std::wstring holds;  // the folder below kD that then holds what was carried
    bool whole;          // all of the desktop is carried, or only desktop.ini
  } cases[] = {
      {"copy across drives", false, kDesktop, kD, {}, 1, L"\\Desktop", true},
      {"copy onto a same-named folder replaces without asking", false, kDesktop, kD,
       {{L"\\Desktop\\readme.txt", "an older, longer text"}, {L"\\Desktop\\照片\\假期 2012\\海边.jpg", "old"},
        {stays, "stays"}}, 1, L"\\Desktop", true},
      {"copy one file", false, kDesktop + L"\\desktop.ini", kD + L"\\Desktop", {{L"\\Desktop\\", ""}}, 1,
       L"\\Desktop", false},
      {"move across drives", true, kDesktop, kD, {}, 1, L"\\Desktop", true},
      {"move one file", true, kDesktop + L"\\desktop.ini", kD + L"\\桌面", {{L"\\桌面\\", ""}}, 1, L"\\桌面", false},
      {"copy of a missing folder", false, kC + L"\\no such folder", kD, {}, -1, L"", false},
      {"move to an empty destination (the current folder)", true, kDesktop, L"", {}, -1, L"", false},
  };
  for (const auto& c : cases) {
    SetUp();
    SCOPED_TRACE(c.name);
    for (const auto& [path, bytes] : c.waiting) {
      path.back() == L'\\' ? (void)CreateDirectories(kD + path) : (void)WriteFile(kD + path, bytes);
    }
    EXPECT_EQ(c.move ? files_.ShellMoveFiles(Narrow(c.from), Narrow(c.to))
                     : files_.ShellCopyFiles(Narrow(c.from), Narrow(c.to)),
              c.result);
    std::vector<FileRecord> carried, left;
    for (const FileRecord& f : original_) {
      const bool goes = c.result == 1 && (c.whole || f.relativePath == L"desktop.ini");
      if (goes) carried.push_back(f);
      if (!goes || !c.move) left.push_back(f);
    }
    if (c.waiting.count(stays) != 0) {
      EXPECT_EQ(ReadFile(kD + stays), "stays");
      ::DeleteFileW((kD + stays).c_str());
    }
    EXPECT_EQ(Manifest(kD + c.holds), carried);
    EXPECT_EQ(IsDirectory(kD + c.holds + L"\\空文件夹"), c.result == 1 && c.whole);
    EXPECT_EQ(Manifest(kDesktop), left);
    EXPECT_EQ(PathExists(kDesktop), !(c.move && c.whole && c.result == 1));
    TearDown();
  }
}

// Windows merges a moved folder into one of the same name; Wine 8.0 leaves the source
// where it was. Nothing may be lost either way.
TEST_F(Files, MoveOntoSameNamedFolderLosesNothing) {
  WriteFile(kD + L"\\Desktop\\readme.txt", "older");
  WriteFile(kD + L"\\Desktop\\only-in-target.txt", "stays");
  files_.ShellMoveFiles(Narrow(kDesktop), Narrow(kD));
  EXPECT_EQ(ReadFile(kD + L"\\Desktop\\only-in-target.txt"), "stays");
  ::DeleteFileW((kD + L"\\Desktop\\only-in-target.txt").c_str());
  EXPECT_EQ(PathExists(kDesktop) ? Manifest(kDesktop) : Manifest(kD + L"\\Desktop"), original_);
}

TEST_F(Files, MakeDirectoryLevelByLevel) {
  files_.MakeDirectory(Narrow(kD) + "\\个人 资料\\我的 文档\\");  // spaces, Chinese, a trailing backslash
  WriteFile(kD + L"\\个人 资料\\我的 文档\\keep.txt", "keep");
  const std::vector<std::wstring> before = Tree(kD);
  EXPECT_EQ(before.size(), 3u);
  files_.MakeDirectory(Narrow(kD) + "\\个人 资料\\我的 文档");
  EXPECT_EQ(Tree(kD), before);
  // On a missing drive nothing is made, neither there nor in the current folder instead.
  wchar_t letter = L'Q';
  while (letter < L'Y' && (::GetLogicalDrives() & (1u << (letter - L'A'))) != 0) ++letter;
  files_.MakeDirectory(Narrow(std::wstring(1, letter)) + ":\\Win7User\\Desktop");
  EXPECT_FALSE(PathExists(std::wstring(1, letter) + L":\\Win7User"));
  EXPECT_FALSE(PathExists(L"Win7User"));
}

TEST_F(Files, SetFileAttributesToExactlyTheBitsGiven) {
  const std::wstring ini = kDesktop + L"\\desktop.ini";
  ::SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  ::SetFileAttributesW(kDesktop.c_str(), FILE_ATTRIBUTE_HIDDEN);
  // Wine reports every file as archived and keeps no read-only bit on folders.
  const struct {
    std::wstring path;
    DWORD ignored, kept;
  } cases[] = {{ini, FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_READONLY},
               {kDesktop, FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_DIRECTORY}};
  for (const auto& c : cases) {
    const HostResult set = files_.SetFileAttributes(Narrow(c.path), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(set.ok) << set.error;
    EXPECT_EQ(::GetFileAttributesW(c.path.c_str()) & ~c.ignored, c.kept) << Narrow(c.path);
  }
  const HostResult missing = files_.SetFileAttributes(Narrow(kD) + "\\no such folder", FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(!missing.ok && (missing.error == ERROR_FILE_NOT_FOUND || missing.error == ERROR_PATH_NOT_FOUND))
      << missing.error;
  ::SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// What the checks before a run learn, and the undo file and record that never replace a file.
TEST_F(Files, FolderFactsAndNewFiles) {
  const std::string desktop = Narrow(kDesktop);
  std::map<std::string, std::uint64_t> listed;
  for (const FileEntry& f : files_.ListFiles(desktop)) listed[f.relativePath] = f.size;
  EXPECT_EQ(listed, (std::map<std::string, std::uint64_t>{
                        {"\\readme.txt", 7}, {"\\desktop.ini", 19}, {"\\照片\\假期 2012\\海边.jpg", 8},
                        {"\\文档\\报告.doc", 70001}}));
  const auto id = files_.GetFolderId(desktop);
  ASSERT_TRUE(id.has_value());
  EXPECT_TRUE(files_.GetFolderId(desktop + "\\..\\Desktop") == id);
  EXPECT_FALSE(files_.GetFolderId(desktop + "\\照片") == id);
  EXPECT_FALSE(files_.GetFolderId(desktop + "\\readme.txt").has_value());
  EXPECT_FALSE(files_.GetFolderId(desktop + "\\missing").has_value());
  EXPECT_EQ(files_.VolumeOf(Narrow(kD) + "\\not yet"), "D:\\");
  EXPECT_GT(files_.FreeBytes(Narrow(kD)).value_or(0), 0u);
  const std::pair<std::string, bool> dirs[] = {{desktop, true}, {desktop + "\\", true}, {"C:\\", true},
                                               {desktop + "\\readme.txt", false}, {desktop + "\\missing", false},
                                               {"", false}, {"Q:\\", false}};
  for (const auto& [path, isDir] : dirs) EXPECT_EQ(files_.DirExists(path), isDir) << path;
  // Wine keeps no access lists (their content is shown natively): the folder stays usable.
  const HostResult protectedRoot = files_.ProtectPrivateFolder(Narrow(kD));
  EXPECT_TRUE(protectedRoot.ok) << protectedRoot.error;

  const std::string undo = Narrow(kD) + "\\Vestrand-还原-20261206-153000.reg";
  EXPECT_TRUE(files_.WriteNewFile(undo, std::string("\xFF\xFE\0\0", 4)));
  EXPECT_FALSE(files_.WriteNewFile(undo, "second"));
  EXPECT_EQ(ReadFile(Wide(undo)), std::string("\xFF\xFE\0\0", 4));
  EXPECT_FALSE(files_.WriteNewFile(Narrow(kD) + "\\missing\\x.txt", "x"));
  EXPECT_FALSE(files_.RemoveEmptyDirectory(Narrow(kD)));  // holds the file
  CreateDirectories(kD + L"\\empty");
  EXPECT_TRUE(files_.RemoveEmptyDirectory(Narrow(kD) + "\\empty"));
  EXPECT_FALSE(PathExists(kD + L"\\empty"));
}

const std::wstring kHostScratch = L"C:\\vestrand-svc-host";

// The started program sees the environment set before, and the start does not wait for it.
TEST(Host, StartCommandReturnsAtOnceWithTheEnvironment) {
  RemoveTree(kHostScratch);  // a program started by an earlier run may still hold it open
  ASSERT_TRUE(CreateDirectories(kHostScratch));
  Win32Host host;
  const std::wstring marker = kHostScratch + L"\\env.txt";
  host.SetEnvironmentVariable("VESTRAND_SVC_PROBE", "D:\\Win7User\\Temp Files");
  const DWORD start = ::GetTickCount();
  // About two seconds (three pings one second apart) before it writes.
  const HostResult started = host.StartCommand(
      "cmd.exe /c ping -n 3 127.0.0.1 >nul & echo [%VESTRAND_SVC_PROBE%]> " + Narrow(marker), kShowMinimized);
  const DWORD returned = ::GetTickCount() - start;
  ASSERT_TRUE(started.ok) << started.error;
  EXPECT_FALSE(PathExists(marker));
  ASSERT_TRUE(WaitUntil(30000, [&] { return !ReadFile(marker).empty(); }));
  ::Sleep(100);  // let the writer finish
  EXPECT_LT(returned + 1000, ::GetTickCount() - start) << "returned after " << returned << " ms";
  EXPECT_EQ(ReadFile(marker), "[D:\\Win7User\\Temp Files]\r\n");
  const HostResult missing = host.StartCommand("vestrand-no-such-program.exe /x", kShowNormal);
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(host.StartCommand("", kShowNormal).ok);
  ::SetEnvironmentVariableW(L"VESTRAND_SVC_PROBE", nullptr);
  RemoveTree(kHostScratch);
}

TEST(Host, SystemProgramIsNotTakenFromBesideTheProgramOrTheCurrentFolder) {
  Win32Host host;
  // Namesakes that are not programs at all, where the usual search looks first.
  const std::wstring besideProgram = Wide(host.ProgramFolder()) + L"\\taskkill.exe";
  ASSERT_TRUE(PathExists(Wide(host.ProgramFolder()) + L"\\wine_tests.exe"));
  ASSERT_FALSE(PathExists(besideProgram));
  WriteFile(besideProgram, "not a program");
  WriteFile(kHostScratch + L"\\taskkill.exe", "not a program");
  wchar_t previous[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, previous);
  ::SetCurrentDirectoryW(kHostScratch.c_str());
  std::wstring plain = L"taskkill.exe /im vestrand-none.exe";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const BOOL plainStarted = ::CreateProcessW(nullptr, &plain[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  const UniqueHandle plainProcess(pi.hProcess), plainThread(pi.hThread);
  const HostResult started = host.StartCommand("taskkill.exe /im vestrand-none.exe", kShowMinimized);
  const HostResult upper = host.StartCommand("TASKKILL.EXE /im vestrand-none.exe", kShowMinimized);
  ::SetCurrentDirectoryW(previous);
  ::DeleteFileW(besideProgram.c_str());
  RemoveTree(kHostScratch);
  EXPECT_FALSE(plainStarted) << "the usual search did not find the namesake: the test proves nothing";
  EXPECT_TRUE(started.ok) << started.error;
  EXPECT_TRUE(upper.ok) << upper.error;
}

// Windows that answer slowly (busy, not yet counted as hung) must not hold a run up:
// the program tells them, but waits only a few seconds in all.
TEST(Host, EnvironmentBroadcastIsBoundedWhenProgramsAreSlow) {
  std::vector<std::unique_ptr<TestThread>> slow;
  std::atomic<int> ready{0};
  for (int i = 0; i < 4; ++i) {
    slow.push_back(std::make_unique<TestThread>([&ready] {
      const UniqueWindow w(::CreateWindowExW(0, L"STATIC", L"slow", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                             nullptr, nullptr));
      ++ready;
      ::Sleep(4000);  // handles no messages meanwhile
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }));
  }
  ASSERT_TRUE(WaitUntil(10000, [&] { return ready == 4; }));
  const DWORD start = ::GetTickCount();
  Win32Host().BroadcastEnvironmentChange();
  EXPECT_LT(::GetTickCount() - start, 3000u) << "each slow window would cost up to two seconds";
}

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

// Every call that opens a handle of its own (process, thread, file, search, key, token),
// made many times, leaves the handle count where it was, give or take a constant.
TEST(Handles, NoCallLeavesOneBehind) {
  const std::string scratch = "D:\\vestrand-svc-handles";
  RemoveTree(Wide(scratch));
  WriteFile(Wide(scratch) + L"\\a\\desktop.ini", "ini");
  Win32FileSystem files;
  Win32Host host;
  Win32Registry registry;
  std::uint32_t type = 0;
  const std::pair<const char*, std::function<void()>> calls[] = {
      {"StartCommand", [&] { EXPECT_TRUE(host.StartCommand("cmd.exe /c exit", kShowMinimized).ok); }},
      {"StartCommand failing", [&] { EXPECT_FALSE(host.StartCommand("vestrand-none.exe", kShowNormal).ok); }},
      {"BroadcastEnvironmentChange", [&] { host.BroadcastEnvironmentChange(); }},
      {"GetFolderId", [&] { EXPECT_TRUE(files.GetFolderId(scratch + "\\a").has_value()); }},
      {"ListFiles", [&] { EXPECT_FALSE(files.ListFiles(scratch).empty()); }},
      {"WriteNewFile", [&] { files.WriteNewFile(scratch + "\\a\\desktop.ini", "x"); }},
      {"ProtectPrivateFolder", [&] { EXPECT_TRUE(files.ProtectPrivateFolder(scratch + "\\a").ok); }},
      {"ShellCopyFiles", [&] { EXPECT_EQ(files.ShellCopyFiles(scratch + "\\a", scratch + "\\b"), 1); }},
      {"RegReadValue", [&] { registry.RegReadValue(kHkeyCurrentUser, "Environment", "TEMP", type); }},
      {"RegWriteValue", [&] { registry.RegWriteValue(kHkeyCurrentUser, "Software\\VestrandTest", "x", "y", kRegSz); }},
  };
  for (const auto& [what, call] : calls) {
    call();  // one-time initialisation settles
    const DWORD before = HandleCount();
    for (int i = 0; i < 20; ++i) call();
    EXPECT_LE(HandleCount(), before + 3) << what << ": " << before << " before 20 calls";
  }
  ::SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\VestrandTest");
  RemoveTree(Wide(scratch));
}

}  // namespace
}  // namespace vestrand
