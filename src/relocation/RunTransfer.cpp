#include "relocation/RunTransfer.h"

#include <optional>
#include <string>
#include <vector>

#include "platform/OsVersion.h"
#include "platform/Text.h"
#include "relocation/FolderCarry.h"
#include "relocation/PathRules.h"
#include "relocation/RunChecks.h"
#include "relocation/RunPlan.h"
#include "relocation/RunRecord.h"
#include "relocation/SavedRegistry.h"
#include "relocation/UserTexts.h"

namespace vestrand {

namespace {

const char* const kEndShell = "taskkill.exe /f /im explorer.exe";
const char* const kStartShell = "explorer.exe";
constexpr unsigned kShellGoneMs = 1000;
constexpr int kParkedLeftTwips = 1050;

// The user is told why nothing happened; the run then changes nothing.
void Refuse(Dialogs& dialogs, const std::string& text) {
  dialogs.MessageBox(text, kMbIconError, std::string(kHintTitle));
}

// The Windows that really runs ("10.0.22631"), whatever version the program is told;
// failing that, what start-up's query says ("6.1.7601 Service Pack 1").
std::string WindowsVersionText(Host& host) {
  OsVersionInfo info;
  GetOsVersion(host, info);
  const std::string real = host.RealWindowsVersion();
  std::string text = real.empty() ? info.Version + "." + info.Build : real;
  if (!info.ServicePack.empty()) text += " " + info.ServicePack;
  return text;
}

// What this run made of the target root is taken away again, innermost first.
void RemoveMadeLevels(FileSystem& files, const std::string& root, const std::string& existing) {
  for (std::string level = root; !level.empty() && !paths::IsSamePath(level, existing, NamesOf(files));
       level = paths::ParentFolder(level)) {
    Ignored(files.RemoveEmptyDirectory(level), "a level something else put there meanwhile stays");
  }
}

// Brings the desktop shell back once it has been ended, however the run leaves.
class ShellComesBack {
 public:
  explicit ShellComesBack(Host& host) : host_(host) {}
  ShellComesBack(const ShellComesBack&) = delete;
  ShellComesBack& operator=(const ShellComesBack&) = delete;
  ~ShellComesBack() {
    try {
      Now();
    } catch (...) {
      // Nothing more can be done from a destructor; the caller tells the user.
    }
  }
  void Now() {
    if (done_) return;
    done_ = true;
    // A shell that could not be started is left to the watcher, at the program's end.
    if (host_.StartCommand(kStartShell, kShowMinimized).ok) host_.ShellRestored();
  }

 private:
  Host& host_;
  bool done_ = false;
};

// Puts the main window back where the user had it, enabled, however the run leaves
// before its end; the end itself parks it as the run always has.
class WindowParked {
 public:
  explicit WindowParked(MainForm& form) : form_(form), before_(form.GetWindowPosition()) {
    form_.MoveWindowTo(0, 0);
    form_.SetWindowEnabled(false);
  }
  WindowParked(const WindowParked&) = delete;
  WindowParked& operator=(const WindowParked&) = delete;
  ~WindowParked() {
    try {
      PutBack();
    } catch (...) {
      // The window is gone or cannot be reached; nothing more can be done for it.
    }
  }
  void PutBack() { Release(before_); }
  void LeaveAtRunEnd() { Release({kParkedLeftTwips, 0}); }

 private:
  void Release(TwipsPoint at) {
    if (done_) return;
    done_ = true;
    form_.SetWindowEnabled(true);
    form_.MoveWindowTo(at.left, at.top);
  }

  MainForm& form_;
  TwipsPoint before_;
  bool done_ = false;
};

// The rows a run carries, as the record lists them before it starts.
std::vector<std::string> PlannedCaptions(const std::vector<RowPlan>& plan) {
  std::vector<std::string> captions;
  for (const RowPlan& p : plan) {
    if (Relocates(p)) captions.push_back(p.caption);
  }
  return captions;
}

// Carries the rows one by one, each noted in the journal before and after. `underWay` names
// the row being carried, for the caller to settle should an unforeseen error stop it.
void CarryRows(Services& s, const std::vector<RowPlan>& plan, const std::string& root, Mode mode, const Snapshot& saved,
               RunRecord& record, RunJournal& journal, const RowPlan*& underWay) {
  for (const RowPlan& p : plan) {
    RowRecord line{p.caption, p.current, p.current, RowOutcome::LeftAlone, 0};
    const bool carried = Relocates(p);
    if (carried) {
      journal.RowStarted(line.caption, p.current, p.newLocation);
      underWay = &p;
      const Settled settled = TransferFolder(s, p, root, mode, saved);
      line.newLocation = settled.location;
      line.outcome = settled.outcome;
      line.files = settled.files;
      if (KeptInEnvironment(*p.row) && settled.outcome != RowOutcome::WriteRefused) {
        ShareNewTempFolder(s.host, settled.location);
      }
    }
    record.rows.push_back(line);
    journal.RowSettled(line, carried);
    underWay = nullptr;
  }
  // Once every move is done, the unticked folders that really went along are pointed at
  // where they arrived.
  for (std::size_t k = 0; k < plan.size(); ++k) {
    const auto followed = FollowOuterFolder(s, plan[k], saved);
    if (!followed) continue;
    RowRecord& line = record.rows[k];
    line.newLocation = followed->location;
    line.outcome = followed->outcome;
    journal.RowSettled(line, false);
    if (KeptInEnvironment(*plan[k].row) && followed->outcome == RowOutcome::Followed) {
      ShareNewTempFolder(s.host, followed->location);
    }
  }
}

// From the target made to the end: the undo file, the shell ended, the rows carried
// and recorded, the shell back, the user logged off if asked.
void Relocate(Services& s, MainForm& form, const std::vector<RowPlan>& plan, const std::string& target,
              const std::string& root, const std::string& existing, Mode mode, const Snapshot& saved) {
  WindowParked parked(form);
  auto stop = [&](const std::string& why) {
    Refuse(s.dialogs, why);
    parked.PutBack();
  };
  RunRecord record;
  record.time = s.host.Now();
  record.windowsVersion = WindowsVersionText(s.host);
  record.mode = ModeName(mode);
  record.target = root;
  record.targetCreated = !paths::IsSamePath(existing, paths::DriveRootAware(root), NamesOf(s.files));
  if (record.targetCreated) {
    s.files.MakeDirectory(root);
    // Without the target root every registry value would name a folder that cannot
    // exist; stop while nothing has changed and the shell still runs.
    if (!s.files.DirExists(root)) return stop(TargetNotCreatedRefusal(target));
    // Every file carried in takes the protection of its new parent: a data drive's root
    // would let every local user read the user's documents and cookies. A volume without
    // access lists keeps none, and the run goes on; anywhere else it stops.
    const auto volume = s.files.VolumeFactsOf(root);
    const bool keepsAcls = !volume || volume->persistentAcls;
    record.targetProtected = s.files.ProtectPrivateFolder(root).ok;
    if (!record.targetProtected && keepsAcls) {
      RemoveMadeLevels(s.files, root, existing);
      return stop(TargetNotProtectedRefusal(target));
    }
  }
  const std::optional<std::string> tag = WriteUndoFile(s.files, root, TimeStamp(record.time), saved);
  if (!tag) {
    if (record.targetCreated) RemoveMadeLevels(s.files, root, existing);
    return stop(UndoFileNotWrittenRefusal(target));
  }
  record.undoFileName = kUndoFilePrefix + *tag + ".reg";
  RunJournal journal(s.files, root + "\\" + kRecordFilePrefix + *tag + ".txt");
  journal.Begin(record, PlannedCaptions(plan));

  // Should this process end while the shell is down, ended by force or crashed, the
  // watcher brings the shell back; without a watcher the run goes on all the same.
  Ignored(s.host.GuardShell(), "the run itself brings the shell back at its end");
  ShellComesBack shell(s.host);
  const RowPlan* underWay = nullptr;
  try {
    Ignored(s.host.StartCommand(kEndShell, kShowMinimized),
            "with the shell still up the rows are carried all the same");
    s.host.Sleep(kShellGoneMs);
    CarryRows(s, plan, root, mode, saved, record, journal, underWay);
    journal.Ended(false);
  } catch (...) {
    // Whatever stopped the run, the row it stopped in is settled and recorded before the
    // shell comes back and the user is told.
    try {
      if (underWay != nullptr) {
        const Settled settled = SettleInterrupted(s, *underWay, mode, saved);
        journal.RowSettled({underWay->caption, underWay->current, settled.location, settled.outcome, settled.files},
                           true);
      }
      journal.Ended(true);
    } catch (...) {
      // The record then stays without its end; the next start points at it.
    }
    shell.Now();
    parked.PutBack();
    s.dialogs.MessageBox(RunInterruptedText(journal.Whole() ? journal.Path() : std::string(), record.undoFileName),
                         kMbIconError, std::string(kHintTitle));
    return;
  }
  shell.Now();
  if (NeedsAttention(record)) {
    s.dialogs.MessageBox(NeedsAttentionHint(journal.Whole(), journal.Path()), kMbIconWarning, std::string(kHintTitle));
  }
  parked.LeaveAtRunEnd();
  if (form.GetValue(Control::CkLogoff) == 1) s.host.SysLogoff();
  s.host.EndProgram();
}

void RunTransfer(Services& s, MainForm& form, OsFamily family) {
  std::string target = form.GetText(kTargetRoot);
  if (TrimSpaces(target).empty()) {
    // The picked folder is used for this run only; the box keeps what the user typed.
    target = s.dialogs.BrowseFolder(kPickTargetTitle, s.host.ProgramFolder());
    if (target.empty()) {
      s.dialogs.MessageBox(kNoTargetRunHint, kMbIconInformation, std::string(kHintTitle));
      return;
    }
  }
  const std::string root = paths::WithoutOneTrailingBackslash(target);
  const Mode mode = ReadMode(form);
  std::vector<RowPlan> plan = PlanRows(s, form, family, root, mode);
  std::string existing;
  if (const auto refusal = RefusalBeforeRun(s, plan, target, root, mode, existing)) {
    Refuse(s.dialogs, *refusal);
    return;
  }
  const std::optional<Snapshot> saved = SaveRegistry(s.registry);
  if (!saved) {
    Refuse(s.dialogs, kRegistryUnreadableRefusal);
    return;
  }
  Relocate(s, form, plan, target, root, existing, mode, *saved);
}

}  // namespace

void RunTransferNT5(Services& services, MainForm& form) { RunTransfer(services, form, OsFamily::NT5); }

void RunTransferNT6(Services& services, MainForm& form) { RunTransfer(services, form, OsFamily::NT6); }

}  // namespace vestrand
