// The services against Wine's real registry, file system, shell and processes.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include <map>
#include <memory>

#include "platform/Win32Services.h"
#include "platform/Win32Text.h"
#include "support/WinTestSupport.h"

namespace vestrand {
namespace {

using namespace tests;

// Each type read as text; what is read whole put back exactly after a write: type and
// bytes, or no value at all.
TEST(Registry, ReadsEachTypeAndRestoresExactly) {
  const std::string key = "Software\\VestrandTest";
  ::SHDeleteKeyW(HKEY_CURRENT_USER, Wide(key).c_str());
  std::wstring longPath = L"C:\\";  // longer than the first buffer
  while (longPath.size() < 3000) longPath += L"长目录名称\\";
  const struct {
    std::string key, name;
    std::uint32_t type;  // 77: no value, and the type is left as it was
    std::wstring text;   // stored with its terminator, or else:
    std::vector<std::uint8_t> bytes;
    std::string read;
  } rows[] = {{key, "expand", REG_EXPAND_SZ, L"%USERPROFILE%\\Desktop", {}, Narrow(Expand(L"%USERPROFILE%"))
                                                                                  + "\\Desktop"},
              {key, "spaces", REG_SZ, L"  D:\\个人\\😀 Фото  ", {}, "D:\\个人\\😀 Фото"},
              {key, "long", REG_SZ, longPath, {}, Narrow(longPath)},
              {key, "dword", REG_DWORD, L"", {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
              {key, "binary", REG_BINARY, L"", {0x0A, 0x1B}, "0A 1B"},
              {key, "qword", REG_QWORD, L"", std::vector<std::uint8_t>(8, 1), ""},
              {key, "absent", 77, L"", {}, ""},
              {key + "\\none", "x", 77, L"", {}, ""}};
  Win32Registry registry;
  for (const auto& r : rows) {
    std::vector<std::uint8_t> bytes = r.bytes;
    const auto* text = reinterpret_cast<const std::uint8_t*>(r.text.c_str());
    if (!r.text.empty()) bytes.assign(text, text + (r.text.size() + 1) * sizeof(wchar_t));
    if (r.type != 77) SetRaw(Wide(r.key), Wide(r.name), r.type, bytes.data(), static_cast<DWORD>(bytes.size()));
    std::uint32_t type = 77;
    EXPECT_EQ(registry.RegReadValue(kHkeyCurrentUser, r.key, r.name, type), r.read) << r.name;
    EXPECT_EQ(type, r.type) << r.name;
    const auto saved = registry.RegReadRaw(kHkeyCurrentUser, r.key, r.name);
    ASSERT_TRUE(saved.has_value()) << r.name;
    EXPECT_TRUE(saved->exists == (r.type != 77) && saved->data == bytes) << r.name;
    EXPECT_TRUE(registry.RegWriteValue(kHkeyCurrentUser, r.key, r.name, "D:\\W\\x", kRegSz)) << r.name;
    EXPECT_TRUE(registry.RegRestoreValue(kHkeyCurrentUser, r.key, r.name, *saved)) << r.name;
    const auto back = registry.RegReadRaw(kHkeyCurrentUser, r.key, r.name);
    EXPECT_TRUE(back && back->exists == saved->exists && back->type == saved->type && back->data == bytes)
        << r.name;
  }
  // A write makes the key path and stores the text with one terminator; only text is written.
  EXPECT_TRUE(registry.RegWriteValue(kHkeyCurrentUser, key + "\\a\\b", "Desktop", "D:\\新位置", kRegSz));
  EXPECT_FALSE(registry.RegWriteValue(kHkeyCurrentUser, key, "n", "5", kRegDword));
  DWORD type = 0;
  EXPECT_EQ(ReadValue(Wide(key + "\\a\\b"), L"Desktop", &type), L"D:\\新位置");
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(registry.RegReadRaw(kHkeyCurrentUser, key + "\\a\\b", "Desktop")->data.size(), 7 * sizeof(wchar_t));
  ::SHDeleteKeyW(HKEY_CURRENT_USER, Wide(key).c_str());
}

const std::wstring kC = L"C:\\vestrand-svc-files", kD = L"D:\\vestrand-svc-files", kDesktop = kC + L"\\Desktop";

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

// Every way the run calls the shell: what it returns, what the target's Desktop then holds,
// what a file waiting there becomes, and what is left at the source.
TEST_F(Files, ShellCopyAndMove) {
  const std::wstring stays = L"\\Desktop\\only-in-target.txt", ini = kDesktop + L"\\desktop.ini";
  const struct {
    const char* name;
    bool move;
    std::wstring from, to;
    std::map<std::wstring, std::string> waiting;  // already in the target, below kD
    int result;
    bool whole;  // all of the desktop is carried, or only desktop.ini
  } cases[] = {
      {"copy across drives", false, kDesktop, kD, {}, 1, true},
      {"copy onto a same-named folder replaces without asking", false, kDesktop, kD,
       {{L"\\Desktop\\readme.txt", "an older, longer text"}, {L"\\Desktop\\照片\\假期 2012\\海边.jpg", "old"},
        {stays, "stays"}}, 1, true},
      {"copy one file", false, ini, kD + L"\\Desktop", {{L"\\Desktop\\", ""}}, 1, false},
      {"move across drives", true, kDesktop, kD, {}, 1, true},
      {"move one file", true, ini, kD + L"\\Desktop", {{L"\\Desktop\\", ""}}, 1, false},
      {"copy of a missing folder", false, kC + L"\\no such folder", kD, {}, -1, false},
      {"move to an empty destination (the current folder)", true, kDesktop, L"", {}, -1, false},
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
    EXPECT_EQ(Tree(kD).empty(), c.result != 1);
    EXPECT_EQ(Manifest(kD + L"\\Desktop"), carried);
    EXPECT_EQ(IsDirectory(kD + L"\\Desktop\\空文件夹"), c.result == 1 && c.whole);
    EXPECT_EQ(Manifest(kDesktop), left);
    EXPECT_EQ(PathExists(kDesktop), !(c.move && c.whole && c.result == 1));
    TearDown();
  }
}

// Windows merges a moved folder into one of the same name; Wine 8.0 leaves the source
// where it was. Nothing may be lost either way.
TEST_F(Files, MoveOntoSameNamedFolderLosesNothing) {
  WriteFile(kD + L"\\Desktop\\readme.txt", "older");
  files_.ShellMoveFiles(Narrow(kDesktop), Narrow(kD));
  EXPECT_EQ(PathExists(kDesktop) ? Manifest(kDesktop) : Manifest(kD + L"\\Desktop"), original_);
}

// What the checks before a run learn, and what the run changes besides the shell's work.
TEST_F(Files, FolderFactsAndChanges) {
  const std::string desktop = Narrow(kDesktop), d = Narrow(kD);
  std::wstring deep = L"\\长";  // beyond MAX_PATH: listed through the "\\?\" form
  while (deep.size() < 300) deep += L"\\很长的文件夹名称";
  WriteFile(kDesktop + deep + L"\\深.txt", "deep");
  std::map<std::string, std::uint64_t> listed;
  for (const FileEntry& f : files_.ListFiles(desktop)) listed[f.relativePath] = f.size;
  EXPECT_EQ(listed, (std::map<std::string, std::uint64_t>{{"\\readme.txt", 7}, {"\\desktop.ini", 19},
                                                          {"\\照片\\假期 2012\\海边.jpg", 8},
                                                          {"\\文档\\报告.doc", 70001},
                                                          {Narrow(deep) + "\\深.txt", 4}}));
  const auto id = files_.GetFolderId(desktop);
  EXPECT_TRUE(id.has_value() && files_.GetFolderId(desktop + "\\..\\Desktop") == id);
  EXPECT_FALSE(files_.GetFolderId(desktop + "\\照片") == id);
  EXPECT_FALSE(files_.GetFolderId(desktop + "\\readme.txt").has_value());
  EXPECT_EQ(files_.VolumeOf(d + "\\not yet"), "D:\\");
  EXPECT_GT(files_.FreeBytes(d).value_or(0), 0u);
  const std::pair<std::string, bool> dirs[] = {{desktop, true}, {desktop + "\\", true}, {"C:\\", true},
                                               {desktop + "\\readme.txt", false}, {desktop + "\\missing", false},
                                               {"", false}, {"Q:\\", false}};
  for (const auto& [path, isDir] : dirs) EXPECT_EQ(files_.DirExists(path), isDir) << path;
  // Wine keeps no access lists (their content is shown natively): the call must still succeed.
  EXPECT_TRUE(files_.ProtectPrivateFolder(d).ok);
  // Levels made one by one (spaces, Chinese, a trailing backslash); one that exists is left alone.
  files_.MakeDirectory(d + "\\个人 资料\\我的 文档\\");
  EXPECT_TRUE(WriteFile(kD + L"\\个人 资料\\我的 文档\\keep.txt", "keep"));
  files_.MakeDirectory(d + "\\个人 资料\\我的 文档");
  EXPECT_EQ(ReadFile(kD + L"\\个人 资料\\我的 文档\\keep.txt"), "keep");
  // Exactly the bits given (Wine reports every file as archived).
  ::SetFileAttributesW((kDesktop + L"\\desktop.ini").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  EXPECT_TRUE(files_.SetFileAttributes(desktop + "\\desktop.ini", FILE_ATTRIBUTE_READONLY).ok);
  EXPECT_EQ(files_.GetFileAttributes(desktop + "\\desktop.ini") & ~std::uint32_t{FILE_ATTRIBUTE_ARCHIVE},
            static_cast<std::uint32_t>(FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(files_.SetFileAttributes(d + "\\missing", 0).error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  // The undo file and the record never replace a file.
  const std::string undo = d + "\\Vestrand-还原-20261206-153000.reg";
  EXPECT_TRUE(files_.WriteNewFile(undo, std::string("\xFF\xFE\0\0", 4)));
  EXPECT_FALSE(files_.WriteNewFile(undo, "second"));
  EXPECT_EQ(ReadFile(Wide(undo)), std::string("\xFF\xFE\0\0", 4));
  EXPECT_FALSE(files_.WriteNewFile(d + "\\missing\\x.txt", "x"));
  EXPECT_FALSE(files_.RemoveEmptyDirectory(d));  // not empty
  EXPECT_TRUE(CreateDirectories(kD + L"\\empty") && files_.RemoveEmptyDirectory(d + "\\empty"));
  EXPECT_FALSE(PathExists(kD + L"\\empty"));
}

// The started program sees the environment set before, and the start does not wait for it.
TEST(Host, StartCommandReturnsAtOnceWithTheEnvironment) {
  const std::wstring marker = L"C:\\vestrand-svc-env.txt";
  ::DeleteFileW(marker.c_str());
  Win32Host host;
  host.SetEnvironmentVariable("VESTRAND_SVC_PROBE", "D:\\Win7User\\Temp Files");
  const DWORD start = ::GetTickCount();  // the program takes two seconds (three pings) to write
  ASSERT_TRUE(host.StartCommand("cmd.exe /c ping -n 3 127.0.0.1 >nul & echo [%VESTRAND_SVC_PROBE%]> " +
                                Narrow(marker), kShowMinimized).ok);
  const DWORD returned = ::GetTickCount() - start;
  ASSERT_TRUE(WaitUntil(30000, [&] { return !ReadFile(marker).empty(); }));
  ::Sleep(100);  // let the writer finish
  EXPECT_LT(returned + 1000, ::GetTickCount() - start) << "returned after " << returned << " ms";
  EXPECT_EQ(ReadFile(marker), "[D:\\Win7User\\Temp Files]\r\n");
  EXPECT_EQ(host.StartCommand("vestrand-no-such-program.exe /x", kShowNormal).error,
            static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(host.StartCommand("", kShowNormal).ok);
  ::DeleteFileW(marker.c_str());
}

// Namesakes that are not programs at all, where the usual search looks first.
TEST(Host, SystemProgramIsNotTakenFromBesideTheProgramOrTheCurrentFolder) {
  Win32Host host;
  const std::wstring besideProgram = Wide(host.ProgramFolder()) + L"\\taskkill.exe", here = L"C:\\vestrand-svc";
  ASSERT_TRUE(PathExists(Wide(host.ProgramFolder()) + L"\\wine_tests.exe"));
  ASSERT_TRUE(WriteFile(besideProgram, "not a program") && WriteFile(here + L"\\taskkill.exe", "not a program"));
  wchar_t previous[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, previous);
  ::SetCurrentDirectoryW(here.c_str());
  std::wstring plain = L"taskkill.exe /im vestrand-none.exe";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const BOOL plainStarted = ::CreateProcessW(nullptr, &plain[0], nullptr, nullptr, 0, 0, nullptr, nullptr, &si, &pi);
  const HostResult started = host.StartCommand("taskkill.exe /im vestrand-none.exe", kShowMinimized);
  const HostResult upper = host.StartCommand("TASKKILL.EXE /im vestrand-none.exe", kShowMinimized);
  ::SetCurrentDirectoryW(previous);
  ::DeleteFileW(besideProgram.c_str());
  RemoveTree(here);
  EXPECT_FALSE(plainStarted) << "the usual search did not find the namesake: the test proves nothing";
  EXPECT_TRUE(started.ok && upper.ok) << started.error << " " << upper.error;
}

// Windows that answer slowly (busy, not yet counted as hung) must not hold a run up:
// the program tells them, but waits only a few seconds in all.
TEST(Host, EnvironmentBroadcastIsBoundedWhenProgramsAreSlow) {
  std::vector<std::unique_ptr<TestThread>> slow;
  std::atomic<int> ready{0};
  for (int i = 0; i < 4; ++i) {
    slow.push_back(std::make_unique<TestThread>([&ready] {
      const UniqueWindow w(::CreateWindowExW(0, L"STATIC", L"slow", 0, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr));
      ++ready;
      ::Sleep(4000);  // handles no messages meanwhile
    }));
  }
  ASSERT_TRUE(WaitUntil(10000, [&] { return ready == 4; }));
  const DWORD start = ::GetTickCount();
  Win32Host().BroadcastEnvironmentChange();
  EXPECT_LT(::GetTickCount() - start, 3000u) << "each slow window would cost up to two seconds";
}

// The process's open kernel handles, found by asking about every handle value in turn
// (Wine 8.0 answers GetProcessHandleCount with 0).
DWORD HandleCount() {
  DWORD count = 0, flags = 0;
  for (ULONG_PTR value = 4; value < 4 * 8192; value += 4) {
    count += ::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1u : 0u;
  }
  return count;
}

// The calls that open handles (process and thread, file, search, key), made many times,
// leave the count where it was, give or take a constant.
TEST(Handles, NoCallLeavesOneBehind) {
  Win32FileSystem files;
  Win32Host host;
  Win32Registry registry;
  std::uint32_t type = 0;
  const std::pair<const char*, std::function<void()>> calls[] = {
      {"StartCommand", [&] { EXPECT_TRUE(host.StartCommand("cmd.exe /c exit", kShowMinimized).ok); }},
      {"GetFolderId", [&] { EXPECT_TRUE(files.GetFolderId("C:\\windows").has_value()); }},
      {"ListFiles", [&] { EXPECT_FALSE(files.ListFiles("C:\\windows\\inf").empty()); }},
      {"RegReadValue", [&] { registry.RegReadValue(kHkeyCurrentUser, "Environment", "TEMP", type); }},
  };
  for (const auto& [what, call] : calls) {
    call();  // one-time initialisation settles
    const DWORD before = HandleCount();
    for (int i = 0; i < 20; ++i) call();
    EXPECT_LE(HandleCount(), before + 3) << what << ": " << before << " before 20 calls";
  }
}

}  // namespace
}  // namespace vestrand
