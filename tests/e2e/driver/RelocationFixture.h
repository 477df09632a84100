// The relocation fixture shared by the end-to-end scenarios: it prepares a profile whose
// folders hold files, starts the real program, chooses as a user would, and afterwards
// checks the registry and a manifest of every file (path, size, hash) against what was
// there before the run.
#ifndef VESTRAND_TESTS_E2E_RELOCATIONFIXTURE_H
#define VESTRAND_TESTS_E2E_RELOCATIONFIXTURE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "e2e/driver/Driver.h"
#include "platform/Win32Text.h"

namespace vestrand::e2e {

constexpr DWORD kRunTimeoutMs = 180000;
constexpr DWORD kAttributesKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;

inline bool Contains(const std::vector<FileRecord>& files, const FileRecord& e) {
  return std::find(files.begin(), files.end(), e) != files.end();
}

inline DWORD AttributesOf(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(LongPath(path).c_str());
  return a == INVALID_FILE_ATTRIBUTES ? a : (a & kAttributesKept);
}

inline std::string Describe(const DialogSeen& d) {
  std::string buttons;
  for (const std::string& b : d.buttons) buttons += "[" + b + "]";
  return "\"" + d.title + "\": " + d.text + " " + buttons + " -> " + d.answer;
}

inline bool RowCarriesDesktopIni(int row) { return row != 4 && row != 5 && row != 6; }

inline std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

inline bool IsInside(const std::wstring& inner, const std::wstring& outer) {
  const std::wstring a = Lower(inner), b = Lower(outer) + L"\\";
  return a.compare(0, b.size(), b) == 0;
}

struct RowState {
  int row = 0;
  std::wstring folder;  // current location, expanded
  std::vector<FileRecord> files;
  std::wstring firstKeyValue, secondKeyValue;  // raw, before the run
  DWORD firstType = 0, secondType = 0;
  bool ticked = true;
  bool follows = false;  // unticked, but inside a folder that is moved
  std::wstring expectedNew;
};

inline std::wstring FirstKey(int row) { return row == 6 ? kEnvironment : kShellFolders; }
inline std::wstring SecondKey(int row) { return row == 6 ? kEnvironment : kUserShellFolders; }
inline std::wstring FirstName(const RowValue& r) { return r.name; }
inline std::wstring SecondName(const RowValue& r) { return r.row == 6 ? L"TMP" : r.name; }
inline const RowValue& ValueOf(int row) { return RowValues()[static_cast<std::size_t>(row - 1)]; }

class Relocation : public ::testing::Test {
 protected:
  // Prepares the profile, starts the program and chooses as a user would.
  void Prepare(const wchar_t* version, bool xp, const std::wstring& target, Control mode,
               const std::set<int>& untick) {
    SetWineVersion(L"Vestrand.exe", version);
    xp ? MakeXpProfile() : MakeWin7Profile();
    if (changeProfile_) changeProfile_();
    mode_ = mode;
    target_ = target;
    int seed = 1;
    for (const RowValue& r : RowValues()) {
      RowState s;
      s.row = r.row;
      s.folder = Expand(ReadValue(r.key, r.name));
      if (s.folder.empty()) continue;
      if (r.row != 6) PopulateFolder(s.folder, seed++, RowCarriesDesktopIni(r.row));
      if (addFiles_) addFiles_(r.row, s.folder);
      s.ticked = untick.count(r.row) == 0;
      rows_.push_back(s);
    }
    for (RowState& s : rows_) {
      const RowValue& r = ValueOf(s.row);
      s.files = Manifest(s.folder);
      s.firstKeyValue = ReadValue(FirstKey(s.row), FirstName(r), &s.firstType);
      s.secondKeyValue = ReadValue(SecondKey(s.row), SecondName(r), &s.secondType);
    }
    // Where each ticked row must end up: an inner folder travels with a ticked outer one.
    for (RowState& s : rows_) {
      const std::wstring name = s.folder.substr(s.folder.find_last_of(L'\\') + 1);
      s.expectedNew = target_ + L"\\" + name;
      if (mode_ == Control::OptionDont) continue;
      for (const RowState& outer : rows_) {
        if (outer.row >= s.row || !outer.ticked || !IsInside(s.folder, outer.folder)) continue;
        s.expectedNew = outer.expectedNew + s.folder.substr(outer.folder.size());
        // An unticked folder moved along with its outer folder is followed by the registry.
        s.follows = !s.ticked && mode_ == Control::OptionMove;
        break;
      }
    }
    explorersBefore_ = ProcessesNamed(L"explorer.exe");
    LaunchAndChoose(target, mode, untick);
  }

  // Starts the program and makes the user's choices; every row starts ticked.
  void LaunchAndChoose(const std::wstring& target, Control mode, const std::set<int>& untick) {
    app_ = App::Launch();
    ASSERT_NE(app_->Main(), nullptr);
    for (int k : untick) Toggle(CheckOf(k), BST_UNCHECKED);
    Toggle(Control::CkLogoff, BST_UNCHECKED);  // a log-off would end the test session
    app_->PostClick(mode);
    ASSERT_TRUE(WaitUntil(5000, [&] { return app_->Check(mode) == BST_CHECKED; }));
    app_->SetText(Control::Text15, Narrow(target));
    // The shell as it runs when the user presses start; the run must end it.
    oldShells_.clear();
    for (DWORD pid : ProcessesNamed(L"explorer.exe")) {
      UniqueHandle shell(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid));
      if (shell) oldShells_.push_back(std::move(shell));
    }
  }

  void Toggle(Control c, int wanted) {
    if (app_->Check(c) != wanted) app_->PostClick(c);
    ASSERT_TRUE(WaitUntil(5000, [&] { return app_->Check(c) == wanted; })) << static_cast<int>(c);
  }

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
    const std::string record = ReadFile(target_ + L"\\" + found.cFileName);
    EXPECT_NE(record.find(recorded), std::string::npos) << record;
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
      if (s.ticked || s.follows) {
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
          (s.ticked || s.follows) && mode_ != Control::OptionDont ? Manifest(s.expectedNew) : std::vector<FileRecord>();
      const std::vector<FileRecord> old = Manifest(s.folder);
      for (const FileRecord& e : s.files) {
        const bool moved = Contains(now, e), stayed = Contains(old, e);
        EXPECT_TRUE(moved || stayed) << "lost: " << Narrow(e.relativePath);
        if (mode_ == Control::OptionMove && moved && stayed) {
          std::cout << "  in both places: " << Narrow(e.relativePath) << std::endl;
        }
        if (!(s.ticked || s.follows) || mode_ != Control::OptionMove) {
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

  // The run's undo file, imported as a double-click would, puts every value back: the
  // same data and the same type.
  void ExpectUndoneByTheRegistryFile() {
    // The user logs off after importing, as the README says: a shell still running would
    // write its own idea of the folders back over the imported values.
    for (DWORD pid : ProcessesNamed(L"explorer.exe")) EndProcess(pid);
    ASSERT_TRUE(WaitUntil(10000, [] { return ProcessesNamed(L"explorer.exe").empty(); }));
    WIN32_FIND_DATAW found{};
    UniqueFindHandle find(::FindFirstFileW((target_ + L"\\Vestrand-还原-*.reg").c_str(), &found));
    ASSERT_TRUE(find) << "no undo file in the target";
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring command = std::wstring(L"\"") + windows + L"\\regedit.exe\" /s \"" + target_ + L"\\" +
                           found.cFileName + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &started));
    const UniqueHandle process(started.hProcess), thread(started.hThread);
    ASSERT_EQ(::WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0) << "regedit did not end";
    for (const RowState& s : rows_) {
      const RowValue& r = ValueOf(s.row);
      DWORD type1 = 0, type2 = 0;
      EXPECT_EQ(ReadValue(FirstKey(s.row), FirstName(r), &type1), s.firstKeyValue) << s.row;
      EXPECT_EQ(ReadValue(SecondKey(s.row), SecondName(r), &type2), s.secondKeyValue) << s.row;
      EXPECT_EQ(type1, s.firstType) << s.row;
      EXPECT_EQ(type2, s.secondType) << s.row;
    }
  }

  // The shell that ran before the run was ended while the program still ran, and
  // afterwards exactly one shell runs: the one the program started.
  void ExpectShellRestarted() {
    FILETIME created{}, programEnd{}, kernel{}, user{};
    ::GetProcessTimes(app_->Process(), &created, &programEnd, &kernel, &user);
    EXPECT_FALSE(oldShells_.empty()) << "no shell ran before the run";
    for (const UniqueHandle& shell : oldShells_) {
      FILETIME shellEnd{};
      const bool ended = ::WaitForSingleObject(shell.get(), 0) == WAIT_OBJECT_0 &&
                         ::GetProcessTimes(shell.get(), &created, &shellEnd, &kernel, &user);
      EXPECT_TRUE(ended) << "the shell that ran before the run still runs";
      if (ended) {
        EXPECT_LE(::CompareFileTime(&shellEnd, &programEnd), 0) << "the shell was ended after the run";
      }
    }
    std::vector<ProcessEntry> shells;
    WaitUntil(10000, [&] {
      shells.clear();
      for (const ProcessEntry& p : Processes()) {
        if (::lstrcmpiW(p.exe.c_str(), L"explorer.exe") == 0) shells.push_back(p);
      }
      return !shells.empty();
    });
    std::string seen;
    for (const ProcessEntry& p : shells) {
      seen += " " + std::to_string(p.pid) + " (parent " + std::to_string(p.parent) + ")";
    }
    ASSERT_EQ(shells.size(), 1u) << "shells after the run:" << seen << "; program " << app_->ProcessId();
    // It stays, as the user's shell would: a later run in the scenario ends it in turn.
    EXPECT_EQ(shells.front().parent, app_->ProcessId()) << "explorer.exe was not started again";
  }

  // Nothing lost, and more: every ticked row arrived whole (discard: its desktop.ini
  // alone, the folder read-only where the system keeps that), a moved one left nothing.
  void ExpectRelocated() {
    ExpectNothingLost();
    EXPECT_TRUE(dialogs_.empty()) << "the run needed answers";
    for (const RowState& s : rows_) {
      if (!s.ticked && !s.follows) continue;
      SCOPED_TRACE("row " + std::to_string(s.row) + " " + Narrow(s.folder));
      const std::vector<FileRecord> now = Manifest(s.expectedNew);
      if (mode_ == Control::OptionDont) {
        std::vector<FileRecord> iniOnly;
        for (const FileRecord& e : s.files) {
          if (RowCarriesDesktopIni(s.row) && Lower(e.relativePath) == L"desktop.ini") iniOnly.push_back(e);
        }
        EXPECT_EQ(now, iniOnly);
        if (FoldersKeepReadOnly()) {  // Wine 8 ignores the read-only attribute on folders
          const DWORD attributes = ::GetFileAttributesW(s.expectedNew.c_str());
          EXPECT_EQ((attributes & FILE_ATTRIBUTE_READONLY) != 0, RowCarriesDesktopIni(s.row));
        }
        continue;
      }
      for (const FileRecord& e : s.files) EXPECT_TRUE(Contains(now, e)) << "not carried: " << Narrow(e.relativePath);
      EXPECT_FALSE(mode_ == Control::OptionMove && PathExists(s.folder)) << "moved folder still at its old place";
    }
  }

  // Runs after the standard profile is made, before any folder is read or filled.
  std::function<void()> changeProfile_;
  // Adds files to a row's folder after the standard ones, before the manifests are taken.
  std::function<void(int row, const std::wstring& folder)> addFiles_;

  bool attentionShown_ = false;
  std::vector<DialogSeen> dialogs_;
  std::map<int, std::map<std::wstring, DWORD>> attributes_;
  std::unique_ptr<App> app_;
  std::vector<RowState> rows_;
  std::vector<DWORD> explorersBefore_;
  std::vector<UniqueHandle> oldShells_;
  Control mode_ = Control::OptionMove;
  std::wstring target_;
};

// A refused target changes nothing: no registry value, no file, the shell keeps running,
// and the main window comes back for another try.
class RefusedTarget : public Relocation {
 protected:
  std::function<void()> pressStart_;  // how the user starts the run; a click when unset
  void ExpectRefused(const std::wstring& target, const wchar_t* version = L"win7", bool xp = false,
                     const std::string& mentioned = "") {
    ASSERT_NO_FATAL_FAILURE(Prepare(version, xp, target, Control::OptionMove, {}));
    const std::vector<DWORD> shells = ProcessesNamed(L"explorer.exe");
    const std::vector<std::wstring> driveD = Tree(L"D:\\");
    RECT placed{};
    ::GetWindowRect(app_->Main(), &placed);
    pressStart_ ? pressStart_() : app_->PostClick(Control::Command1);
    HWND box = WaitForMessageBox(app_->ProcessId(), L"友情提示:", 30000);
    ASSERT_NE(box, nullptr) << "no explanation shown";
    EXPECT_NE(MessageBoxText(box).find(mentioned.empty() ? Narrow(target) : mentioned), std::string::npos)
        << MessageBoxText(box);
    EXPECT_EQ(MessageBoxIcon(box), "error") << "flags 16 show the error icon";
    EXPECT_EQ(DescribeDialog(box).buttons.size(), 1u) << "an error box has OK alone";
    ASSERT_TRUE(CloseMessageBox(box));
    ASSERT_TRUE(WaitUntil(10000, [&] { return app_->MainEnabled(); }));
    EXPECT_TRUE(app_->Running());
    RECT now{};
    ::GetWindowRect(app_->Main(), &now);
    EXPECT_TRUE(::EqualRect(&now, &placed)) << "the main window did not come back to its place";
    for (DWORD pid : shells) {
      UniqueHandle p(::OpenProcess(SYNCHRONIZE, FALSE, pid));
      EXPECT_TRUE(p && ::WaitForSingleObject(p.get(), 0) == WAIT_TIMEOUT) << "the shell was ended";
    }
    for (const RowState& s : rows_) {
      const RowValue& r = ValueOf(s.row);
      EXPECT_EQ(ReadValue(FirstKey(s.row), FirstName(r)), s.firstKeyValue) << s.row;
      EXPECT_EQ(ReadValue(SecondKey(s.row), SecondName(r)), s.secondKeyValue) << s.row;
      if (s.row != 6) {
        EXPECT_EQ(Manifest(s.folder), s.files) << s.row;
      }
    }
    EXPECT_EQ(Tree(L"D:\\"), driveD) << "something was created on D:";
  }
};

}  // namespace vestrand::e2e

#endif
