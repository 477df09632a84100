// The file-system wrappers against the real file system and the real shell.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>

#include "platform/Win32Services.h"
#include "platform/Win32Text.h"
#include "support/WinTestSupport.h"

namespace vestrand {
namespace {

using namespace tests;

const std::wstring kC = L"C:\\vestrand-svc-files";
const std::wstring kD = L"D:\\vestrand-svc-files";
const std::wstring kDesktop = kC + L"\\Desktop";

// Takes the file left in the target before the run out of a manifest: it must be there, unchanged.
void TakeStayingFile(std::vector<FileRecord>& held) {
  const auto stays = std::find_if(held.begin(), held.end(),
                                  [](const FileRecord& f) { return f.relativePath == L"only-in-target.txt"; });
  ASSERT_NE(stays, held.end());
  EXPECT_EQ(stays->size, 5u);
  held.erase(stays);
}

class FileServices : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_FIXED)) << "the harness maps D:";
    for (const std::wstring& root : {kC, kD}) {
      RemoveTree(root);
      ASSERT_TRUE(CreateDirectories(root));
    }
    // A desktop folder with nested files, Chinese names, binary content and a desktop.ini.
    WriteFile(kDesktop + L"\\readme.txt", "hello\r\n");
    WriteFile(kDesktop + L"\\desktop.ini", "[.ShellClassInfo]\r\nLocalizedResourceName=@x\r\n");
    WriteFile(kDesktop + L"\\照片\\假期 2012\\海边.jpg", std::string("\xFF\xD8\x00\x01\x02jpeg\x00", 10));
    WriteFile(kDesktop + L"\\文档\\报告.doc", std::string(70000, '\x5A') + std::string(1, '\0'));
    CreateDirectories(kDesktop + L"\\空文件夹");
    original_ = Manifest(kDesktop);
    ASSERT_EQ(Tree(kDesktop).size(), 8u);
    // Answers (with "no") any question the shell should not have asked, so a wrong flag
    // fails the test instead of hanging it.
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

TEST_F(FileServices, MakeDirectoryLevelByLevelThenChangesNothing) {
  files_.MakeDirectory(Narrow(kD) + "\\Win7User\\Desktop");
  EXPECT_TRUE(IsDirectory(kD + L"\\Win7User\\Desktop"));
  WriteFile(kD + L"\\Win7User\\Desktop\\keep.txt", "keep");
  const std::vector<std::wstring> before = Tree(kD);
  files_.MakeDirectory(Narrow(kD) + "\\Win7User\\Desktop\\");
  EXPECT_EQ(Tree(kD), before);
  files_.MakeDirectory(Narrow(kD) + "\\个人 资料\\我的 文档\\");  // spaces, Chinese, a trailing backslash
  EXPECT_TRUE(IsDirectory(kD + L"\\个人 资料\\我的 文档"));
  files_.MakeDirectory("D:\\");  // a drive root: nothing to do, nothing reported
  // On a missing drive nothing is made, neither there nor in the current folder instead.
  wchar_t letter = L'Q';
  while (letter < L'Y' && (::GetLogicalDrives() & (1u << (letter - L'A'))) != 0) ++letter;
  files_.MakeDirectory(Narrow(std::wstring(1, letter)) + ":\\Win7User\\Desktop");
  EXPECT_FALSE(PathExists(std::wstring(1, letter) + L":\\Win7User"));
  EXPECT_FALSE(PathExists(L"Win7User"));
}

// Every way the run calls the shell: what it returns, what the target then holds of the
// desktop (plus any file that was there and not replaced), and what is left at the source.
TEST_F(FileServices, ShellCopyAndMove) {
  struct Case {
    const char* name;
    bool move;
    std::wstring from, to;
    std::map<std::wstring, std::string> waiting;  // already in the target, by path below kD
    int result;
    std::wstring holds;   // the folder below kD that then holds the carried files
    bool whole;           // all of the desktop arrives, or only desktop.ini
  };
  const Case cases[] = {
      {"copy across drives", false, kDesktop, kD, {}, 1, L"\\Desktop", true},
      {"copy onto a same-named folder replaces without asking", false, kDesktop, kD,
       {{L"\\Desktop\\readme.txt", "an older, longer text"}, {L"\\Desktop\\照片\\假期 2012\\海边.jpg", "old"},
        {L"\\Desktop\\only-in-target.txt", "stays"}}, 1, L"\\Desktop", true},
      {"copy one file", false, kDesktop + L"\\desktop.ini", kD + L"\\Desktop", {{L"\\Desktop\\", ""}}, 1,
       L"\\Desktop", false},
      {"move across drives", true, kDesktop, kD, {}, 1, L"\\Desktop", true},
      {"move one file", true, kDesktop + L"\\desktop.ini", kD + L"\\桌面", {{L"\\桌面\\", ""}}, 1, L"\\桌面", false},
      {"copy of a missing folder", false, kC + L"\\no such folder", kD, {}, -1, L"", false},
      {"copy to an empty destination (the current folder)", false, kDesktop, L"", {}, -1, L"", false},
      {"move to an empty destination", true, kDesktop, L"", {}, -1, L"", false},
      {"move of nothing", true, L"", kD, {}, -1, L"", false},
  };
  for (const Case& c : cases) {
    SetUp();
    SCOPED_TRACE(c.name);
    std::vector<FileRecord> expected;
    for (const auto& [path, bytes] : c.waiting) {
      path.back() == L'\\' ? (void)CreateDirectories(kD + path) : (void)WriteFile(kD + path, bytes);
    }
    const int result = c.move ? files_.ShellMoveFiles(Narrow(c.from), Narrow(c.to))
                              : files_.ShellCopyFiles(Narrow(c.from), Narrow(c.to));
    EXPECT_EQ(result, c.result);
    for (const FileRecord& f : original_) {
      if (c.whole || f.relativePath == L"desktop.ini") expected.push_back(f);
    }
    if (c.result == 1) {
      std::vector<FileRecord> held = Manifest(kD + c.holds);
      if (c.waiting.count(L"\\Desktop\\only-in-target.txt") != 0) TakeStayingFile(held);
      EXPECT_EQ(held, expected);
      EXPECT_EQ(IsDirectory(kD + c.holds + L"\\空文件夹"), c.whole);
      EXPECT_EQ(PathExists(kDesktop), !(c.move && c.whole));
      if (c.move) {
        EXPECT_EQ(Manifest(kDesktop).size(), c.whole ? 0u : original_.size() - 1);
      }
    } else {
      EXPECT_TRUE(Tree(kD).empty());
    }
    if (!c.move || c.result != 1) {
      EXPECT_EQ(Manifest(kDesktop), original_);
    }
    TearDown();
  }
}

// Windows merges a moved folder into one of the same name; Wine 8.0 leaves the source
// where it was. Nothing may be lost either way.
TEST_F(FileServices, MoveOntoSameNamedFolderLosesNothing) {
  WriteFile(kD + L"\\Desktop\\readme.txt", "older");
  WriteFile(kD + L"\\Desktop\\only-in-target.txt", "stays");
  files_.ShellMoveFiles(Narrow(kDesktop), Narrow(kD));
  std::vector<FileRecord> target = Manifest(kD + L"\\Desktop");
  TakeStayingFile(target);
  EXPECT_EQ(PathExists(kDesktop) ? Manifest(kDesktop) : target, original_);
}

TEST_F(FileServices, SetFileAttributesToExactlyTheBitsGiven) {
  const std::wstring ini = kDesktop + L"\\desktop.ini";
  ::SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
  ::SetFileAttributesW(kDesktop.c_str(), FILE_ATTRIBUTE_HIDDEN);
  // Wine reports every file as FILE_ATTRIBUTE_ARCHIVE and keeps no read-only bit on
  // folders; what it does keep must be exactly what was asked for.
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
  EXPECT_FALSE(missing.ok);
  EXPECT_TRUE(missing.error == ERROR_FILE_NOT_FOUND || missing.error == ERROR_PATH_NOT_FOUND) << missing.error;
  ::SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// What the run learns before it carries anything, read from the real file system.
TEST_F(FileServices, FolderFactsForTheChecksBeforeARun) {
  const std::string desktop = Narrow(kDesktop);
  std::map<std::string, std::uint64_t> listed;
  for (const FileEntry& f : files_.ListFiles(desktop)) listed[f.relativePath] = f.size;
  EXPECT_EQ(listed, (std::map<std::string, std::uint64_t>{{"\\readme.txt", 7},
                                                          {"\\desktop.ini", 45},
                                                          {"\\照片\\假期 2012\\海边.jpg", 10},
                                                          {"\\文档\\报告.doc", 70001}}));
  // One folder, one identity; another folder, another.
  const auto id = files_.GetFolderId(desktop);
  ASSERT_TRUE(id.has_value());
  EXPECT_TRUE(files_.GetFolderId(desktop + "\\..\\Desktop") == id);
  EXPECT_FALSE(files_.GetFolderId(desktop + "\\照片") == id);
  EXPECT_FALSE(files_.GetFolderId(desktop + "\\readme.txt").has_value());
  EXPECT_FALSE(files_.GetFolderId(desktop + "\\missing").has_value());
  EXPECT_EQ(files_.VolumeOf(Narrow(kD) + "\\not yet"), "D:\\");
  EXPECT_GT(files_.FreeBytes(Narrow(kD)).value_or(0), 0u);
  // Wine keeps no access lists on files; that the descriptor is the right one is shown
  // natively. Here: the system takes it, and the folder stays the user's to use.
  const HostResult protectedRoot = files_.ProtectPrivateFolder(Narrow(kD));
  EXPECT_TRUE(protectedRoot.ok) << protectedRoot.error;
  EXPECT_TRUE(files_.WriteNewFile(Narrow(kD) + "\\after.txt", "x"));
  // Only existing folders are folders.
  const std::pair<std::string, bool> dirs[] = {{desktop, true}, {desktop + "\\", true}, {"C:\\", true},
                                               {desktop + "\\readme.txt", false}, {desktop + "\\missing", false},
                                               {"", false}, {"Q:\\", false}};
  for (const auto& [path, isDir] : dirs) EXPECT_EQ(files_.DirExists(path), isDir) << path;
}

// The undo file and the record never replace a file.
TEST_F(FileServices, WriteNewFileNeverReplaces) {
  const std::string path = Narrow(kD) + "\\Vestrand-还原-20261206-153000.reg";
  EXPECT_TRUE(files_.WriteNewFile(path, std::string("\xFF\xFE\0\0", 4)));
  EXPECT_FALSE(files_.WriteNewFile(path, "second"));
  EXPECT_EQ(ReadFile(Wide(path)), std::string("\xFF\xFE\0\0", 4));
  EXPECT_FALSE(files_.WriteNewFile(Narrow(kD) + "\\missing\\x.txt", "x"));
  EXPECT_FALSE(files_.RemoveEmptyDirectory(Narrow(kD)));  // holds the file
  CreateDirectories(kD + L"\\empty");
  EXPECT_TRUE(files_.RemoveEmptyDirectory(Narrow(kD) + "\\empty"));
  EXPECT_FALSE(PathExists(kD + L"\\empty"));
}

}  // namespace
}  // namespace vestrand
