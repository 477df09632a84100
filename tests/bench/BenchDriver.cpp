// Times Vestrand against its yardsticks under one Wine prefix, the two programs of each
// pair taking turns so that whatever the machine does meanwhile weighs on both alike:
//
//  - start-up: from CreateProcess until Vestrand's main window is visible with its first
//    path box filled, against bench_minimal_window's empty window becoming visible;
//    Vestrand's peak working set with its window open;
//  - relocation: a move-mode run of the documents row onto drive D:, driven through the
//    window, against one bare shell move of the same folder (bench_shell_move). The tree
//    is generated beforehand in the documents folder and moved back after every turn.
//
// Prints one "name=value" line per figure and per list of samples; scripts/bench.sh
// turns them into the report.
//
//   bench_driver [--startup-rounds N] [--move-rounds N]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "e2e/driver/Driver.h"
#include "platform/Win32Text.h"
#include "ui/NT6Form.h"

namespace vestrand::e2e {
namespace {

const wchar_t kMinimalClass[] = L"VestrandBenchMinimalWindow";
const wchar_t kMoveTarget[] = L"D:\\BenchTarget";
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kRunTimeoutMs = 300000;
// The tree the relocation figure is measured on must be at least this large.
constexpr unsigned long long kMinTreeFiles = 5000;
constexpr unsigned long long kMinTreeBytes = 500ull * 1024 * 1024;
// The run's fixed wait for the shell to go away, left out of the comparison.
constexpr double kRunPauseMs = 1000.0;

// A failure that makes every figure after it meaningless.
[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "bench_driver: %s\n", what.c_str());
  std::fflush(stderr);
  std::exit(1);
}

double NowMs() {
  static const double frequency = [] {
    LARGE_INTEGER f{};
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER now{};
  ::QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / frequency;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

std::string Format(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), "%.1f", value);
  return buffer;
}

std::string FormatList(const std::vector<double>& values) {
  std::string out;
  for (double v : values) out += (out.empty() ? "" : ",") + Format(v);
  return out;
}

void Report(const std::string& name, const std::string& value) {
  std::printf("%s=%s\n", name.c_str(), value.c_str());
  std::fflush(stdout);
}

// ---- start-up ----------------------------------------------------------------------------

HWND VisibleTopLevel(DWORD pid, const wchar_t* className) {
  struct Search {
    DWORD pid;
    const wchar_t* className;
    HWND found;
  } search{pid, className, nullptr};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lParam) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(lParam);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        if (owner != s->pid || !::IsWindowVisible(hwnd)) return TRUE;
        wchar_t cls[256] = {};
        ::GetClassNameW(hwnd, cls, 256);
        if (::lstrcmpW(cls, s->className) != 0) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Vestrand's window counts as there once it is visible and its first path box holds
// the path read from the registry.
HWND VestrandReady(DWORD pid) {
  HWND main = VisibleTopLevel(pid, kMainWindowClass);
  if (main == nullptr) return nullptr;
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(::GetDlgItem(main, ControlId(Control::Text1)), WM_GETTEXTLENGTH, 0, 0,
                             SMTO_ABORTIFHUNG, 5000, &length) ||
      length == 0) {
    return nullptr;
  }
  return main;
}

HWND MinimalReady(DWORD pid) { return VisibleTopLevel(pid, kMinimalClass); }

struct Started {
  UniqueHandle process;
  DWORD pid = 0;
  HWND window = nullptr;
  double ms = 0.0;
  double visibleMs = 0.0;  // when a visible window of `className` first appeared
};

Started StartAndWait(const std::wstring& exe, const wchar_t* className,
                     const std::function<HWND(DWORD)>& ready) {
  Started s;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring commandLine = L"\"" + exe + L"\"";
  const double start = NowMs();
  if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
    Fail("cannot start " + Narrow(exe));
  }
  s.process.reset(pi.hProcess);
  UniqueHandle thread(pi.hThread);
  s.pid = pi.dwProcessId;
  for (;;) {
    if (s.visibleMs == 0.0 && VisibleTopLevel(s.pid, className) != nullptr) s.visibleMs = NowMs() - start;
    s.window = ready(s.pid);
    if (s.window != nullptr) break;
    if (::WaitForSingleObject(s.process.get(), 0) == WAIT_OBJECT_0) {
      Fail(Narrow(exe) + " ended before its window was ready");
    }
    if (NowMs() - start > kStartTimeoutMs) Fail(Narrow(exe) + " showed no window in time");
    ::Sleep(1);
  }
  s.ms = NowMs() - start;
  if (s.visibleMs == 0.0) s.visibleMs = s.ms;
  return s;
}

void Close(Started& s) {
  ::PostMessageW(s.window, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(s.process.get(), 5000) != WAIT_OBJECT_0) {
    ::TerminateProcess(s.process.get(), 1);
    ::WaitForSingleObject(s.process.get(), 5000);
  }
}

// The largest working set the process has had so far, once its window has handled
// everything start-up queued and has painted.
SIZE_T PeakWorkingSet(const Started& s) {
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(s.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  ::Sleep(300);
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (!::GetProcessMemoryInfo(s.process.get(), &counters, sizeof(counters))) return 0;
  return counters.PeakWorkingSetSize;
}

void BenchStartup(int rounds) {
  SetWineVersion(L"Vestrand.exe", L"win7");
  MakeWin7Profile();
  const std::wstring vestrand = ProgramPath();
  const std::wstring minimal = DriverFolder() + L"\\bench_minimal_window.exe";
  std::vector<double> vestrandMs, vestrandVisibleMs, minimalMs, vestrandPeak, minimalPeak;
  // Round 0 warms the caches and is not counted; the order alternates.
  for (int round = 0; round <= rounds; ++round) {
    for (int turn = 0; turn < 2; ++turn) {
      const bool isVestrand = (round + turn) % 2 == 0;
      Started s = isVestrand ? StartAndWait(vestrand, kMainWindowClass, VestrandReady)
                             : StartAndWait(minimal, kMinimalClass, MinimalReady);
      const double peakMb = static_cast<double>(PeakWorkingSet(s)) / (1024.0 * 1024.0);
      Close(s);
      if (round == 0) continue;
      (isVestrand ? vestrandMs : minimalMs).push_back(s.ms);
      if (isVestrand) vestrandVisibleMs.push_back(s.visibleMs);
      (isVestrand ? vestrandPeak : minimalPeak).push_back(peakMb);
    }
  }
  const double v = Median(vestrandMs), m = Median(minimalMs);
  Report("startup_rounds", std::to_string(rounds));
  Report("startup_vestrand_samples_ms", FormatList(vestrandMs));
  Report("startup_minimal_samples_ms", FormatList(minimalMs));
  Report("startup_vestrand_median_ms", Format(v));
  Report("startup_minimal_median_ms", Format(m));
  // The fastest start of each shows what is left when nothing else gets in the way.
  Report("startup_vestrand_min_ms", Format(*std::min_element(vestrandMs.begin(), vestrandMs.end())));
  Report("startup_minimal_min_ms", Format(*std::min_element(minimalMs.begin(), minimalMs.end())));
  Report("startup_vestrand_visible_median_ms", Format(Median(vestrandVisibleMs)));
  char ratio[32];
  std::snprintf(ratio, sizeof(ratio), "%.2f", m > 0 ? v / m : 0.0);
  Report("startup_ratio", ratio);
  Report("peak_ws_vestrand_median_mb", Format(Median(vestrandPeak)));
  Report("peak_ws_vestrand_max_mb", Format(*std::max_element(vestrandPeak.begin(), vestrandPeak.end())));
  Report("peak_ws_minimal_median_mb", Format(Median(minimalPeak)));
}

// ---- relocation --------------------------------------------------------------------------

struct TreeSize {
  unsigned long long files = 0;
  unsigned long long bytes = 0;
  bool operator==(const TreeSize& o) const { return files == o.files && bytes == o.bytes; }
};

void Measure(const std::wstring& folder, TreeSize& size) {
  WIN32_FIND_DATAW fd;
  UniqueFindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &fd));
  if (!find) return;
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      Measure(folder + L"\\" + name, size);
    } else {
      ++size.files;
      size.bytes += (static_cast<unsigned long long>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    }
  } while (::FindNextFileW(find.get(), &fd));
}

TreeSize SizeOf(const std::wstring& folder) {
  TreeSize size;
  Measure(folder, size);
  return size;
}

// Checks that the whole tree arrived and that nothing is left behind, then puts it back
// for the next turn. A rename: both drives are on one Linux file system.
void ExpectMovedAndPutBack(const std::wstring& source, const std::wstring& moved, const TreeSize& tree,
                           const char* who) {
  const TreeSize arrived = SizeOf(moved);
  if (!(arrived == tree) || PathExists(source)) {
    Fail(std::string(who) + " did not move the whole tree: " + std::to_string(arrived.files) +
         " files, " + std::to_string(arrived.bytes) + " bytes arrived");
  }
  if (!::MoveFileExW(moved.c_str(), source.c_str(), 0)) {
    Fail("cannot move the tree back (error " + std::to_string(::GetLastError()) + ")");
  }
}

// Runs bench_shell_move and returns the time the shell call took, as the program reports
// it; `outerMs` receives the time from CreateProcess to its end.
double BareShellMove(const std::wstring& source, const std::wstring& into, double& outerMs) {
  SECURITY_ATTRIBUTES sa{};
  sa.nLength = sizeof(sa);
  sa.bInheritHandle = TRUE;
  UniqueHandle readEnd, writeEnd;
  if (!::CreatePipe(readEnd.put(), writeEnd.put(), &sa, 0)) Fail("cannot create a pipe");
  ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd.get();
  si.hStdError = writeEnd.get();
  si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  const std::wstring exe = DriverFolder() + L"\\bench_shell_move.exe";
  std::wstring commandLine = L"\"" + exe + L"\" \"" + source + L"\" \"" + into + L"\"";
  const double start = NowMs();
  if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                        &pi)) {
    Fail("cannot start bench_shell_move.exe");
  }
  UniqueHandle process(pi.hProcess), thread(pi.hThread);
  writeEnd.reset();
  std::string output;
  char buffer[512];
  DWORD got = 0;
  while (::ReadFile(readEnd.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    output.append(buffer, got);
  }
  ::WaitForSingleObject(process.get(), INFINITE);
  outerMs = NowMs() - start;
  DWORD code = 1;
  ::GetExitCodeProcess(process.get(), &code);
  const std::string key = "shell_move_ms=";
  const std::size_t at = output.find(key);
  if (code != 0 || at == std::string::npos) Fail("the bare shell move failed: " + output);
  return std::strtod(output.c_str() + at + key.size(), nullptr);
}

void Toggle(const App& app, Control c, int wanted) {
  if (app.Check(c) != wanted) app.PostClick(c);
  if (!WaitUntil(5000, [&] { return app.Check(c) == wanted; })) {
    Fail("control " + std::to_string(static_cast<int>(c)) + " did not take its state");
  }
}

// A move-mode run of the documents row alone, chosen through the window as a user
// would; returns the time from the click on the start button to the program's end, and
// in `arrivedMs` when the folder appeared on the target drive.
double VestrandRun(const std::wstring& target, const std::wstring& moved, double& arrivedMs) {
  SetWineVersion(L"Vestrand.exe", L"win7");
  MakeWin7Profile();
  std::unique_ptr<App> app = App::Launch(kStartTimeoutMs);
  if (app->Main() == nullptr) Fail("Vestrand showed no window");
  for (int row = 1; row <= kRowCount; ++row) {
    if (row != 2) Toggle(*app, CheckOf(row), BST_UNCHECKED);
  }
  Toggle(*app, Control::Check2, BST_CHECKED);
  Toggle(*app, Control::CkLogoff, BST_UNCHECKED);  // a log-off would end the session
  Toggle(*app, Control::OptionMove, BST_CHECKED);
  app->SetText(Control::Text15, Narrow(target));
  if (app->Text(Control::Text15) != Narrow(target)) Fail("the target box did not take the target");

  const double start = NowMs();
  app->PostClick(Control::Command1);
  arrivedMs = 0.0;
  while (!app->WaitForExit(1)) {
    if (arrivedMs == 0.0 && PathExists(moved)) arrivedMs = NowMs() - start;
    // A message or an error window of the shell means the run is not the one measured.
    if (HWND box = VisibleTopLevel(app->ProcessId(), L"#32770")) {
      Fail("Vestrand stopped at a window: " + WindowText(box) + ": " + MessageBoxText(box));
    }
    if (NowMs() - start > kRunTimeoutMs) Fail("the run did not end the program");
  }
  const double ms = NowMs() - start;
  if (arrivedMs == 0.0) arrivedMs = ms;
  if (app->ExitCode() != 0) Fail("Vestrand ended with code " + std::to_string(app->ExitCode()));
  // The run starts the shell again; this one belongs to the benchmark.
  for (const ProcessEntry& p : Processes()) {
    if (::lstrcmpiW(p.exe.c_str(), L"explorer.exe") == 0 && p.parent == app->ProcessId()) {
      EndProcess(p.pid);
    }
  }
  return ms;
}

void BenchRelocation(int rounds) {
  MakeWin7Profile();
  const std::wstring source = Expand(ReadValue(kUserShellFolders, L"Personal"));
  const std::wstring moved = std::wstring(kMoveTarget) + L"\\" + source.substr(source.find_last_of(L'\\') + 1);
  const TreeSize tree = SizeOf(source);
  if (tree.files < kMinTreeFiles || tree.bytes < kMinTreeBytes) {
    Fail("the documents folder holds " + std::to_string(tree.files) + " files, " +
         std::to_string(tree.bytes) + " bytes: generate the benchmark tree first");
  }
  if (PathExists(moved)) Fail(Narrow(moved) + " is in the way");
  if (!CreateDirectories(kMoveTarget)) Fail("drive D: is not writable");
  Report("tree_files", std::to_string(tree.files));
  Report("tree_bytes", std::to_string(tree.bytes));
  Report("tree_source", Narrow(source));
  Report("tree_target", Narrow(kMoveTarget));

  std::vector<double> runMs, arrivedMs, bareMs, bareOuterMs;
  for (int round = 0; round < rounds; ++round) {
    // Alternates which goes first: bare, run | run, bare | bare, run ...
    for (int turn = 0; turn < 2; ++turn) {
      if ((round + turn) % 2 == 0) {
        double outer = 0.0;
        bareMs.push_back(BareShellMove(source, kMoveTarget, outer));
        bareOuterMs.push_back(outer);
        ExpectMovedAndPutBack(source, moved, tree, "the bare shell move");
      } else {
        double arrived = 0.0;
        runMs.push_back(VestrandRun(kMoveTarget, moved, arrived));
        arrivedMs.push_back(arrived);
        const std::wstring written = ReadValue(kUserShellFolders, L"Personal");
        if (::lstrcmpiW(written.c_str(), moved.c_str()) != 0) {
          Fail("the run wrote " + Narrow(written) + " as the documents folder");
        }
        ExpectMovedAndPutBack(source, moved, tree, "the run");
        MakeWin7Profile();
      }
    }
  }
  std::vector<double> runLessPause;
  for (double ms : runMs) runLessPause.push_back(ms - kRunPauseMs);
  const double run = Median(runLessPause), bare = Median(bareMs);
  Report("move_rounds", std::to_string(rounds));
  Report("move_run_samples_ms", FormatList(runMs));
  Report("move_bare_samples_ms", FormatList(bareMs));
  Report("move_bare_process_samples_ms", FormatList(bareOuterMs));
  Report("move_run_median_ms", Format(Median(runMs)));
  Report("move_run_less_pause_median_ms", Format(run));
  Report("move_run_arrived_median_ms", Format(Median(arrivedMs)));
  Report("move_bare_median_ms", Format(bare));
  Report("move_bare_process_median_ms", Format(Median(bareOuterMs)));
  char ratio[32];
  std::snprintf(ratio, sizeof(ratio), "%.2f", bare > 0 ? run / bare : 0.0);
  Report("move_ratio", ratio);
}

int Rounds(int argc, wchar_t** argv, const wchar_t* option, int fallback) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (::lstrcmpW(argv[i], option) == 0) return std::max(0, _wtoi(argv[i + 1]));
  }
  return fallback;
}

}  // namespace
}  // namespace vestrand::e2e

int wmain(int argc, wchar_t** argv) {
  using namespace vestrand::e2e;
  const int startupRounds = Rounds(argc, argv, L"--startup-rounds", 31);
  const int moveRounds = Rounds(argc, argv, L"--move-rounds", 7);
  if (startupRounds > 0) BenchStartup(startupRounds);
  if (moveRounds > 0) BenchRelocation(moveRounds);
  return 0;
}
