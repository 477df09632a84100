// Times the shipped Vestrand against its yardsticks under one Wine prefix, the programs
// of each comparison taking turns so that whatever the machine does meanwhile weighs on
// them alike. The yardsticks lie beside the program measured (VESTRAND_PROGRAM).
//
//  - start-up: from CreateProcess until Vestrand's main window is visible with its first
//    path box filled, against bench_minimal_window's empty window and against
//    bench_bare_window (Vestrand's window made bare) reaching the same point; the peak
//    working set of each with its window open;
//  - relocation: a copy-mode run of the documents row onto drive D:, driven through the
//    window, against one bare shell copy of the same folder (bench_shell_copy), one turn
//    per call. The tree is generated beforehand in the documents folder; each copy is
//    checked and removed.
//
// Prints one "name=value" line per figure and per list of samples; scripts/bench.sh
// turns them into the report.
//
//   bench_driver --startup-rounds N
//   bench_driver --copy-turn bare|run --label NAME
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/driver/Driver.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"
#include "ui/MainWindow.h"

namespace vestrand::e2e {
namespace {

const wchar_t kMinimalClass[] = L"VestrandBenchMinimalWindow";
const wchar_t kBareClass[] = L"VestrandBenchBareWindow";
const wchar_t kCopyTarget[] = L"D:\\BenchTarget";
constexpr DWORD kStartTimeoutMs = 30000;
constexpr double kRunTimeoutMs = 1800000.0;

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

std::string Format(double value, const char* format = "%.1f") {
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), format, value);
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

// The yardsticks lie beside the program measured.
std::wstring Beside(const std::wstring& program, const wchar_t* name) {
  return program.substr(0, program.find_last_of(L'\\') + 1) + name;
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

// A window counts as there once it is visible and its first path box holds a path (for
// Vestrand, the one read from the registry).
HWND FilledWindow(DWORD pid, const wchar_t* className) {
  HWND main = VisibleTopLevel(pid, className);
  if (main == nullptr) return nullptr;
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(::GetDlgItem(main, ControlId(Control::Text1)), WM_GETTEXTLENGTH, 0, 0,
                             SMTO_ABORTIFHUNG, 5000, &length) ||
      length == 0) {
    return nullptr;
  }
  return main;
}


struct Started {
  UniqueHandle process;
  DWORD pid = 0;
  HWND window = nullptr;
  double ms = 0.0;
  double visibleMs = 0.0;  // when a visible window of `className` first appeared
};

// `filled`: wait for the first path box as well, not only for the visible window.
Started StartAndWait(const std::wstring& exe, const wchar_t* className, bool filled) {
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
    s.window = filled ? FilledWindow(s.pid, className) : VisibleTopLevel(s.pid, className);
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

struct Yardstick {
  const char* name;
  std::wstring exe;
  const wchar_t* className;
  bool filled;
  std::vector<double> ms, peakMb;
};

void BenchStartup(int rounds) {
  SetWineVersion(L"Vestrand.exe", L"win7");
  MakeWin7Profile();
  const std::wstring vestrand = ProgramPath();
  std::vector<Yardstick> programs = {
      {"vestrand", vestrand, kMainWindowClass, true, {}, {}},
      {"bare", Beside(vestrand, L"bench_bare_window.exe"), kBareClass, true, {}, {}},
      {"minimal", Beside(vestrand, L"bench_minimal_window.exe"), kMinimalClass, false, {}, {}},
  };
  const std::size_t n = programs.size();
  // Round 0 warms the caches and is not counted; which program starts a round rotates.
  for (int round = 0; round <= rounds; ++round) {
    for (std::size_t turn = 0; turn < n; ++turn) {
      Yardstick& p = programs[(static_cast<std::size_t>(round) + turn) % n];
      Started s = StartAndWait(p.exe, p.className, p.filled);
      const double peakMb = static_cast<double>(PeakWorkingSet(s)) / (1024.0 * 1024.0);
      Close(s);
      if (round == 0) continue;
      p.ms.push_back(s.ms);
      p.peakMb.push_back(peakMb);
    }
  }
  Report("startup_rounds", std::to_string(rounds));
  for (const Yardstick& p : programs) {
    const std::string name = p.name;
    Report("startup_" + name + "_samples_ms", FormatList(p.ms));
    Report("startup_" + name + "_median_ms", Format(Median(p.ms)));
    // The fastest start shows what is left when nothing else on the machine gets in the way.
    Report("startup_" + name + "_min_ms", Format(*std::min_element(p.ms.begin(), p.ms.end())));
    Report("peak_ws_" + name + "_median_mb", Format(Median(p.peakMb)));
    Report("peak_ws_" + name + "_max_mb", Format(*std::max_element(p.peakMb.begin(), p.peakMb.end())));
  }
  const double v = Median(programs[0].ms), bare = Median(programs[1].ms), minimal = Median(programs[2].ms);
  Report("startup_ratio_minimal", Format(minimal > 0 ? v / minimal : 0.0, "%.2f"));
  Report("startup_ratio_bare", Format(bare > 0 ? v / bare : 0.0, "%.2f"));
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

// Checks that the whole tree arrived and the source is untouched, then removes the copy.
void ExpectCopiedAndRemove(const std::wstring& source, const std::wstring& copy, const TreeSize& tree,
                           const char* who) {
  const TreeSize arrived = SizeOf(copy);
  if (!(arrived == tree) || !(SizeOf(source) == tree)) {
    Fail(std::string(who) + " did not copy the whole tree: " + std::to_string(arrived.files) +
         " files, " + std::to_string(arrived.bytes) + " bytes arrived");
  }
  if (!RemoveTree(copy)) Fail("cannot remove " + Narrow(copy));
}

// Runs bench_shell_copy and returns the time the shell call took, as the program reports it.
double BareShellCopy(const std::wstring& exe, const std::wstring& source, const std::wstring& into) {
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
  std::wstring commandLine = L"\"" + exe + L"\" \"" + source + L"\" \"" + into + L"\"";
  if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                        &pi)) {
    Fail("cannot start " + Narrow(exe));
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
  DWORD code = 1;
  ::GetExitCodeProcess(process.get(), &code);
  const std::string key = "shell_copy_ms=";
  const std::size_t at = output.find(key);
  if (code != 0 || at == std::string::npos) Fail("the bare shell copy failed: " + output);
  return std::strtod(output.c_str() + at + key.size(), nullptr);
}

void Toggle(const App& app, Control c, int wanted) {
  if (app.Check(c) != wanted) app.PostClick(c);
  if (!WaitUntil(5000, [&] { return app.Check(c) == wanted; })) {
    Fail("control " + std::to_string(static_cast<int>(c)) + " did not take its state");
  }
}

// A copy-mode run of the documents row alone, chosen through the window as a user
// would; returns the time from the click on the start button to the program's end.
double VestrandRun(const std::wstring& target) {
  SetWineVersion(L"Vestrand.exe", L"win7");
  MakeWin7Profile();
  std::unique_ptr<App> app = App::Launch(kStartTimeoutMs);
  if (app->Main() == nullptr) Fail("Vestrand showed no window");
  for (int row = 1; row <= kRowCount; ++row) {
    if (row != 2) Toggle(*app, CheckOf(row), BST_UNCHECKED);
  }
  Toggle(*app, Control::Check2, BST_CHECKED);
  Toggle(*app, Control::CkLogoff, BST_UNCHECKED);  // a log-off would end the session
  Toggle(*app, Control::OptionCopy, BST_CHECKED);
  app->SetText(Control::Text15, Narrow(target));
  if (app->Text(Control::Text15) != Narrow(target)) Fail("the target box did not take the target");

  const double start = NowMs();
  app->PostClick(Control::Command1);
  // The wait returns the moment the program ends; the look for windows in between is
  // rare, since every call into another process's windows goes through the Wine server
  // that the run's file operations need as well.
  while (!app->WaitForExit(250)) {
    // A message or an error window of the shell means the run is not the one measured.
    if (HWND box = VisibleTopLevel(app->ProcessId(), L"#32770")) {
      Fail("Vestrand stopped at a window: " + WindowText(box) + ": " + MessageBoxText(box));
    }
    if (NowMs() - start > kRunTimeoutMs) Fail("the run did not end the program");
  }
  const double ms = NowMs() - start;
  if (app->ExitCode() != 0) Fail("Vestrand ended with code " + std::to_string(app->ExitCode()));
  // The run starts the shell again; this one belongs to the benchmark.
  for (const ProcessEntry& p : Processes()) {
    if (::lstrcmpiW(p.exe.c_str(), L"explorer.exe") == 0 && p.parent == app->ProcessId()) {
      EndProcess(p.pid);
    }
  }
  return ms;
}

// One turn of the copy comparison: `turn` is "bare" or "run". The caller alternates the
// turns and settles the disk between them, which a Windows program cannot do.
void BenchCopy(const std::string& turn, const std::string& label) {
  MakeWin7Profile();
  const std::wstring source = Expand(ReadValue(kUserShellFolders, L"Personal"));
  const std::wstring copy = std::wstring(kCopyTarget) + L"\\" + source.substr(source.find_last_of(L'\\') + 1);
  const TreeSize tree = SizeOf(source);
  if (tree.files == 0) Fail("the documents folder is empty: generate the benchmark tree first");
  if (PathExists(copy)) Fail(Narrow(copy) + " is in the way");
  if (!CreateDirectories(kCopyTarget)) Fail("drive D: is not writable");
  const std::string key = "copy_" + label + "_";
  Report(key + "files", std::to_string(tree.files));
  Report(key + "bytes", std::to_string(tree.bytes));
  if (turn == "walk") {
    // What the run adds before its copy and grows with the data: listing every file of
    // the folder with its size, through the program's own code.
    LARGE_INTEGER frequency{}, start{}, end{};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    const std::size_t listed = vestrand::Win32FileSystem().ListFiles(Narrow(source)).size();
    ::QueryPerformanceCounter(&end);
    if (listed != tree.files) Fail("the walk listed " + std::to_string(listed) + " files");
    Report(key + "walk_ms", Format(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                                   static_cast<double>(frequency.QuadPart)));
    return;
  }
  if (turn == "bare") {
    Report(key + "bare_ms", Format(BareShellCopy(Beside(ProgramPath(), L"bench_shell_copy.exe"), source, kCopyTarget)));
    ExpectCopiedAndRemove(source, copy, tree, "the bare shell copy");
    return;
  }
  Report(key + "run_ms", Format(VestrandRun(kCopyTarget)));
  const std::wstring written = ReadValue(kUserShellFolders, L"Personal");
  if (::lstrcmpiW(written.c_str(), copy.c_str()) != 0) {
    Fail("the run wrote " + Narrow(written) + " as the documents folder");
  }
  ExpectCopiedAndRemove(source, copy, tree, "the run");
  MakeWin7Profile();
}

std::wstring Option(int argc, wchar_t** argv, const wchar_t* option) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (::lstrcmpW(argv[i], option) == 0) return argv[i + 1];
  }
  return std::wstring();
}

}  // namespace
}  // namespace vestrand::e2e

int wmain(int argc, wchar_t** argv) {
  using namespace vestrand::e2e;
  const int startupRounds = _wtoi(Option(argc, argv, L"--startup-rounds").c_str());
  const std::string copyTurn = vestrand::Narrow(Option(argc, argv, L"--copy-turn"));
  if (startupRounds > 0) BenchStartup(startupRounds);
  if (!copyTurn.empty()) BenchCopy(copyTurn, vestrand::Narrow(Option(argc, argv, L"--label")));
  return 0;
}
