// Whole relocations of the real program under Wine, driven through its window as a user
// would, against a real registry and real files. A manifest of every file (path, size,
// hash) taken before the run proves afterwards that nothing was lost.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "e2e/driver/Driver.h"
#include "platform/Win32Text.h"

namespace vestrand::e2e {
namespace {

constexpr DWORD kRunTimeoutMs = 180000;

bool RowCarriesDesktopIni(int row) { return row != 4 && row != 5 && row != 6; }

std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(::towlower(c));
  return s;
}

bool IsInside(const std::wstring& inner, const std::wstring& outer) {
  const std::wstring a = Lower(inner), b = Lower(outer) + L"\\";
  return a.compare(0, b.size(), b) == 0;
}

struct RowState {
  int row = 0;
  std::wstring folder;  // current location, expanded
  std::vector<FileEntry> files;
  std::wstring firstKeyValue, secondKeyValue;  // raw, before the run
  bool ticked = true;
  std::wstring expectedNew;
};

std::wstring FirstKey(int row) { return row == 6 ? kEnvironment : kShellFolders; }
std::wstring SecondKey(int row) { return row == 6 ? kEnvironment : kUserShellFolders; }
std::wstring FirstName(const RowValue& r) { return r.name; }
std::wstring SecondName(const RowValue& r) { return r.row == 6 ? L"TMP" : r.name; }

class Relocation : public ::testing::Test {
 protected:
  // Prepares the profile, starts the program and chooses as a user would.
  void Prepare(const wchar_t* version, bool xp, const std::wstring& target, Control mode,
               const std::set<int>& untick) {
    SetWineVersion(L"Vestrand.exe", version);
    xp ? MakeXpProfile() : MakeWin7Profile();
    mode_ = mode;
    target_ = target;
    int seed = 1;
    for (const RowValue& r : RowValues()) {
      RowState s;
      s.row = r.row;
      s.folder = Expand(ReadValue(r.key, r.name));
      if (s.folder.empty()) continue;
      if (r.row != 6) PopulateFolder(s.folder, seed++, RowCarriesDesktopIni(r.row));
      s.ticked = untick.count(r.row) == 0;
      rows_.push_back(s);
    }
    for (RowState& s : rows_) {
      const RowValue& r = RowValues()[static_cast<std::size_t>(s.row - 1)];
      s.files = Manifest(s.folder);
      s.firstKeyValue = ReadValue(FirstKey(s.row), FirstName(r));
      s.secondKeyValue = ReadValue(SecondKey(s.row), SecondName(r));
    }
    // Where each ticked row must end up: an inner folder travels with a ticked outer one.
    for (RowState& s : rows_) {
      const std::wstring name = s.folder.substr(s.folder.find_last_of(L'\\') + 1);
      s.expectedNew = target_ + L"\\" + name;
      if (mode_ == Control::OptionDont) continue;
      for (const RowState& outer : rows_) {
        if (outer.row >= s.row || !outer.ticked || !IsInside(s.folder, outer.folder)) continue;
        s.expectedNew = outer.expectedNew + s.folder.substr(outer.folder.size());
        break;
      }
    }
    explorersBefore_ = ProcessesNamed(L"explorer.exe");

    app_ = App::Launch();
    ASSERT_NE(app_->Main(), nullptr);
    for (int k : untick) Toggle(CheckOf(k), BST_UNCHECKED);
    Toggle(Control::CkLogoff, BST_UNCHECKED);  // a log-off would end the test session
    app_->PostClick(mode);
    ASSERT_TRUE(WaitUntil(5000, [&] { return app_->Check(mode) == BST_CHECKED; }));
    app_->SetText(Control::Text15, Narrow(target));
  }

  void Toggle(Control c, int wanted) {
    if (app_->Check(c) != wanted) app_->PostClick(c);
    ASSERT_TRUE(WaitUntil(5000, [&] { return app_->Check(c) == wanted; })) << static_cast<int>(c);
  }

  void StartAndWaitForTheEnd() {
    app_->PostClick(Control::Command1);
    ASSERT_TRUE(app_->WaitForExit(kRunTimeoutMs)) << "the run did not end the program";
    EXPECT_EQ(app_->ExitCode(), 0u);
  }

  void ExpectShellRestarted() {
    std::vector<DWORD> started;
    for (const ProcessEntry& p : Processes()) {
      if (::lstrcmpiW(p.exe.c_str(), L"explorer.exe") == 0 && p.parent == app_->ProcessId()) {
        started.push_back(p.pid);
      }
    }
    EXPECT_FALSE(started.empty()) << "explorer.exe was not started again";
    for (DWORD pid : started) EndProcess(pid);
  }

  void ExpectRelocated() {
    for (const RowState& s : rows_) {
      const RowValue& r = RowValues()[static_cast<std::size_t>(s.row - 1)];
      SCOPED_TRACE("row " + std::to_string(s.row) + " " + Narrow(s.folder));
      DWORD type1 = 0, type2 = 0;
      const std::wstring first = ReadValue(FirstKey(s.row), FirstName(r), &type1);
      const std::wstring second = ReadValue(SecondKey(s.row), SecondName(r), &type2);
      if (!s.ticked) {
        EXPECT_EQ(first, s.firstKeyValue);
        EXPECT_EQ(second, s.secondKeyValue);
        EXPECT_EQ(Manifest(s.folder), s.files);
        continue;
      }
      EXPECT_EQ(Lower(first), Lower(s.expectedNew));
      EXPECT_EQ(Lower(second), Lower(s.expectedNew));
      EXPECT_EQ(type1, static_cast<DWORD>(REG_SZ));
      EXPECT_EQ(type2, static_cast<DWORD>(REG_SZ));
      EXPECT_TRUE(IsDirectory(first));
      const std::vector<FileEntry> now = Manifest(s.expectedNew);
      if (mode_ == Control::OptionDont) {
        std::vector<FileEntry> iniOnly;
        for (const FileEntry& e : s.files) {
          if (Lower(e.relativePath) == L"desktop.ini") iniOnly.push_back(e);
        }
        if (!RowCarriesDesktopIni(s.row)) iniOnly.clear();
        EXPECT_EQ(now, iniOnly);
        // Wine 8 ignores the read-only attribute on folders; Windows keeps it.
        if (FoldersKeepReadOnly()) {
          const DWORD attributes = ::GetFileAttributesW(s.expectedNew.c_str());
          EXPECT_EQ((attributes & FILE_ATTRIBUTE_READONLY) != 0, RowCarriesDesktopIni(s.row));
        }
        EXPECT_EQ(Manifest(s.folder), s.files) << "discard mode must leave the old folder alone";
        continue;
      }
      if (s.row == 6) {
        // Other programs may add temporary files meanwhile: none of ours may be missing.
        for (const FileEntry& e : s.files) {
          EXPECT_NE(std::find(now.begin(), now.end(), e), now.end()) << Narrow(e.relativePath);
        }
      } else {
        EXPECT_EQ(now, s.files);
      }
      if (mode_ == Control::OptionMove) {
        EXPECT_FALSE(PathExists(s.folder)) << "moved folder still at its old place";
      } else if (s.row != 6) {
        EXPECT_EQ(Manifest(s.folder), s.files) << "copy mode must leave the old folder alone";
      }
    }
  }

  std::unique_ptr<App> app_;
  std::vector<RowState> rows_;
  std::vector<DWORD> explorersBefore_;
  Control mode_ = Control::OptionMove;
  std::wstring target_;
};

TEST_F(Relocation, Windows7Copy) {
  Prepare(L"win7", false, L"D:\\Win7User", Control::OptionCopy, {3, 10});
  StartAndWaitForTheEnd();
  ExpectRelocated();
  ExpectShellRestarted();
}

TEST_F(Relocation, Windows7Move) {
  Prepare(L"win7", false, L"D:\\Win7User", Control::OptionMove, {3, 10});
  StartAndWaitForTheEnd();
  ExpectRelocated();
  ExpectShellRestarted();
}

TEST_F(Relocation, Windows7Discard) {
  Prepare(L"win7", false, L"D:\\Win7User", Control::OptionDont, {3, 10});
  StartAndWaitForTheEnd();
  ExpectRelocated();
  ExpectShellRestarted();
}

TEST_F(Relocation, WindowsXpCopy) {
  Prepare(L"winxp", true, L"D:\\Personal", Control::OptionCopy, {5});
  StartAndWaitForTheEnd();
  ExpectRelocated();
  ExpectShellRestarted();
}

// The default layout of Windows XP: music, pictures and videos inside the documents
// folder, every row ticked, move mode.
TEST_F(Relocation, WindowsXpDefaultLayoutMove) {
  Prepare(L"winxp", true, L"D:\\Personal", Control::OptionMove, {});
  StartAndWaitForTheEnd();
  ExpectRelocated();
  ExpectShellRestarted();
}

TEST_F(Relocation, WindowsXpDiscard) {
  Prepare(L"winxp", true, L"D:\\Personal", Control::OptionDont, {5});
  StartAndWaitForTheEnd();
  ExpectRelocated();
  ExpectShellRestarted();
}

// A refused target changes nothing: no registry value, no file, the shell keeps running.
class RefusedTarget : public Relocation {
 protected:
  void ExpectRefused(const std::wstring& target) {
    Prepare(L"win7", false, target, Control::OptionMove, {});
    const std::vector<DWORD> shells = ProcessesNamed(L"explorer.exe");
    app_->PostClick(Control::Command1);
    HWND box = WaitForMessageBox(app_->ProcessId(), L"友情提示:", 30000);
    ASSERT_NE(box, nullptr) << "no explanation shown";
    EXPECT_NE(MessageBoxText(box).find(Narrow(target)), std::string::npos) << MessageBoxText(box);
    ASSERT_TRUE(CloseMessageBox(box));
    ASSERT_TRUE(WaitUntil(10000, [&] { return app_->MainEnabled(); }));
    EXPECT_TRUE(app_->Running());
    for (DWORD pid : shells) {
      UniqueHandle p(::OpenProcess(SYNCHRONIZE, FALSE, pid));
      EXPECT_TRUE(p && ::WaitForSingleObject(p.get(), 0) == WAIT_TIMEOUT) << "the shell was ended";
    }
    for (const RowState& s : rows_) {
      const RowValue& r = RowValues()[static_cast<std::size_t>(s.row - 1)];
      EXPECT_EQ(ReadValue(FirstKey(s.row), FirstName(r)), s.firstKeyValue) << s.row;
      EXPECT_EQ(ReadValue(SecondKey(s.row), SecondName(r)), s.secondKeyValue) << s.row;
      if (s.row != 6) {
        EXPECT_EQ(Manifest(s.folder), s.files) << s.row;
      }
    }
  }
};

TEST_F(RefusedTarget, MissingDrive) { ExpectRefused(L"Q:\\Personal"); }

TEST_F(RefusedTarget, InsideTheDocumentsFolder) {
  ExpectRefused(Expand(L"%USERPROFILE%\\Documents\\Backup"));
}

}  // namespace
}  // namespace vestrand::e2e
