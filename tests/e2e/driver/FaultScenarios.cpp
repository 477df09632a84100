// Relocations under conditions a real profile brings: files in use, files with special
// attributes, very long paths, names in many scripts, targets typed wrongly, a second run
// and every row at once. Each proves from a manifest of every file (path, size, hash) that
// nothing was lost, wherever the files ended up, and that the desktop shell runs again,
// or, for a refused target, that nothing changed and the shell was left alone.
#include <iostream>
#include <map>

#include "e2e/driver/RelocationFixture.h"

namespace vestrand::e2e {
namespace {

constexpr DWORD kAttributesKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;

bool Contains(const std::vector<FileRecord>& files, const FileRecord& e) {
  return std::find(files.begin(), files.end(), e) != files.end();
}

DWORD AttributesOf(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(LongPath(path).c_str());
  return a == INVALID_FILE_ATTRIBUTES ? a : (a & kAttributesKept);
}

std::string Describe(const DialogSeen& d) {
  std::string buttons;
  for (const std::string& b : d.buttons) buttons += "[" + b + "]";
  return "\"" + d.title + "\": " + d.text + " " + buttons + " -> " + d.answer;
}

class Fault : public Relocation {
 protected:
  // Starts the run and, until the program ends, answers every dialog window it shows as
  // a user would. A window is answered once it has been up for a moment, so that its
  // texts are in place; one that stays up is answered again.
  void RunAnsweringTheShell() {
    std::map<HWND, DWORD> firstSeen, answeredAt;
    app_->PostClick(Control::Command1);
    const bool ended = WaitUntil(kRunTimeoutMs, [&] {
      if (!app_->Running()) return true;
      const DWORD now = ::GetTickCount();
      for (HWND d : DialogWindows(app_->ProcessId())) {
        firstSeen.emplace(d, now);
        if (now - firstSeen[d] < 300) continue;
        const auto answered = answeredAt.find(d);
        if (answered != answeredAt.end() && now - answered->second < 2000) continue;
        dialogs_.push_back(AnswerDialog(d));
        answeredAt[d] = now;
        std::cout << "  dialog: " << Describe(dialogs_.back()) << std::endl;
      }
      return false;
    });
    ASSERT_TRUE(ended) << "the run did not end the program";
    EXPECT_EQ(app_->ExitCode(), 0u);
    for (const DialogSeen& d : dialogs_) {
      // The one box a run may end with names its record: files were left behind.
      const bool told = d.title == "友情提示:" && d.text.find("Vestrand-记录-") != std::string::npos;
      attentionShown_ = attentionShown_ || told;
      if (!told) {
        EXPECT_NE(d.title, "友情提示:") << "the run refused: " << Describe(d);
      }
      EXPECT_NE(d.text, "Error") << "a registry write failed: " << Describe(d);
    }
  }

  // The record the box named lies in the target and says what was left behind.
  void ExpectTold(const char* recorded) {
    EXPECT_TRUE(attentionShown_) << "the user was not told";
    WIN32_FIND_DATAW found{};
    UniqueFindHandle find(::FindFirstFileW((target_ + L"\\Vestrand-记录-*.txt").c_str(), &found));
    ASSERT_TRUE(find) << "no record in the target";
    HANDLE file = ::CreateFileW((target_ + L"\\" + found.cFileName).c_str(), GENERIC_READ,
                                FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    UniqueFileHandle owner(file);
    char buffer[65536] = {};
    DWORD read = 0;
    ::ReadFile(file, buffer, sizeof buffer - 1, &read, nullptr);
    EXPECT_NE(std::string(buffer, read).find(recorded), std::string::npos) << std::string(buffer, read);
  }

  void RecordAttributes() {
    for (const RowState& s : rows_) {
      for (const FileRecord& e : s.files) {
        attributes_[s.row][e.relativePath] = AttributesOf(s.folder + L"\\" + e.relativePath);
      }
    }
  }

  // Every row's registry values name its new place, and every file the row held before
  // the run is, unchanged, at the new place or still at the old one (a file the shell
  // could not carry stays behind); neither place holds a file that was not there before.
  // Attributes recorded before the run are checked wherever the file is now.
  void ExpectNothingLost() {
    for (const RowState& s : rows_) {
      SCOPED_TRACE("row " + std::to_string(s.row) + " " + Narrow(s.folder));
      const RowValue& r = ValueOf(s.row);
      DWORD type1 = 0, type2 = 0;
      const std::wstring first = ReadValue(FirstKey(s.row), FirstName(r), &type1);
      const std::wstring second = ReadValue(SecondKey(s.row), SecondName(r), &type2);
      if (s.ticked) {
        EXPECT_EQ(Lower(first), Lower(s.expectedNew));
        EXPECT_EQ(Lower(second), Lower(s.expectedNew));
        EXPECT_EQ(type1, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(type2, static_cast<DWORD>(REG_SZ));
        EXPECT_TRUE(IsDirectory(s.expectedNew));
      } else {
        EXPECT_EQ(first, s.firstKeyValue);
        EXPECT_EQ(second, s.secondKeyValue);
      }
      const std::vector<FileRecord> now =
          s.ticked && mode_ != Control::OptionDont ? Manifest(s.expectedNew) : std::vector<FileRecord>();
      const std::vector<FileRecord> old = Manifest(s.folder);
      for (const FileRecord& e : s.files) {
        const bool moved = Contains(now, e), stayed = Contains(old, e);
        EXPECT_TRUE(moved || stayed) << "lost: " << Narrow(e.relativePath);
        if (mode_ == Control::OptionMove && moved && stayed) {
          std::cout << "  in both places: " << Narrow(e.relativePath) << std::endl;
        }
        if (!s.ticked || mode_ != Control::OptionMove) {
          EXPECT_TRUE(stayed) << "the old place must keep " << Narrow(e.relativePath);
        }
        const auto before = attributes_.find(s.row);
        if (before != attributes_.end() && (moved || stayed)) {
          const std::wstring where = (moved ? s.expectedNew : s.folder) + L"\\" + e.relativePath;
          EXPECT_EQ(AttributesOf(where), before->second.at(e.relativePath)) << Narrow(where);
        }
      }
      if (s.row == 6) continue;  // other programs keep temporary files there
      for (const FileRecord& e : now) EXPECT_TRUE(Contains(s.files, e)) << "stranger: " << Narrow(e.relativePath);
      for (const FileRecord& e : old) EXPECT_TRUE(Contains(s.files, e)) << "stranger: " << Narrow(e.relativePath);
    }
  }

  const RowState& Row(int row) const {
    for (const RowState& s : rows_) {
      if (s.row == row) return s;
    }
    static const RowState none;
    ADD_FAILURE() << "no row " << row;
    return none;
  }

  bool attentionShown_ = false;
  std::vector<DialogSeen> dialogs_;
  std::map<int, std::map<std::wstring, DWORD>> attributes_;
};

// ---- a file in use -----------------------------------------------------------------------

// A file that another program holds open without sharing cannot be carried. Windows's
// shell reports it in its own window, which the user answers (Skip); the run goes on and
// every other file arrives. Wine 8 differs and shows no window: its move renames the whole
// folder, open file and all, and its copy leaves the open file out without a word. Either
// way the file must be somewhere, unchanged, once it is closed.
class HeldOpen : public Fault {
 protected:
  void Run(const wchar_t* version, bool xp, const std::wstring& target, Control mode) {
    addFiles_ = [](int row, const std::wstring& folder) {
      if (row == 2) WriteFile(folder + L"\\正在使用 in use\\held open.bin", std::string(200000, 'h'));
    };
    ASSERT_NO_FATAL_FAILURE(Prepare(version, xp, target, mode, {}));
    const std::wstring held = Row(2).folder + L"\\正在使用 in use\\held open.bin";
    UniqueFileHandle lock(::CreateFileW(LongPath(held).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock) << "could not hold the file open";
    RunAnsweringTheShell();
    lock.reset();
    const std::wstring arrived = Row(2).expectedNew + L"\\正在使用 in use\\held open.bin";
    std::cout << "  held file " << (PathExists(arrived) ? "arrived" : "") << (PathExists(held) ? " stayed" : "")
              << ", " << dialogs_.size() << " dialog(s), " << Manifest(Row(2).expectedNew).size() << " of "
              << Row(2).files.size() << " files at the new place" << std::endl;
    ExpectNothingLost();
    // Only the file in use may have been left behind.
    const std::vector<FileRecord> now = Manifest(Row(2).expectedNew);
    for (const FileRecord& e : Row(2).files) {
      if (e.relativePath.find(L"held open") != std::wstring::npos) continue;
      EXPECT_TRUE(Contains(now, e)) << "not carried: " << Narrow(e.relativePath);
    }
    // A file left out of a copy is told, with the record that counts it.
    if (!PathExists(arrived)) ExpectTold(mode == Control::OptionCopy ? "个文件没有复制" : "原位置仍有");
    ExpectShellRestarted();
  }
};

TEST_F(HeldOpen, DuringMoveOnWindows7) {
  Run(L"win7", false, L"D:\\Win7User", Control::OptionMove);
}

TEST_F(HeldOpen, DuringCopyOnWindowsXp) {
  Run(L"winxp", true, L"D:\\Personal", Control::OptionCopy);
}

// ---- attributes ---------------------------------------------------------------------------

// Every populated folder holds readonly.txt and hidden.txt: the attributes travel with them.
TEST_F(Fault, ReadOnlyAndHiddenFilesKeepTheirAttributesWhenMoved) {
  ASSERT_NO_FATAL_FAILURE(Prepare(L"win7", false, L"D:\\Win7User", Control::OptionMove, {}));
  RecordAttributes();
  EXPECT_EQ(attributes_[1][L"readonly.txt"], static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(attributes_[1][L"hidden.txt"], static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  RunAnsweringTheShell();
  ExpectNothingLost();
  EXPECT_FALSE(PathExists(Row(1).folder)) << "the desktop was not moved";
  ExpectShellRestarted();
}

TEST_F(Fault, ReadOnlyAndHiddenFilesKeepTheirAttributesWhenCopied) {
  ASSERT_NO_FATAL_FAILURE(Prepare(L"winxp", true, L"D:\\Personal", Control::OptionCopy, {}));
  RecordAttributes();
  RunAnsweringTheShell();
  ExpectNothingLost();
  for (const RowState& s : rows_) {
    if (s.row == 6) continue;
    EXPECT_EQ(Manifest(s.expectedNew), s.files) << "row " << s.row << " not copied whole";
  }
  ExpectShellRestarted();
}

// ---- long paths and unusual names ----------------------------------------------------------

// A file deeper than 260 characters, which older programs cannot even name. The shell
// may leave it behind, but it must not vanish. Wine 8 moves a folder on one disk by
// renaming it, which carries any depth; its copy leaves such a file out silently, where
// Windows's shell would report it.
class LongPaths : public Fault {
 protected:
  void Run(const wchar_t* version, bool xp, const std::wstring& target, Control mode) {
    std::wstring branch;
    for (int level = 1; level <= 5; ++level) {
      branch += L"\\第" + std::to_wstring(level) + L"层 " + std::wstring(55, L'x');
    }
    branch += L"\\深处的文件.txt";
    addFiles_ = [&](int row, const std::wstring& folder) {
      if (row == 1 || row == 2) WriteFile(folder + branch, "deep " + std::to_string(row));
    };
    ASSERT_NO_FATAL_FAILURE(Prepare(version, xp, target, mode, {}));
    ASSERT_GT(Row(2).folder.size() + branch.size(), 260u);
    ASSERT_TRUE(PathExists(Row(2).folder + branch)) << "could not create the long path";
    RunAnsweringTheShell();
    ExpectNothingLost();
    for (int row : {1, 2}) {
      const bool arrived = PathExists(Row(row).expectedNew + branch);
      std::cout << "  row " << row << ": long path " << (arrived ? "carried" : "left behind") << std::endl;
    }
    ExpectShellRestarted();
  }
};

TEST_F(LongPaths, MovedOnWindows7) { Run(L"win7", false, L"D:\\Win7User", Control::OptionMove); }

TEST_F(LongPaths, CopiedOnWindowsXp) { Run(L"winxp", true, L"D:\\Personal", Control::OptionCopy); }

// The documents folder itself carries Chinese, Cyrillic, an emoji and spaces in its name,
// so that the path box, the registry and the shell all see them; inside are names outside
// the GBK range and names ending in a full stop, which Windows can only create through
// the "\\?\" form. The shell cannot copy those (Wine 8 leaves them out without a word;
// its move renames the folder and so carries them): they may stay behind, never vanish.
class UnusualNames : public Fault {
 protected:
  void Run(const wchar_t* version, bool xp, const std::wstring& target, Control mode) {
    const std::wstring documents =
        xp ? L"%USERPROFILE%\\我的 文档 Документы \U0001F600" : L"%USERPROFILE%\\文档 Документы \U0001F600";
    const std::vector<std::wstring> names = {
        L"照片 2024 年\\假期 照片.txt",
        L"Привет мир.txt",
        L"\U0001F600 emoji \U0001F4C1.txt",
        L"\U00020000 扩展汉字 \u00E9t\u00E9.txt",
        L"末尾有点.",
        L"末尾有点的文件夹.\\里面.txt",
    };
    changeProfile_ = [&] { SetRowFolder(2, documents); };
    addFiles_ = [&](int row, const std::wstring& folder) {
      if (row != 2) return;
      for (std::size_t i = 0; i < names.size(); ++i) {
        WriteFile(folder + L"\\" + names[i], "name " + std::to_string(i));
      }
    };
    ASSERT_NO_FATAL_FAILURE(Prepare(version, xp, target, mode, {}));
    ASSERT_EQ(Row(2).folder, Expand(documents));
    EXPECT_EQ(Row(2).files.size(), 7u + names.size()) << "not every name could be created";
    // The path box shows the name as the registry holds it.
    EXPECT_EQ(app_->Text(Control::Text2), Narrow(Expand(documents)));
    RunAnsweringTheShell();
    ExpectNothingLost();
    for (const std::wstring& name : names) {
      const bool arrived = PathExists(Row(2).expectedNew + L"\\" + name);
      std::cout << "  " << Narrow(name) << (arrived ? ": carried" : ": left behind") << std::endl;
      // Any script is an ordinary name to the shell: only the full stops may stay behind.
      if (name.find(L".\\") == std::wstring::npos && name.back() != L'.') {
        EXPECT_TRUE(arrived) << Narrow(name);
      }
    }
    ExpectShellRestarted();
  }
};

TEST_F(UnusualNames, MovedOnWindows7) { Run(L"win7", false, L"D:\\Win7User", Control::OptionMove); }

TEST_F(UnusualNames, CopiedOnWindowsXp) { Run(L"winxp", true, L"D:\\Personal", Control::OptionCopy); }

// The target already holds a folder of the same name, left from an earlier copy. Windows
// merges the moved folder into it; Wine 8's shell does nothing and reports success, so the
// files stay where they were. Either way nothing is lost and the earlier file is kept.
TEST_F(Fault, TargetAlreadyHoldsAFolderOfTheSameName) {
  const std::wstring earlier = L"D:\\Win7User\\Documents\\earlier copy.txt";
  ASSERT_TRUE(WriteFile(earlier, "from an earlier copy"));
  const std::vector<FileRecord> before = Manifest(L"D:\\Win7User\\Documents");
  ASSERT_NO_FATAL_FAILURE(Prepare(L"win7", false, L"D:\\Win7User", Control::OptionMove, {}));
  RunAnsweringTheShell();
  const bool merged = !PathExists(Row(2).folder);
  std::cout << "  documents " << (merged ? "merged into the earlier folder" : "left in place") << std::endl;
  for (RowState& s : rows_) {
    // The earlier file is not one of the row's: the check below must not count it.
    if (s.row == 2 && merged) s.files.insert(s.files.end(), before.begin(), before.end());
    // Left in place, the row still names its files, exactly as before, and the user is told.
    if (s.row == 2 && !merged) s.ticked = false;
  }
  ExpectNothingLost();
  if (!merged) ExpectTold("文件没有被转移");
  EXPECT_TRUE(Contains(Manifest(L"D:\\Win7User\\Documents"), before.front()));
  ExpectShellRestarted();
}

// ---- targets that must be refused ------------------------------------------------------------

class FaultRefusedTarget : public RefusedTarget {};

// Windows would drop the trailing spaces and the shell would work on another folder than
// the one written into the registry.
TEST_F(FaultRefusedTarget, SurroundingSpaces) { ExpectRefused(L"  D:\\Win7User  "); }

TEST_F(FaultRefusedTarget, RelativePath) { ExpectRefused(L"Personal\\备份", L"winxp", true); }

TEST_F(FaultRefusedTarget, UncPathToMissingServer) { ExpectRefused(L"\\\\nosuchserver\\share\\x"); }

// Registered with no drive D: at all, as on a machine with one disk.
TEST_F(FaultRefusedTarget, MissingDrive) { ExpectRefused(L"D:\\Personal", L"winxp", true); }

// Two folders of one name would be merged into one folder of the target.
TEST_F(FaultRefusedTarget, TwoFoldersOfOneName) {
  changeProfile_ = [] { SetRowFolder(3, L"%USERPROFILE%\\Other\\Documents"); };
  ExpectRefused(L"D:\\Win7User", L"win7", false, "同名");
}

// A folder of the same name already in the target holds a file the move would replace.
TEST_F(FaultRefusedTarget, FileInTheTargetWouldBeReplaced) {
  changeProfile_ = [] { WriteFile(L"D:\\Win7User\\Desktop\\desktop.ini", "an older one"); };
  ExpectRefused(L"D:\\Win7User", L"win7", false, "会被覆盖");
}

// The profile reached through a second drive letter (as subst makes one) is still the
// profile: a target there lies inside the desktop that is to be moved.
TEST_F(FaultRefusedTarget, DesktopReachedThroughASecondDriveLetter) {
  ExpectRefused(L"P:\\Desktop\\备份", L"win7", false, "之中");
}

// D: is a small file system here: the folders do not fit, with room to spare.
TEST_F(FaultRefusedTarget, MoreThanTheTargetDriveHolds) {
  addFiles_ = [](int row, const std::wstring& folder) {
    if (row == 2) WriteFile(folder + L"\\大文件.bin", std::string(24u << 20, 'v'));
  };
  ExpectRefused(L"D:\\Win7User", L"win7", false, "空间不够");
}

TEST_F(FaultRefusedTarget, InsideTheTickedDesktop) {
  ExpectRefused(Expand(L"%USERPROFILE%\\桌面\\备份"), L"winxp", true);
}

// ---- a second run -----------------------------------------------------------------------------

// The user runs again onto the same target, now with every row ticked: the rows already
// there keep their values and files; the two rows left out the first time follow.
TEST_F(Fault, SecondRunOntoTheSameTarget) {
  const std::set<int> leftOut = {3, 10};
  ASSERT_NO_FATAL_FAILURE(Prepare(L"win7", false, L"D:\\Win7User", Control::OptionMove, leftOut));
  StartAndWaitForTheEnd();
  ExpectShellRestarted();
  std::map<int, std::pair<std::wstring, std::wstring>> afterFirst;
  for (const RowState& s : rows_) {
    const RowValue& r = ValueOf(s.row);
    afterFirst[s.row] = {ReadValue(FirstKey(s.row), FirstName(r)), ReadValue(SecondKey(s.row), SecondName(r))};
  }
  const std::vector<std::wstring> firstTree = Tree(L"D:\\Win7User");

  for (RowState& s : rows_) s.ticked = true;
  ASSERT_NO_FATAL_FAILURE(LaunchAndChoose(target_, Control::OptionMove, {}));
  for (const RowState& s : rows_) {
    const std::wstring shown = Wide(app_->Text(TextOf(s.row)));
    EXPECT_EQ(Lower(shown), Lower(leftOut.count(s.row) ? s.folder : s.expectedNew)) << s.row;
  }
  RunAnsweringTheShell();
  EXPECT_TRUE(dialogs_.empty()) << "the second run needed answers";
  ExpectNothingLost();
  for (const RowState& s : rows_) {
    if (leftOut.count(s.row)) {
      EXPECT_FALSE(PathExists(s.folder)) << "row " << s.row << " was not moved the second time";
      continue;
    }
    const RowValue& r = ValueOf(s.row);
    EXPECT_EQ(ReadValue(FirstKey(s.row), FirstName(r)), afterFirst[s.row].first) << s.row;
    EXPECT_EQ(ReadValue(SecondKey(s.row), SecondName(r)), afterFirst[s.row].second) << s.row;
    if (s.row != 6) {
      EXPECT_EQ(Manifest(s.expectedNew), s.files) << "row " << s.row << " changed";
    }
  }
  // Nothing nested into itself ("Desktop\Desktop") and nothing else new besides the two rows.
  for (const std::wstring& entry : Tree(L"D:\\Win7User")) {
    if (std::find(firstTree.begin(), firstTree.end(), entry) != firstTree.end()) continue;
    if (entry.rfind(L"Vestrand-", 0) == 0) continue;  // the second run's undo file and record
    bool ofLeftOut = false;
    for (int k : leftOut) {
      ofLeftOut = ofLeftOut || IsInside(L"D:\\Win7User\\" + entry, Row(k).expectedNew) ||
                  Lower(L"D:\\Win7User\\" + entry) == Lower(Row(k).expectedNew + L"\\");
    }
    EXPECT_TRUE(ofLeftOut) << "new after the second run: " << Narrow(entry);
  }
  ExpectShellRestarted();
}

// ---- every row, every mode, both families ------------------------------------------------------

}  // namespace
}  // namespace vestrand::e2e
