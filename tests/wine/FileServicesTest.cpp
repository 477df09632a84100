// The file-system wrappers against the real file system and the real shell.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "platform/Win32Services.h"
#include "wine/ServicesTestSupport.h"

namespace vestrand {
namespace {

using wine::Exists;
using wine::IsDirectory;
using wine::ReadBytes;
using wine::ReadTree;
using wine::RemoveTree;
using wine::Tree;
using wine::WriteBytes;

const std::string kC = "C:\\vestrand-svc-files";
const std::string kD = "D:\\vestrand-svc-files";

class FileServices : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_FIXED)) << "the harness maps D:";
    RemoveTree(kC);
    RemoveTree(kD);
    ASSERT_FALSE(Exists(kC));
    ASSERT_FALSE(Exists(kD));
    ::CreateDirectoryW(Wide(kC).c_str(), nullptr);
    ::CreateDirectoryW(Wide(kD).c_str(), nullptr);
    // Answers (with "no") any question the shell should not have asked, so a wrong flag
    // fails the test instead of hanging it.
    guard_ = std::make_unique<wine::DialogAnswerer>(::GetCurrentThreadId(), IDCANCEL, 20000);
  }
  void TearDown() override {
    guard_->Stop();
    EXPECT_EQ(guard_->Answered(), 0) << "the shell asked a question";
    RemoveTree(kC);
    RemoveTree(kD);
  }

  // A desktop folder with nested files, Chinese names, binary content and a desktop.ini.
  std::string MakeDesktop(const std::string& parent) {
    const std::string desktop = parent + "\\Desktop";
    WriteBytes(desktop + "\\readme.txt", "hello\r\n");
    WriteBytes(desktop + "\\desktop.ini", "[.ShellClassInfo]\r\nLocalizedResourceName=@x\r\n");
    WriteBytes(desktop + "\\照片\\假期 2012\\海边.jpg", std::string("\xFF\xD8\x00\x01\x02jpeg\x00", 10));
    WriteBytes(desktop + "\\文档\\报告.doc", std::string(70000, '\x5A') + std::string(1, '\0'));
    ::CreateDirectoryW(Wide(desktop + "\\空文件夹").c_str(), nullptr);
    return desktop;
  }

  Win32FileSystem files_;
  std::unique_ptr<wine::DialogAnswerer> guard_;
};

TEST_F(FileServices, MakeDirectoryLevelByLevelThenChangesNothing) {
  const std::string levels[] = {kD + "\\Win7User", kD + "\\Win7User\\Desktop"};
  files_.MakeDirectory(kD + "\\Win7User\\Desktop");
  for (const std::string& level : levels) EXPECT_TRUE(IsDirectory(level)) << level;

  WriteBytes(kD + "\\Win7User\\Desktop\\keep.txt", "keep");
  const Tree before = ReadTree(kD);
  files_.MakeDirectory(kD + "\\Win7User\\Desktop");
  files_.MakeDirectory(kD + "\\Win7User\\Desktop\\");
  EXPECT_EQ(ReadTree(kD), before);

  // A trailing backslash, spaces and Chinese names.
  files_.MakeDirectory(kD + "\\个人 资料\\我的 文档\\");
  EXPECT_TRUE(IsDirectory(kD + "\\个人 资料\\我的 文档"));
  files_.MakeDirectory("D:\\");  // a drive root: nothing to do, nothing reported
}

TEST_F(FileServices, MakeDirectoryOnMissingDriveCreatesNothing) {
  const DWORD drives = ::GetLogicalDrives();
  char letter = 0;
  for (char c = 'Q'; c <= 'Y' && letter == 0; ++c) {
    if ((drives & (1u << (c - 'A'))) == 0) letter = c;
  }
  ASSERT_NE(letter, 0);
  const std::string missing = std::string(1, letter) + ":\\Win7User\\Desktop";
  wchar_t current[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, current);
  files_.MakeDirectory(missing);
  EXPECT_FALSE(Exists(std::string(1, letter) + ":\\Win7User"));
  EXPECT_FALSE(Exists(Narrow(current) + "\\Win7User"));  // not made somewhere else instead
}

TEST_F(FileServices, CopyFolderIntoExistingFolderAcrossDrives) {
  const std::string desktop = MakeDesktop(kC);
  const Tree original = ReadTree(desktop);
  ASSERT_EQ(original.size(), 8u);
  EXPECT_EQ(files_.ShellCopyFiles(desktop, kD), 1);
  EXPECT_EQ(ReadTree(kD + "\\Desktop"), original);
  EXPECT_EQ(ReadTree(desktop), original);  // the source is untouched
}

TEST_F(FileServices, CopyReplacesSameNamedFolderWithoutAsking) {
  const std::string desktop = MakeDesktop(kC);
  const Tree original = ReadTree(desktop);
  WriteBytes(kD + "\\Desktop\\readme.txt", "an older, longer text that must be replaced");
  WriteBytes(kD + "\\Desktop\\照片\\假期 2012\\海边.jpg", "old");
  WriteBytes(kD + "\\Desktop\\only-in-target.txt", "stays");
  EXPECT_EQ(files_.ShellCopyFiles(desktop, kD), 1);
  Tree merged = ReadTree(kD + "\\Desktop");
  EXPECT_EQ(merged["only-in-target.txt"], wine::Digest("stays"));
  merged.erase("only-in-target.txt");
  EXPECT_EQ(merged, original);
  EXPECT_EQ(ReadTree(desktop), original);
}

TEST_F(FileServices, CopyOneFileIntoFolder) {
  const std::string desktop = MakeDesktop(kC);
  const std::string ini = ReadBytes(desktop + "\\desktop.ini");
  ::CreateDirectoryW(Wide(kD + "\\Desktop").c_str(), nullptr);
  EXPECT_EQ(files_.ShellCopyFiles(desktop + "\\desktop.ini", kD + "\\Desktop"), 1);
  EXPECT_EQ(ReadTree(kD + "\\Desktop"), (Tree{{"desktop.ini", wine::Digest(ini)}}));
  EXPECT_EQ(ReadBytes(desktop + "\\desktop.ini"), ini);
}

TEST_F(FileServices, CopyRefusesWhatTheShellWouldMisread) {
  const std::string desktop = MakeDesktop(kC);
  const Tree before = ReadTree(kC);
  EXPECT_EQ(files_.ShellCopyFiles(kC + "\\no such folder", kD), -1);
  // An empty destination would mean the current folder.
  EXPECT_EQ(files_.ShellCopyFiles(desktop, ""), -1);
  EXPECT_EQ(files_.ShellMoveFiles(desktop, ""), -1);
  EXPECT_EQ(files_.ShellMoveFiles("", kD), -1);
  EXPECT_EQ(ReadTree(kC), before);
  EXPECT_TRUE(ReadTree(kD).empty());
}

TEST_F(FileServices, MoveFolderIntoExistingFolder) {
  const std::string desktop = MakeDesktop(kC);
  const Tree original = ReadTree(desktop);
  EXPECT_EQ(files_.ShellMoveFiles(desktop, kD), 1);
  EXPECT_FALSE(Exists(desktop));
  EXPECT_EQ(ReadTree(kD + "\\Desktop"), original);
}

TEST_F(FileServices, MoveOntoSameNamedFolderLosesNothing) {
  const std::string desktop = MakeDesktop(kC);
  const Tree original = ReadTree(desktop);
  WriteBytes(kD + "\\Desktop\\readme.txt", "older");
  WriteBytes(kD + "\\Desktop\\only-in-target.txt", "stays");
  files_.ShellMoveFiles(desktop, kD);
  Tree target = ReadTree(kD + "\\Desktop");
  EXPECT_EQ(target["only-in-target.txt"], wine::Digest("stays"));
  if (!Exists(desktop)) {
    // Windows merges: everything moved over, same-named files replaced.
    target.erase("only-in-target.txt");
    EXPECT_EQ(target, original);
  } else {
    // Wine 8.0 cannot merge a moved folder into an existing one of the same name and
    // leaves the source where it was: nothing may be lost either way.
    EXPECT_EQ(ReadTree(desktop), original);
  }
}

TEST_F(FileServices, MoveOneFile) {
  const std::string desktop = MakeDesktop(kC);
  const std::string ini = ReadBytes(desktop + "\\desktop.ini");
  ::CreateDirectoryW(Wide(kD + "\\桌面").c_str(), nullptr);
  EXPECT_EQ(files_.ShellMoveFiles(desktop + "\\desktop.ini", kD + "\\桌面"), 1);
  EXPECT_FALSE(Exists(desktop + "\\desktop.ini"));
  EXPECT_TRUE(Exists(desktop + "\\readme.txt"));
  EXPECT_EQ(ReadTree(kD + "\\桌面"), (Tree{{"desktop.ini", wine::Digest(ini)}}));
}

TEST_F(FileServices, SetFileAttributesToExactlyTheBitsGiven) {
  const std::string folder = kD + "\\Win7User\\Desktop";
  const std::string file = folder + "\\desktop.ini";
  WriteBytes(file, "x");
  ::SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                               FILE_ATTRIBUTE_ARCHIVE);
  ::SetFileAttributesW(Wide(folder).c_str(), FILE_ATTRIBUTE_HIDDEN);

  // Wine reports every file as FILE_ATTRIBUTE_ARCHIVE and keeps no read-only bit on
  // folders; what it does keep must be exactly what was asked for.
  const HostResult onFile = files_.SetFileAttributes(file, FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(onFile.ok) << onFile.error;
  EXPECT_EQ(::GetFileAttributesW(Wide(file).c_str()) & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  const HostResult onFolder = files_.SetFileAttributes(folder, FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(onFolder.ok) << onFolder.error;
  EXPECT_EQ(::GetFileAttributesW(Wide(folder).c_str()) & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY),
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

  const HostResult missing = files_.SetFileAttributes(kD + "\\no such folder", FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(missing.ok);
  EXPECT_TRUE(missing.error == ERROR_FILE_NOT_FOUND || missing.error == ERROR_PATH_NOT_FOUND)
      << missing.error;
}

}  // namespace

// What the run learns before it carries anything, read from the real file system.
TEST_F(FileServices, FolderFactsForTheChecksBeforeARun) {
  const std::string desktop = MakeDesktop(kC);
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
  EXPECT_FALSE(files_.GetFolderId(kC + "\\missing").has_value());
  EXPECT_EQ(files_.VolumeOf(kD + "\\not yet"), "D:\\");
  const auto free = files_.FreeBytes(kD);
  ASSERT_TRUE(free.has_value());
  EXPECT_GT(*free, 0u);
  // Wine keeps no access lists on files; that the descriptor is the right one is shown
  // natively. Here: the system takes it, and the folder stays the user's to use.
  const HostResult protectedRoot = files_.ProtectPrivateFolder(kD);
  EXPECT_TRUE(protectedRoot.ok) << protectedRoot.error;
  EXPECT_TRUE(files_.WriteNewFile(kD + "\\after.txt", "x"));
}

// The undo file and the record never replace a file.
TEST_F(FileServices, WriteNewFileNeverReplaces) {
  const std::string path = kD + "\\Vestrand-还原-20261206-153000.reg";
  EXPECT_TRUE(files_.WriteNewFile(path, std::string("\xFF\xFE\0\0", 4)));
  EXPECT_FALSE(files_.WriteNewFile(path, "second"));
  EXPECT_EQ(ReadBytes(path), std::string("\xFF\xFE\0\0", 4));
  EXPECT_FALSE(files_.WriteNewFile(kD + "\\missing\\x.txt", "x"));
  EXPECT_FALSE(files_.RemoveEmptyDirectory(kD));  // holds the file
  ::CreateDirectoryW(Wide(kD + "\\empty").c_str(), nullptr);
  EXPECT_TRUE(files_.RemoveEmptyDirectory(kD + "\\empty"));
  EXPECT_FALSE(Exists(kD + "\\empty"));
}

}  // namespace vestrand
