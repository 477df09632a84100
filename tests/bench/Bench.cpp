// The benchmark (scripts/bench.sh), beside the shipped 32-bit Vestrand.exe; prints "name value" lines.
// startup <rounds> | window [bare] | tree <folder> <files> <average KiB> <files a folder> |
// bare|run|checks <folder> <target>: a shell copy into the target, a copy-mode run, or the run's checks alone.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"
#include "relocation/FolderCatalogue.h"
#include "relocation/RunChecks.h"
#include "relocation/RunPlan.h"
#include "relocation/RunTransfer.h"
#include "support/WinTestSupport.h"
#include "ui/MainWindow.h"

using namespace std::chrono;
using namespace vestrand;

[[noreturn]] static void Fail(const std::string& what) {
  std::fprintf(stderr, "bench: %s\n", what.c_str());
  std::exit(1);
}

static double NowMs() { return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count(); }

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

// The yardsticks. Bare: Vestrand's own main window without start-up's work (no registry, no folder checks, no
// picture: this program carries none), its path boxes filled as from the registry. Else one empty window.
static void Window(bool bare) {
  MainWindow form;
  if (bare) {
    form.Create(::GetModuleHandleW(nullptr));
    form.Show();
    for (int k = 1; k <= kRowCount; ++k) form.SetText(TextOf(k), "C:\\Users\\Folder " + std::to_string(k));
  } else {
    ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, 400, 300,
                      nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  }
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);  // until ended
}

// Half the files half the average size, half one and a half times it, no two alike.
static void MakeTree(const std::string& root, int files, std::size_t averageKiB, int perFolder) {
  std::string bytes(averageKiB * 1536, '\0');
  unsigned x = 12345;
  for (char& c : bytes) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 16);
  for (int k = 0; k < files; ++k) {
    const std::string name = root + "\\folder " + std::to_string(k / perFolder) + "\\file " + std::to_string(k);
    bytes.replace(0, name.size(), name);
    if (!tests::WriteFile(Wide(name), bytes.substr(0, bytes.size() / (k % 2 ? 3 : 1)))) Fail("cannot write " + name);
  }
}

// Windows' own services, except that the shell keeps running as for the bare copy, the
// pause after ending it is not waited, and the program does not end.
struct BenchHost final : Win32Host {
  WinResult StartCommand(const std::string&, int) override { return WinResult::Success(); }
  void Sleep(unsigned) override {}
  void SysLogoff() override {}
  void SetEnvironmentVariable(const std::string&, const std::string&) override {}
  void BroadcastEnvironmentChange() override {}
  void EndProgram() override {}
  WinResult GuardShell() override { return WinResult::Success(); }  // the shell is never ended here
  void ShellRestored() override {}
};

static void CopyTurn(const std::string& turn, const std::string& folder, const std::string& target) {
  Win32FileSystem().MakeDirectory(target);
  MainWindow form;  // the run's: the program's own, never shown, set as a user would
  form.Create(::GetModuleHandleW(nullptr));
  for (const FolderRow& row : FolderCatalogue()) {  // the documents row alone, holding the tree
    const bool documents = std::string_view(row.valueName) == "Personal";
    form.SetValue(CheckOf(row.row), documents ? 1 : 0);
    if (documents) form.SetText(TextOf(row.row), folder);
  }
  form.SetValue(Control::OptionCopy, 1);
  form.SetText(kTargetRoot, target);
  Win32Registry registry;
  Win32FileSystem files;
  BenchHost host;
  Win32Dialogs dialogs;  // a message box would hold the run until the harness ends it: not the run measured
  Services services{registry, files, host, dialogs};
  const double start = NowMs();
  if (turn == "run") {
    RunTransferNT6(services, form);
  } else if (turn == "checks") {  // exactly as a run plans and checks, before it changes anything
    std::vector<RowPlan> plan = PlanRows(services, form, OsFamily::NT6, target, Mode::Copy);
    std::string existing;
    if (const auto refusal = RefusalBeforeRun(services, plan, target, target, Mode::Copy, existing)) Fail(*refusal);
    const bool walked = std::any_of(plan.begin(), plan.end(), [](const RowPlan& p) { return !p.files.empty(); });
    if (!walked) Fail("the checks did not walk the tree");
  } else {
    files.ShellCopyFiles(folder, target);  // one SHFileOperationW call, Vestrand's flags
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
  else if (a[0] == "bare" || a[0] == "run" || a[0] == "checks") CopyTurn(a[0], a[1], a[2]);
  else Fail("see the top of tests/bench/Bench.cpp");
  return 0;
}
