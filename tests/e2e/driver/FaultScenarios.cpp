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

// ---- fault runs: one profile with something unusual in it, in move mode on Windows 7
// and in copy mode on Windows XP ----------------------------------------------------------

// held_open: a file that another program holds open without sharing cannot be carried.
//   Windows's shell reports it in its own window, which the user answers (Skip); the run
//   goes on and every other file arrives. Wine 8 shows no window: its move renames the
//   whole folder, open file and all, and its copy leaves the open file out without a word.
// attributes: every populated folder holds readonly.txt and hidden.txt; they keep them.
// long_path: a file deeper than 260 characters may be left behind (Wine 8's copy leaves
//   it out silently, where Windows's shell would report it) but must not vanish.
// names: the documents folder carries Chinese, Cyrillic, an emoji and spaces in its name,
//   so that the path box, the registry and the shell all see them; inside are names outside
//   the GBK range and names ending in a full stop, which only the "\\?\" form creates. The
//   shell cannot copy the full stops: they may stay behind, never vanish.
enum class Unusual { HeldOpen, Attributes, LongPath, Names };

struct FaultCase {
  const char* name;
  Unusual unusual;
  bool xp;  // copy mode on Windows XP, else move mode on Windows 7
};

class Faults : public Relocation, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(Faults, Run) {
  const FaultCase& c = GetParam();
  const Control mode = c.xp ? Control::OptionCopy : Control::OptionMove;
  const std::wstring held = L"\\正在使用 in use\\held open.bin";
  std::wstring branch;
  for (int level = 1; level <= 5; ++level) branch += L"\\第" + std::to_wstring(level) + L"层 " + std::wstring(55, L'x');
  branch += L"\\深处的文件.txt";
  const std::wstring documents =
      c.xp ? L"%USERPROFILE%\\我的 文档 Документы \U0001F600" : L"%USERPROFILE%\\文档 Документы \U0001F600";
  const std::vector<std::wstring> names = {
      L"照片 2024 年\\假期 照片.txt", L"Привет мир.txt", L"\U0001F600 emoji \U0001F4C1.txt",
      L"\U00020000 扩展汉字 \u00E9t\u00E9.txt", L"末尾有点.", L"末尾有点的文件夹.\\里面.txt"};
  if (c.unusual == Unusual::Names) changeProfile_ = [&] { SetRowFolder(2, documents); };
  addFiles_ = [&](int row, const std::wstring& folder) {
    if (row == 2 && c.unusual == Unusual::HeldOpen) WriteFile(folder + held, std::string(200000, 'h'));
    if (row <= 2 && c.unusual == Unusual::LongPath) WriteFile(folder + branch, "deep " + std::to_string(row));
    for (std::size_t i = 0; row == 2 && c.unusual == Unusual::Names && i < names.size(); ++i) {
      WriteFile(folder + L"\\" + names[i], "name " + std::to_string(i));
    }
  };
  ASSERT_NO_FATAL_FAILURE(Prepare(c.xp ? L"winxp" : L"win7", c.xp, c.xp ? L"D:\\Personal" : L"D:\\Win7User", mode, {}));
  UniqueFileHandle lock;
  if (c.unusual == Unusual::HeldOpen) {
    lock.reset(::CreateFileW(LongPath(Row(2).folder + held).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock) << "could not hold the file open";
  }
  if (c.unusual == Unusual::Attributes) {
    RecordAttributes();
    EXPECT_EQ(attributes_[1][L"readonly.txt"], static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(attributes_[1][L"hidden.txt"], static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  }
  if (c.unusual == Unusual::LongPath) {
    ASSERT_GT(Row(2).folder.size() + branch.size(), 260u);
    ASSERT_TRUE(PathExists(Row(2).folder + branch)) << "could not create the long path";
  }
  if (c.unusual == Unusual::Names) {
    ASSERT_EQ(Row(2).folder, Expand(documents));
    EXPECT_EQ(Row(2).files.size(), 7u + names.size()) << "not every name could be created";
    EXPECT_EQ(app_->Text(Control::Text2), Narrow(Expand(documents)));  // as the registry holds it
  }
  RunAnsweringTheShell();
  lock.reset();
  ExpectNothingLost();
  const std::vector<FileRecord> arrived = Manifest(Row(2).expectedNew);
  std::cout << "  " << arrived.size() << " of " << Row(2).files.size() << " documents carried, "
            << dialogs_.size() << " dialog(s)" << std::endl;
  if (c.unusual == Unusual::HeldOpen) {
    // Only the file in use may have been left behind; if it was, the user is told.
    for (const FileRecord& e : Row(2).files) {
      EXPECT_TRUE(Contains(arrived, e) || e.relativePath.find(L"held open") != std::wstring::npos)
          << Narrow(e.relativePath);
    }
    if (!PathExists(Row(2).expectedNew + held)) ExpectTold(c.xp ? "个文件没有复制" : "原位置仍有");
  }
  if (c.unusual == Unusual::Attributes && c.xp) {
    for (const RowState& s : rows_) {
      EXPECT_TRUE(s.row == 6 || Manifest(s.expectedNew) == s.files) << "row " << s.row << " not copied whole";
    }
  }
  EXPECT_FALSE(c.unusual == Unusual::Attributes && !c.xp && PathExists(Row(1).folder)) << "the desktop was not moved";
  for (const std::wstring& name : names) {
    // Any script is an ordinary name to the shell: only the full stops may stay behind.
    if (c.unusual == Unusual::Names && name.find(L".\\") == std::wstring::npos && name.back() != L'.') {
      EXPECT_TRUE(PathExists(Row(2).expectedNew + L"\\" + name)) << Narrow(name);
    }
  }
  ExpectShellRestarted();
}

INSTANTIATE_TEST_SUITE_P(
    Each, Faults,
    ::testing::Values(FaultCase{"held_open_move", Unusual::HeldOpen, false},
                      FaultCase{"held_open_copy", Unusual::HeldOpen, true},
                      FaultCase{"attributes_move", Unusual::Attributes, false},
                      FaultCase{"attributes_copy", Unusual::Attributes, true},
                      FaultCase{"long_path_move", Unusual::LongPath, false},
                      FaultCase{"long_path_copy", Unusual::LongPath, true},
                      FaultCase{"names_move", Unusual::Names, false},
                      FaultCase{"names_copy", Unusual::Names, true}),
    [](const ::testing::TestParamInfo<FaultCase>& c) { return std::string(c.param.name); });

// The target already holds a folder of the same name, left from an earlier copy. Windows
// merges the moved folder into it; Wine 8's shell does nothing and reports success, so the
// files stay where they were. Either way nothing is lost and the earlier file is kept.
TEST_F(Relocation, TargetAlreadyHoldsAFolderOfTheSameName) {
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

struct RefusedCase {
  const char* name;
  std::wstring target;
  bool xp;
  std::string mentioned;  // what the explanation names; the target when empty
  std::function<void()> changeProfile = {};
  std::function<void(int, const std::wstring&)> addFiles = {};
};

class Refused : public RefusedTarget, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(Refused, Target) {
  const RefusedCase& c = GetParam();
  changeProfile_ = c.changeProfile;
  addFiles_ = c.addFiles;
  ExpectRefused(c.target, c.xp ? L"winxp" : L"win7", c.xp, c.mentioned);
}

// spaces: Windows would drop them and the shell would work on another folder than the
// one written into the registry. second_letter: the profile reached through P: (as subst
// makes one) is still the profile. no_room: D: is a small file system here.
INSTANTIATE_TEST_SUITE_P(
    Each, Refused,
    ::testing::Values(
        RefusedCase{"spaces", L"  D:\\Win7User  ", false, ""},
        RefusedCase{"relative", L"Personal\\备份", true, ""},
        RefusedCase{"unc", L"\\\\nosuchserver\\share\\x", false, ""},
        RefusedCase{"inside_desktop", Expand(L"%USERPROFILE%\\桌面\\备份"), true, ""},
        RefusedCase{"same_name", L"D:\\Win7User", false, "同名",
                    [] { SetRowFolder(3, L"%USERPROFILE%\\Other\\Documents"); }},
        RefusedCase{"file_clash", L"D:\\Win7User", false, "会被覆盖",
                    [] { WriteFile(L"D:\\Win7User\\Desktop\\desktop.ini", "an older one"); }},
        RefusedCase{"second_letter", L"P:\\Desktop\\备份", false, "之中"},
        RefusedCase{"no_room", L"D:\\Win7User", false, "空间不够", nullptr,
                    [](int row, const std::wstring& folder) {
                      if (row == 2) WriteFile(folder + L"\\大文件.bin", std::string(24u << 20, 'v'));
                    }}),
    [](const ::testing::TestParamInfo<RefusedCase>& c) { return std::string(c.param.name); });

// ---- a second run -----------------------------------------------------------------------------

// The user runs again onto the same target, now with every row ticked: the rows already
// there keep their values and files; the two rows left out the first time follow.
TEST_F(Relocation, SecondRunOntoTheSameTarget) {
  const std::set<int> leftOut = {3, 10};
  ASSERT_NO_FATAL_FAILURE(Prepare(L"win7", false, L"D:\\Win7User", Control::OptionMove, leftOut));
  RunAnsweringTheShell();
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

}  // namespace
}  // namespace vestrand::e2e
