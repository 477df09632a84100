#include "relocation/RunTransfer.h"

#include <optional>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "relocation/FolderCatalogue.h"
#include "relocation/PathRules.h"

namespace vestrand {

namespace {

const char* const kPickerTitle = "先选择好将要转到文件夹的路径：";
const char* const kNoTargetHint = "恐怕您没有选择目标文件夹哟,消息框要长才显眼!";
const char* const kHintTitle = "友情提示:";
const char* const kErrorText = "Error";
const char* const kEndShell = "taskkill.exe /f /im explorer.exe";
const char* const kStartShell = "explorer.exe";
const char* const kDesktopIni = "\\Desktop.ini";
constexpr unsigned kShellGoneMs = 1000;
constexpr int kParkedLeftTwips = 1050;
constexpr int kTempRow = 6;

enum class Family { NT5, NT6 };
enum class Mode { None, Copy, Move, Discard };

// One catalogue row as the run sees it once the new locations are known.
struct RowPlan {
  const FolderRow* row = nullptr;
  bool ticked = false;
  std::string current;
  std::string newLocation;  // empty: the row is left alone, whatever its tick
  bool folderFound = true;  // NT 5.x looks before it plans; NT 6.x takes the box's word
  bool travelsWithOuter = false;  // carried inside an earlier row's folder
  bool followsOuter = false;  // unticked, but moved all the same inside a ticked folder
};

std::string Quoted(const std::string& text) { return "“" + text + "”"; }

Mode ReadMode(MainForm& form) {
  // Tested in this order; with none selected no file work is done.
  if (form.GetValue(Control::OptionCopy) != 0) return Mode::Copy;
  if (form.GetValue(Control::OptionMove) != 0) return Mode::Move;
  if (form.GetValue(Control::OptionDont) != 0) return Mode::Discard;
  return Mode::None;
}

bool CarriesFiles(Mode mode) { return mode == Mode::Copy || mode == Mode::Move; }

// The user is told why nothing happened; the run then changes nothing.
void Refuse(Dialogs& dialogs, const std::string& text) {
  dialogs.MessageBox(text, kMbIconError, std::string(kHintTitle));
}

// The run goes on past a refused start or attribute change: a half-done run that stops
// here would leave the user without a desktop shell.
void SkipIfRefused(const HostResult&) {}

// Whether the row's folder will be carried by a shell copy or move of its own or of an
// enclosing row.
bool WillCarry(const RowPlan& p, Mode mode) {
  return CarriesFiles(mode) && p.ticked && !p.newLocation.empty() && p.folderFound;
}

std::vector<RowPlan> PlanRows(Services& s, MainForm& form, Family family,
                              const std::string& root, Mode mode) {
  std::vector<RowPlan> plan;
  for (const FolderRow& row : FolderCatalogue()) {
    RowPlan p;
    p.row = &row;
    p.ticked = form.GetValue(CheckOf(row.row)) == 1;
    p.current = form.GetText(TextOf(row.row));
    std::string name;
    if (!p.current.empty() && !paths::IsAbsolutePath(p.current)) {
      // Not a place the run can reason about (start-up does not offer such rows): it is
      // neither carried nor given a location.
      p.folderFound = false;
    } else if (family == Family::NT5) {
      p.folderFound = s.files.DirExists(p.current);
      if (p.folderFound) {
        name = paths::FolderNameOf(p.current);
      } else if (row.nt5FixedName != nullptr) {
        name = row.nt5FixedName;
      }
    } else {
      name = paths::FolderNameOf(p.current);
    }
    // No folder name (a missing folder, an empty box, a drive root): there is nowhere
    // sensible to send the row, and an empty or bare-root location must never be written.
    if (!name.empty()) p.newLocation = root + "\\" + name;
    plan.push_back(p);
  }
  if (!CarriesFiles(mode)) return plan;
  // A folder inside an earlier ticked folder arrives inside it; it is sent where it
  // will really be and is not carried a second time.
  for (std::size_t k = 0; k < plan.size(); ++k) {
    if (!WillCarry(plan[k], mode)) continue;
    for (std::size_t j = 0; j < k; ++j) {
      if (WillCarry(plan[j], mode) && paths::IsSameOrInside(plan[k].current, plan[j].current)) {
        plan[k].newLocation =
            plan[j].newLocation + paths::RelativeBelow(plan[k].current, plan[j].current);
        plan[k].travelsWithOuter = true;
        break;
      }
    }
  }
  if (mode != Mode::Move) return plan;
  // An unticked folder inside a folder that is moved leaves with it: its location must
  // follow, or the registry would name a folder that is gone.
  for (std::size_t k = 0; k < plan.size(); ++k) {
    RowPlan& inner = plan[k];
    if (inner.ticked || !paths::IsAbsolutePath(inner.current)) continue;
    for (std::size_t j = 0; j < plan.size(); ++j) {
      if (j != k && WillCarry(plan[j], mode) && paths::IsSameOrInside(inner.current, plan[j].current)) {
        inner.newLocation = plan[j].newLocation + paths::RelativeBelow(inner.current, plan[j].current);
        inner.followsOuter = true;
        break;
      }
    }
  }
  return plan;
}

// A refusal text for a target root that must not be used, or nothing when it is fine.
std::optional<std::string> TargetProblem(const std::string& target) {
  if (!paths::IsAbsolutePath(target)) {
    return "目标文件夹" + Quoted(target) +
           "不是完整的路径。请以盘符开头(例如 D:\\Personal),或使用 \\\\服务器\\共享 的形式。";
  }
  if (!paths::HasUsableFolderNames(target)) {
    return "目标文件夹" + Quoted(target) +
           "含有无效的文件夹名:名称中不能有 \\ / : * ? \" < > |,也不能以空格或句点结尾。";
  }
  return std::nullopt;
}

std::optional<std::string> TargetInsideCarriedFolder(const std::vector<RowPlan>& plan,
                                                     const std::string& target, Mode mode) {
  for (const RowPlan& p : plan) {
    if (WillCarry(p, mode) && paths::IsSameOrInside(target, p.current)) {
      return "目标文件夹" + Quoted(target) + "就是或位于要转移的文件夹" + Quoted(p.current) +
             "之中,文件夹不能转移到它自己里面。请另选一个目标文件夹。";
    }
  }
  return std::nullopt;
}

void ShareNewTempFolder(Host& host, const std::string& location) {
  // Whatever the run starts from now on, the restarted shell first of all, inherits this
  // environment; the old temporary folder may be gone.
  host.SetEnvironmentVariable("TEMP", location);
  host.SetEnvironmentVariable("TMP", location);
  host.BroadcastEnvironmentChange();
}

bool WriteLocation(Registry& registry, const FolderRow& row, const std::string& location) {
  registry.RegWriteValue(kHkeyCurrentUser, row.firstWriteKey, row.valueName, location, kRegSz);
  return registry.RegWriteValue(kHkeyCurrentUser, row.secondWriteKey, row.secondValueName,
                                location, kRegSz);
}

// The registry must never name a folder that does not exist. When the shell left nothing
// at the new place (it failed, or the user cancelled it), the row is pointed back at its
// old folder, which still holds the files; when there was no old folder either, the new
// one is made, empty, since there were no files to carry. Returns where the row now points.
std::string SettleLocation(Services& s, const RowPlan& p) {
  if (s.files.DirExists(p.newLocation)) return p.newLocation;
  if (paths::IsAbsolutePath(p.current) && s.files.DirExists(p.current)) {
    WriteLocation(s.registry, *p.row, p.current);
    return p.current;
  }
  s.files.MakeDirectory(p.newLocation);
  return p.newLocation;
}

// The per-row work: both registry values, then the files by transfer mode. Returns where
// the row points afterwards.
std::string TransferFolder(Services& s, const RowPlan& p, const std::string& root, Mode mode,
                           Family family) {
  const FolderRow& row = *p.row;
  if (!WriteLocation(s.registry, row, p.newLocation)) {
    s.dialogs.MessageBox(kErrorText, kMbIconError, std::nullopt);
  }

  // A second run onto the same target finds the folder already there; the shell would
  // answer a copy of a folder onto itself with an error window.
  const bool inPlace = paths::IsSamePath(p.current, p.newLocation);
  switch (mode) {
    case Mode::Copy:
    case Mode::Move: {
      if (p.travelsWithOuter || inPlace) break;
      const bool mustExist = family == Family::NT5 && row.nt5FixedName != nullptr;
      if (mustExist && !s.files.DirExists(p.current)) break;
      if (mode == Mode::Copy) {
        s.files.ShellCopyFiles(p.current, root);
      } else {
        s.files.ShellMoveFiles(p.current, root);
      }
      break;
    }
    case Mode::Discard: {
      s.files.MakeDirectory(p.newLocation);
      if (!row.desktopIni) break;
      SkipIfRefused(s.files.SetFileAttributes(p.newLocation, kFileAttributeReadOnly));
      // An empty box would make "\Desktop.ini" name a file in the root of the current drive.
      if (inPlace || p.current.empty()) break;
      const std::string ini = p.current + kDesktopIni;
      if (s.files.GetFileAttributes(ini) != kInvalidFileAttributes) {
        s.files.ShellCopyFiles(ini, p.newLocation);
      }
      break;
    }
    case Mode::None:
      return p.newLocation;  // no file work, nothing to settle
  }
  return SettleLocation(s, p);
}

void RunTransfer(Services& s, MainForm& form, Family family) {
  std::string target = form.GetText(kTargetRoot);
  if (TrimSpaces(target).empty()) {
    // The picked folder is used for this run only; the box keeps what the user typed.
    target = s.dialogs.BrowseFolder(kPickerTitle, s.host.ProgramFolder());
    if (target.empty()) {
      s.dialogs.MessageBox(kNoTargetHint, kMbIconInformation, std::string(kHintTitle));
      return;
    }
  }
  if (const auto problem = TargetProblem(target)) {
    Refuse(s.dialogs, *problem);
    return;
  }

  const std::string root = paths::WithoutOneTrailingBackslash(target);
  const Mode mode = ReadMode(form);
  const std::vector<RowPlan> plan = PlanRows(s, form, family, root, mode);
  if (const auto problem = TargetInsideCarriedFolder(plan, target, mode)) {
    Refuse(s.dialogs, *problem);
    return;
  }

  const TwipsPoint before = form.GetWindowPosition();
  form.MoveWindowTo(0, 0);
  form.SetWindowEnabled(false);
  if (!s.files.DirExists(root)) {
    s.files.MakeDirectory(root);
    // Without the target root every registry value would name a folder that cannot
    // exist; stop while nothing has changed and the shell still runs.
    if (!s.files.DirExists(root)) {
      Refuse(s.dialogs, "无法创建目标文件夹" + Quoted(target) +
                            "。请检查驱动器是否存在、是否有写入权限,以及是否有同名的文件。");
      form.SetWindowEnabled(true);
      form.MoveWindowTo(before.left, before.top);
      return;
    }
  }

  SkipIfRefused(s.host.StartCommand(kEndShell, kShowMinimized));
  s.host.Sleep(kShellGoneMs);
  for (const RowPlan& p : plan) {
    if (!p.ticked || p.newLocation.empty()) continue;
    const std::string location = TransferFolder(s, p, root, mode, family);
    if (p.row->row == kTempRow) ShareNewTempFolder(s.host, location);
  }
  // Once every move is done, the unticked folders that went along are pointed at where
  // they arrived.
  for (const RowPlan& p : plan) {
    if (!p.followsOuter) continue;
    if (!WriteLocation(s.registry, *p.row, p.newLocation)) {
      s.dialogs.MessageBox(kErrorText, kMbIconError, std::nullopt);
    }
    const std::string location = SettleLocation(s, p);
    if (p.row->row == kTempRow) ShareNewTempFolder(s.host, location);
  }
  SkipIfRefused(s.host.StartCommand(kStartShell, kShowMinimized));

  form.SetWindowEnabled(true);
  form.MoveWindowTo(kParkedLeftTwips, 0);
  if (form.GetValue(Control::CkLogoff) == 1) s.host.SysLogoff();
  s.host.EndProgram();
}

}  // namespace

void RunTransferNT5(Services& services, MainForm& form) { RunTransfer(services, form, Family::NT5); }

void RunTransferNT6(Services& services, MainForm& form) { RunTransfer(services, form, Family::NT6); }

}  // namespace vestrand
