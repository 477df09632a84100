// Drives the real Vestrand.exe from outside, the way an assistive tool would: it starts
// the program under a chosen Windows version, finds its windows and reads and operates
// their controls through window messages only.
#ifndef VESTRAND_TESTS_E2E_DRIVER_H
#define VESTRAND_TESTS_E2E_DRIVER_H

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Win32Handles.h"
#include "relocation/FormFields.h"
#include "support/WinTestSupport.h"

namespace vestrand::e2e {

using namespace vestrand::tests;

// The folder holding the driver, and the program under test: the one the harness names
// in VESTRAND_PROGRAM, else the one beside the driver.
std::wstring DriverFolder();
std::wstring ProgramPath();

// Wine reports this version ("winxp", "win2003", "vista", "win7", "win8", "win81",
// "win10", "nt40") to the named program from its next start.
void SetWineVersion(const std::wstring& exeName, const std::wstring& version);

// ---- registry and profile set-up ---------------------------------------------------------
extern const wchar_t* const kUserShellFolders;
extern const wchar_t* const kShellFolders;
extern const wchar_t* const kEnvironment;

// The fourteen rows' value names and the key each is read from first.
struct RowValue {
  int row;
  const wchar_t* key;
  const wchar_t* name;
};
const std::vector<RowValue>& RowValues();

// Points row `row` (both Explorer keys, or TEMP) at `unexpanded` and creates the folder.
void SetRowFolder(int row, const std::wstring& unexpanded);

// A Windows 7 profile: every row's value in User Shell Folders (and Shell Folders,
// expanded) points at an existing folder under %USERPROFILE%.
void MakeWin7Profile();
// A Windows XP profile: "Documents and Settings"-style folders, music, pictures and
// videos inside My Documents, no known-folder values.
void MakeXpProfile();

// ---- files -------------------------------------------------------------------------------
// Whether this system keeps FILE_ATTRIBUTE_READONLY on a folder (Wine 8 ignores it).
bool FoldersKeepReadOnly();

// Fills a folder with the kinds of names and files a user has: nested folders, Chinese
// names and names with spaces, a desktop.ini, a read-only file and a hidden one.
// `seed` varies the content so that every folder's files differ.
void PopulateFolder(const std::wstring& folder, int seed, bool withDesktopIni = true);

// ---- processes and message boxes ---------------------------------------------------------
struct ProcessEntry {
  DWORD pid;
  DWORD parent;
  std::wstring exe;  // file name, as the system reports it
};
std::vector<ProcessEntry> Processes();
std::vector<DWORD> ProcessesNamed(const std::wstring& exe);
// Ends a process this test caused to be started.
void EndProcess(DWORD pid);

// A message box (#32770) of process `pid`, by its title.
HWND WaitForMessageBox(DWORD pid, const std::wstring& title, DWORD waitMs);
std::string MessageBoxText(HWND box);
// Presses OK and waits until the box is gone.
bool CloseMessageBox(HWND box);

// What a dialog window of another process shows: its title, its texts and its buttons.
struct DialogSeen {
  std::string title;
  std::string text;  // the static texts, joined by " | "
  std::vector<std::string> buttons;  // push-button captions, without '&'
  std::string answer;  // the caption of the button pressed, when one was
};
DialogSeen DescribeDialog(HWND dialog);
// Answers a dialog as a user would: "Skip" ("跳过") when it is offered, otherwise the
// default button, otherwise Cancel. Returns what was seen and pressed.
DialogSeen AnswerDialog(HWND dialog);
// Which system icon a message box shows: "error", "information", "warning", "question",
// "none", or "unknown" when its picture cannot be compared from this process.
std::string MessageBoxIcon(HWND box);

// ---- the running program -----------------------------------------------------------------
class App {
 public:
  // Starts the program (its Windows version already chosen) and waits up to `waitMs`
  // for its main window. Check Main() for null when no window is expected.
  static std::unique_ptr<App> Launch(DWORD waitMs = 20000, const std::wstring& exe = ProgramPath());
  ~App();  // ends the program if it is still running: only this process
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  DWORD ProcessId() const { return pid_; }
  HANDLE Process() const { return process_.get(); }
  HWND Main() const { return main_; }
  HWND WaitForMainWindow(DWORD waitMs);
  // A top-level window of the program with this class and, if given, caption.
  HWND FindTopLevel(const std::wstring& className, const std::wstring& caption = L"") const;
  HWND WaitForTopLevel(const std::wstring& className, const std::wstring& caption, DWORD waitMs) const;
  bool WaitForExit(DWORD waitMs);
  bool Running() const;
  DWORD ExitCode() const;

  HWND Handle(Control c) const;
  std::string Caption() const;
  std::string Text(Control c) const;
  int Check(Control c) const;
  bool Enabled(Control c) const;
  bool Visible(Control c) const;
  bool MainEnabled() const;
  RECT Rect(Control c) const;  // relative to the main window's client area
  RECT MainClientRect() const;
  void SetText(Control c, const std::string& text) const;
  void PostClick(Control c) const;

 private:
  App() = default;
  UniqueHandle process_;
  DWORD pid_ = 0;
  HWND main_ = nullptr;
};

}  // namespace vestrand::e2e

#endif
