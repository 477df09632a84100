// The benchmark (scripts/bench.sh); prints "name value" lines. tree <folder> <files> <average KiB> <files a folder>
// | bare|run|checks <folder> <target>: a shell copy into the target, a copy-mode run, or the run's checks alone.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

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
  std::vector<std::string> a(5);
  for (std::size_t k = 1; k < static_cast<std::size_t>(argc) && k <= a.size(); ++k) a[k - 1] = Narrow(argv[k]);
  if (a[0] == "tree") MakeTree(a[1], std::stoi(a[2]), std::stoul(a[3]), std::stoi(a[4]));
  else if (a[0] == "bare" || a[0] == "run" || a[0] == "checks") CopyTurn(a[0], a[1], a[2]);
  else Fail("see the top of tests/bench/Bench.cpp");
  return 0;
}
