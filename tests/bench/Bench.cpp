// The benchmark (scripts/bench.sh), beside the shipped 32-bit Vestrand.exe; prints "name value" lines.
// startup <rounds> | window [bare] | tree <folder> <files> <average KiB> <files a folder> |
// bare|run|checks <folder> <target> | parts <folder>: a shell copy of the folder into the target, a
// copy-mode run of it through Vestrand's code, the checks a run makes before it changes anything, or
// the parts of those checks' walk timed alone.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"
#include "relocation/RunChecks.h"
#include "relocation/RunPlan.h"
#include "relocation/RunTransfer.h"
#include "ui/MainWindow.h"

using namespace vestrand;

[[noreturn]] static void Fail(const std::string& what) {
  std::fprintf(stderr, "bench: %s\n", what.c_str());
  std::exit(1);
}

static double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// Times each program from its start until it first waits for input, its window shown, filled and
// painted, and reads its peak working set. The first program rotates; a first round warms the caches.
static void Startup(int rounds) {
  const std::wstring folder = L"\"" + Wide(Win32Host().ProgramFolder());
  std::pair<const char*, std::wstring> programs[] = {{"vestrand", folder + L"\\Vestrand.exe\""},
                                                     {"bare", folder + L"\\bench.exe\" window bare"},
                                                     {"minimal", folder + L"\\bench.exe\" window"}};
  for (int i = 0; i < (rounds + 1) * 3; ++i) {
    auto& [name, line] = programs[(i + i / 3) % 3];
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const double start = NowMs();
    ::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    const UniqueHandle program(process.hProcess), thread(process.hThread);
    if (::WaitForInputIdle(program.get(), 30000) != 0) Fail(std::string(name) + " did not start");
    const double ms = NowMs() - start;
    PROCESS_MEMORY_COUNTERS memory{};
    ::GetProcessMemoryInfo(program.get(), &memory, sizeof(memory));
    ::TerminateProcess(program.get(), 0);
    ::WaitForSingleObject(program.get(), 5000);
    if (i < 3) continue;
    std::printf("startup_%s_ms %.1f\npeak_%s_mb %.1f\n", name, ms, name,
                static_cast<double>(memory.PeakWorkingSetSize) / 1048576.0);
  }
}

// The yardsticks. Bare: Vestrand's own main window shown without start-up's work (no registry,
// no folder checks, no picture: this program carries none), its path boxes filled as Vestrand
// fills them from the registry. Otherwise one empty window, the least a program shows.
static void Window(bool bare) {
  MainWindow form;
  if (bare) {
    form.Create(::GetModuleHandleW(nullptr));
    form.Show();
    for (int k = 1; k <= kRowCount; ++k) form.SetText(TextOf(k), "C:\\Users\\Folder " + std::to_string(k));
  } else {
    ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, 400,
                      300, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  }
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);  // until ended
}

// Half the files half the average size and half one and a half times it, so that no two are alike.
// Written without flushing each: the script settles the disk before every turn.
static void MakeTree(const std::string& root, int files, std::size_t averageKiB, int perFolder) {
  std::string bytes(averageKiB * 1536, '\0');
  unsigned x = 12345;
  for (char& c : bytes) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 16);
  for (int k = 0; k < files; ++k) {
    const std::string name = root + "\\folder " + std::to_string(k / perFolder) + "\\file " + std::to_string(k);
    bytes.replace(0, name.size(), name);
    if (k % perFolder == 0) Win32FileSystem().MakeDirectory(name.substr(0, name.find_last_of('\\')));
    const DWORD size = static_cast<DWORD>(bytes.size() / (k % 2 ? 3 : 1));
    UniqueFileHandle file(::CreateFileW(Wide(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !::WriteFile(file.get(), bytes.data(), size, &written, nullptr) || written != size) {
      Fail("cannot write " + name);
    }
  }
}

// Windows' own services, except that the shell keeps running as for the bare copy, the
// pause after ending it is not waited, and the program does not end.
struct BenchHost final : Host {
  Win32Host real;
  RawOsVersion QueryOsVersion() override { return real.QueryOsVersion(); }
  unsigned GetDriveType(const std::string& root) override { return real.GetDriveType(root); }
  HostResult StartCommand(const std::string&, int) override { return HostResult::Success(); }
  void Sleep(unsigned) override {}
  void SysLogoff() override {}
  std::string ProgramFolder() override { return real.ProgramFolder(); }
  void SetEnvironmentVariable(const std::string&, const std::string&) override {}
  void BroadcastEnvironmentChange() override {}
  void EndProgram() override {}
  LocalTime Now() override { return real.Now(); }
  std::vector<SyncRoot> SyncRoots() override { return real.SyncRoots(); }
  std::string RealWindowsVersion() override { return real.RealWindowsVersion(); }
};

// The main window as the checks read it: the desktop row alone ticked, its box holding the folder,
// copy mode, the target filled in.
struct ChecksForm final : MainForm {
  std::string folder, target;
  std::string GetText(Control c) override { return c == Control::Text1 ? folder : c == kTargetRoot ? target : ""; }
  int GetValue(Control c) override { return c == Control::Check1 || c == Control::OptionCopy; }
  void SetText(Control, const std::string&) override {}
  void SetValue(Control, int) override {}
  void SetEnabled(Control, bool) override {}
  void SetVisible(Control, bool) override {}
  void SetCaption(Control, const std::string&) override {}
  void SetLocked(Control, bool) override {}
  void SetWindowCaption(const std::string&) override {}
  void Show() override {}
  TwipsPoint GetWindowPosition() override { return {}; }
  void MoveWindowTo(int, int) override {}
  void SetWindowEnabled(bool) override {}
};

// No window to show the wait cursor over; the checks never ask for anything else.
struct ChecksDialogs final : Dialogs {
  std::string BrowseFolder(const std::string&, const std::string&) override { Fail("the checks browsed"); }
  void MessageBox(const std::string& text, unsigned, const std::optional<std::string>&) override { Fail(text); }
  void CenterMsgBox(const std::string& text, unsigned, const std::string&) override { Fail(text); }
  void ShowWaitCursor(bool) override {}
};

// The checks exactly as a run makes them, planned from the window as a run plans; the tree must pass.
static void ChecksTurn(const std::string& folder, const std::string& target) {
  Win32Registry registry;
  Win32FileSystem files;
  Win32Host host;
  ChecksDialogs dialogs;
  Services services{registry, files, host, dialogs};
  ChecksForm form;
  form.folder = folder;
  form.target = target;
  const double start = NowMs();
  std::vector<RowPlan> plan = PlanRows(services, form, OsFamily::NT6, target, Mode::Copy);
  std::string existing;
  if (const auto refusal = RefusalBeforeRun(services, plan, target, target, Mode::Copy, existing)) Fail(*refusal);
  const double ms = NowMs() - start;
  if (plan.empty() || !plan[0].carriedAlone || plan[0].files.empty()) Fail("the checks did not walk the tree");
  std::printf("copy_checks_ms %.1f\n", ms);
}

// What the checks' walk spends its time on, each part alone over the same files: listing them, listing
// the target through links (the same tree stands in for it), the file system's name keys, and opening
// each file as the in-use test does.
static void ChecksParts(const std::string& folder) {
  Win32FileSystem files;
  double start = NowMs();
  const std::vector<FileEntry> listed = files.ListFiles(folder);
  std::printf("copy_list_ms %.1f\n", NowMs() - start);
  start = NowMs();
  files.ListFilesThroughLinks(folder);
  std::printf("copy_linked_ms %.1f\n", NowMs() - start);
  start = NowMs();
  std::size_t keys = 0;
  for (const FileEntry& f : listed) keys += files.NameKey(f.relativePath).size();
  std::printf("copy_namekey_ms %.1f\n", NowMs() - start);
  start = NowMs();
  for (const FileEntry& f : listed) keys += files.InUseByAnother(folder + f.relativePath, false);
  std::printf("copy_inuse_ms %.1f\n", NowMs() - start);
  if (keys == 0) Fail("no files");
}

static void CopyTurn(const std::string& turn, const std::string& folder, const std::string& target) {
  Win32FileSystem().MakeDirectory(target);
  MainWindow form;  // the run's: the program's own, never shown, set as a user would
  form.Create(::GetModuleHandleW(nullptr));
  for (int k = 1; k <= kRowCount; ++k) form.SetValue(CheckOf(k), k == 2);  // the documents row
  form.SetValue(Control::OptionCopy, 1);
  form.SetText(Control::Text2, folder);
  form.SetText(kTargetRoot, target);
  const double start = NowMs();
  if (turn == "run") {
    Win32Registry registry;
    Win32FileSystem files;
    BenchHost host;
    Win32Dialogs dialogs;  // a message box would hold the run until the harness ends it: not the run measured
    Services services{registry, files, host, dialogs};
    RunTransferNT6(services, form);
  } else {
    Win32FileSystem().ShellCopyFiles(folder, target);  // one SHFileOperationW call, Vestrand's flags
  }
  std::printf("copy_%s_ms %.1f\n", turn.c_str(), NowMs() - start);
}

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> a;
  for (int k = 1; k < argc; ++k) a.push_back(Narrow(argv[k]));
  a.resize(5);
  if (a[0] == "startup") Startup(std::stoi(a[1]));
  else if (a[0] == "window") Window(a[1] == "bare");
  else if (a[0] == "tree") MakeTree(a[1], std::stoi(a[2]), std::stoul(a[3]), std::stoi(a[4]));
  else if (a[0] == "bare" || a[0] == "run") CopyTurn(a[0], a[1], a[2]);
  else if (a[0] == "checks") ChecksTurn(a[1], a[2]);
  else if (a[0] == "parts") ChecksParts(a[1]);
  else Fail("see the top of tests/bench/Bench.cpp");
  return 0;
}
