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

class Faults : public Fault, public ::testing::WithParamInterface<FaultCase> {};

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

}  // namespace
}  // namespace vestrand::e2e
