#include "relocation/RunTransfer.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/OsVersion.h"
#include "platform/Text.h"
#include "relocation/FolderCatalogue.h"
#include "relocation/PathRules.h"
#include "relocation/RunRecord.h"
#include "relocation/UserTexts.h"

namespace vestrand {

namespace {

const char* const kEndShell = "taskkill.exe /f /im explorer.exe";
const char* const kStartShell = "explorer.exe";
const char* const kDesktopIni = "\\Desktop.ini";
constexpr unsigned kShellGoneMs = 1000;
constexpr int kParkedLeftTwips = 1050;
constexpr int kTempRow = 6;
constexpr std::size_t kClashesNamed = 10;
// Room left on the target beyond the files themselves: folders, the shell's own records,
// and what other programs write meanwhile.
constexpr std::uint64_t kMinimumMargin = 50ull << 20;

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
  bool carriedAlone = false;  // the shell is asked to copy or move this folder itself
  std::vector<FileEntry> files;  // what that copy or move should carry
};

using Snapshot = std::vector<SavedValue>;

Mode ReadMode(MainForm& form) {
  // Tested in this order; with none selected no file work is done.
  if (form.GetValue(Control::OptionCopy) != 0) return Mode::Copy;
  if (form.GetValue(Control::OptionMove) != 0) return Mode::Move;
  if (form.GetValue(Control::OptionDont) != 0) return Mode::Discard;
  return Mode::None;
}

const char* ModeName(Mode mode) {
  switch (mode) {
    case Mode::Copy: return kCopyModeName;
    case Mode::Move: return kMoveModeName;
    case Mode::Discard: return kDiscardModeName;
    case Mode::None: break;
  }
  return kNoModeName;
}

bool CarriesFiles(Mode mode) { return mode == Mode::Copy || mode == Mode::Move; }

// The user is told why nothing happened; the run then changes nothing.
void Refuse(Dialogs& dialogs, const std::string& text) {
  dialogs.MessageBox(text, kMbIconError, std::string(kHintTitle));
}

// A refused start or attribute change does not stop the run: a half-done run that stops
// here would leave the user without a desktop shell.
void GoOnWhateverTheResult(const HostResult&) {}

// Whether the row's folder will be carried by a shell copy or move of its own or of an
// enclosing row.
bool WillCarry(const RowPlan& p, Mode mode) {
  return CarriesFiles(mode) && p.ticked && !p.newLocation.empty() && p.folderFound;
}

std::string DriveRootAware(const std::string& path) {
  // "D:" alone names the current folder of drive D:, not its root.
  return path.size() == 2 && path[1] == ':' ? path + "\\" : path;
}

std::vector<RowPlan> PlanRows(Services& s, MainForm& form, OsFamily family,
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
    } else if (family == OsFamily::NT5) {
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
  // On NT 5.x the folder was looked at above: WillCarry already holds only for one that exists.
  for (RowPlan& p : plan) {
    p.carriedAlone =
        WillCarry(p, mode) && !p.travelsWithOuter && !paths::IsSamePath(p.current, p.newLocation);
  }
  if (mode != Mode::Move) return plan;
  // An unticked folder inside a folder that is moved leaves with it: its location must
  // follow, or the registry would name a folder that is gone. Only a folder that is
  // there can leave; a row start-up found empty stays as it was.
  for (std::size_t k = 0; k < plan.size(); ++k) {
    RowPlan& inner = plan[k];
    if (inner.ticked || !paths::IsAbsolutePath(inner.current)) continue;
    for (std::size_t j = 0; j < plan.size(); ++j) {
      if (j != k && WillCarry(plan[j], mode) && paths::IsSameOrInside(inner.current, plan[j].current)) {
        if (!s.files.DirExists(inner.current)) break;
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
    return NotAFullPathRefusal(target);
  }
  if (!paths::HasUsableFolderNames(target)) {
    return UnusableNamesRefusal(target);
  }
  return std::nullopt;
}

// The target must not lie in a folder to be carried, whether it is typed as such or
// reaches it by another name (a second drive letter, a junction): the shell would carry
// a folder into itself.
std::optional<std::string> TargetInsideCarriedFolder(Services& s, const std::vector<RowPlan>& plan,
                                                     const std::string& target,
                                                     const std::string& root, Mode mode) {
  std::vector<std::pair<FolderId, const RowPlan*>> carried;
  for (const RowPlan& p : plan) {
    if (!WillCarry(p, mode)) continue;
    if (paths::IsSameOrInside(target, p.current)) return TargetInsideFolderRefusal(target, p.current);
    if (const auto id = s.files.GetFolderId(p.current)) carried.emplace_back(*id, &p);
  }
  if (carried.empty()) return std::nullopt;
  for (std::string level = DriveRootAware(root); !level.empty();
       level = paths::ParentFolder(level)) {
    const auto id = s.files.GetFolderId(level);
    if (!id) continue;
    for (const auto& [folderId, p] : carried) {
      if (*id == folderId) return TargetInsideFolderRefusal(target, p->current);
    }
  }
  return std::nullopt;
}

// Two rows sent to one folder would be merged into it, a file of one replacing the
// same-named file of the other, and both rows would name the merged folder.
std::optional<std::string> SharedNewLocation(const std::vector<RowPlan>& plan) {
  for (std::size_t k = 0; k < plan.size(); ++k) {
    const RowPlan& b = plan[k];
    if (!b.ticked || b.newLocation.empty() || b.travelsWithOuter) continue;
    for (std::size_t j = 0; j < k; ++j) {
      const RowPlan& a = plan[j];
      if (!a.ticked || a.newLocation.empty() || a.travelsWithOuter) continue;
      // Two rows that already share one folder keep sharing it.
      if (paths::IsSamePath(a.current, b.current)) continue;
      if (paths::IsSamePath(a.newLocation, b.newLocation)) {
        return SameNameRefusal(a.current, b.current, a.newLocation);
      }
    }
  }
  return std::nullopt;
}

std::string SizeText(std::uint64_t bytes) {
  char text[32];
  const double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
  if (mb >= 1024.0) {
    std::snprintf(text, sizeof text, "%.1f GB", mb / 1024.0);
  } else {
    std::snprintf(text, sizeof text, mb < 10.0 ? "%.1f MB" : "%.0f MB", mb);
  }
  return text;
}

// The nearest folder of `path` that exists, the path itself included.
std::string ExistingAncestor(FileSystem& files, const std::string& path) {
  for (std::string level = DriveRootAware(path); !level.empty();
       level = paths::ParentFolder(level)) {
    if (files.DirExists(level)) return level;
  }
  return std::string();
}

// Looks at the files to be carried: none may replace a file already in the target, and
// they must fit on the target's volume. Fills each carried row's file list.
std::optional<std::string> CarryProblem(Services& s, std::vector<RowPlan>& plan,
                                        const std::string& targetFolder, Mode mode) {
  std::vector<std::string> clashes;
  std::size_t clashCount = 0;
  std::uint64_t needed = 0;
  const std::string targetVolume = paths::CaseKey(s.files.VolumeOf(targetFolder));
  for (RowPlan& p : plan) {
    if (!p.carriedAlone) continue;
    p.files = s.files.ListFiles(p.current);
    if (s.files.DirExists(p.newLocation)) {
      std::set<std::string> present;
      for (const FileEntry& f : s.files.ListFiles(p.newLocation)) {
        present.insert(paths::CaseKey(f.relativePath));
      }
      for (const FileEntry& f : p.files) {
        if (present.count(paths::CaseKey(f.relativePath)) == 0) continue;
        if (++clashCount <= kClashesNamed) clashes.push_back(p.newLocation + f.relativePath);
      }
    }
    // A move within one volume only renames; anything else writes every byte again.
    const std::string volume = paths::CaseKey(s.files.VolumeOf(p.current));
    if (mode == Mode::Copy || volume.empty() || volume != targetVolume) {
      for (const FileEntry& f : p.files) needed += f.size;
    }
  }
  if (clashCount > 0) return FilesWouldBeReplacedRefusal(clashCount, clashes);
  if (needed == 0 || targetFolder.empty()) return std::nullopt;
  const auto free = s.files.FreeBytes(targetFolder);
  const std::uint64_t margin = std::max<std::uint64_t>(needed / 20, kMinimumMargin);
  if (free && *free < needed + margin) {
    return NotEnoughSpaceRefusal(SizeText(needed), targetFolder, SizeText(*free));
  }
  return std::nullopt;
}

// Every value a run may change, as it is now: both Explorer keys and the environment.
std::optional<Snapshot> SaveRegistry(Registry& registry) {
  Snapshot saved;
  auto save = [&](const char* key, const char* name) {
    const auto value = registry.RegReadRaw(kHkeyCurrentUser, key, name);
    if (!value) return false;
    saved.push_back({key, name, *value});
    return true;
  };
  for (const char* key : {kShellFoldersKey, kUserShellFoldersKey, kEnvironmentKey}) {
    for (const FolderRow& row : FolderCatalogue()) {
      if (std::string(row.firstWriteKey) == key && !save(key, row.valueName)) return std::nullopt;
      if (std::string(row.secondWriteKey) == key && !save(key, row.secondValueName)) {
        return std::nullopt;
      }
    }
  }
  return saved;
}

const RegistryValue& SavedOf(const Snapshot& saved, const char* key, const char* name) {
  for (const SavedValue& v : saved) {
    if (v.keyPath == key && v.valueName == name) return v.value;
  }
  throw std::logic_error("a row's value was not saved");
}

// Puts both of the row's values back exactly as they were, type included.
void RestoreRow(Registry& registry, const FolderRow& row, const Snapshot& saved) {
  registry.RegRestoreValue(kHkeyCurrentUser, row.firstWriteKey, row.valueName,
                           SavedOf(saved, row.firstWriteKey, row.valueName));
  registry.RegRestoreValue(kHkeyCurrentUser, row.secondWriteKey, row.secondValueName,
                           SavedOf(saved, row.secondWriteKey, row.secondValueName));
}

// Both of the row's values, or neither: a refused write puts the first back.
bool WriteLocation(Registry& registry, const FolderRow& row, const std::string& location,
                   const Snapshot& saved) {
  if (!registry.RegWriteValue(kHkeyCurrentUser, row.firstWriteKey, row.valueName, location, kRegSz)) {
    return false;
  }
  if (registry.RegWriteValue(kHkeyCurrentUser, row.secondWriteKey, row.secondValueName, location,
                             kRegSz)) {
    return true;
  }
  RestoreRow(registry, row, saved);
  return false;
}

void ShareNewTempFolder(Host& host, const std::string& location) {
  // Whatever the run starts from now on, the restarted shell first of all, inherits this
  // environment; the old temporary folder may be gone.
  host.SetEnvironmentVariable("TEMP", location);
  host.SetEnvironmentVariable("TMP", location);
  host.BroadcastEnvironmentChange();
}

struct Settled {
  std::string location;
  RowOutcome outcome;
  std::size_t files = 0;
};

Settled PointBack(Services& s, const RowPlan& p, const Snapshot& saved) {
  RestoreRow(s.registry, *p.row, saved);
  return {p.current, RowOutcome::PointedBack};
}

// The registry must never name a folder that does not exist, nor leave files where
// nothing names them. When the shell left nothing at the new place (it failed, or the
// user cancelled it), the row is pointed back at its old folder, which still holds the
// files; when there was no old folder either, the new one is made, empty. A carry done
// in part is kept and counted, so that the user can finish it.
Settled SettleLocation(Services& s, const RowPlan& p, Mode mode, RowOutcome done,
                       const Snapshot& saved) {
  if (!s.files.DirExists(p.newLocation)) {
    if (paths::IsAbsolutePath(p.current) && s.files.DirExists(p.current)) {
      return PointBack(s, p, saved);
    }
    s.files.MakeDirectory(p.newLocation);
    return {p.newLocation, RowOutcome::EmptyFolderMade};
  }
  if (!p.carriedAlone) return {p.newLocation, done};
  if (mode == Mode::Move) {
    if (!s.files.DirExists(p.current)) return {p.newLocation, done};
    const std::size_t left = s.files.ListFiles(p.current).size();
    if (left == p.files.size()) return PointBack(s, p, saved);
    if (left == 0) return {p.newLocation, done};  // an empty folder left behind holds nothing
    return {p.newLocation, RowOutcome::MovedInPart, left};
  }
  std::map<std::string, std::uint64_t> arrived;
  for (const FileEntry& f : s.files.ListFiles(p.newLocation)) {
    arrived[paths::CaseKey(f.relativePath)] = f.size;
  }
  std::size_t missing = 0;
  for (const FileEntry& f : p.files) {
    const auto it = arrived.find(paths::CaseKey(f.relativePath));
    if (it == arrived.end() || it->second != f.size) ++missing;
  }
  if (missing > 0 && missing == p.files.size()) return PointBack(s, p, saved);
  if (missing > 0) return {p.newLocation, RowOutcome::CopiedInPart, missing};
  return {p.newLocation, done};
}

// The per-row work: both registry values, then the files by transfer mode.
Settled TransferFolder(Services& s, const RowPlan& p, const std::string& root, Mode mode,
                       const Snapshot& saved) {
  const FolderRow& row = *p.row;
  if (!WriteLocation(s.registry, row, p.newLocation, saved)) {
    // The row stays as it was, files included: they remain where the registry points.
    s.dialogs.MessageBox(kWriteRefusedText, kMbIconError, std::nullopt);
    return {p.current, RowOutcome::WriteRefused};
  }

  // A second run onto the same target finds the folder already there; the shell would
  // answer a copy of a folder onto itself with an error window.
  const bool inPlace = paths::IsSamePath(p.current, p.newLocation);
  const RowOutcome done = inPlace ? RowOutcome::AlreadyInPlace
                          : mode == Mode::Copy ? RowOutcome::Copied
                                               : RowOutcome::Moved;
  switch (mode) {
    case Mode::Copy:
    case Mode::Move:
      if (!p.carriedAlone) break;
      if (mode == Mode::Copy) {
        s.files.ShellCopyFiles(p.current, root);
      } else {
        s.files.ShellMoveFiles(p.current, root);
      }
      break;
    case Mode::Discard: {
      s.files.MakeDirectory(p.newLocation);
      if (!row.desktopIni) break;
      GoOnWhateverTheResult(s.files.SetFileAttributes(p.newLocation, kFileAttributeReadOnly));
      // An empty box would make "\Desktop.ini" name a file in the root of the current drive.
      if (inPlace || p.current.empty()) break;
      const std::string ini = p.current + kDesktopIni;
      if (s.files.GetFileAttributes(ini) != kInvalidFileAttributes) {
        s.files.ShellCopyFiles(ini, p.newLocation);
      }
      break;
    }
    case Mode::None:
      break;
  }
  const RowOutcome expected =
      (mode == Mode::Discard || mode == Mode::None) && !inPlace ? RowOutcome::EmptyFolderMade : done;
  return SettleLocation(s, p, mode, expected, saved);
}

std::string CaptionOf(const FolderRow& row, OsFamily family) {
  std::string caption = family == OsFamily::NT5 ? row.nt5Caption : row.caption;
  if (caption.size() >= 1 && caption.back() == ':') caption.pop_back();
  return caption;
}

// "6.1.7601 Service Pack 1", from the same query start-up makes.
std::string WindowsVersionText(Host& host) {
  OsVersionInfo info;
  GetOsVersion(host, info);
  std::string text = info.Version + "." + info.Build;
  if (!info.ServicePack.empty()) text += " " + info.ServicePack;
  return text;
}

const char* const kUndoPrefix = "\\Vestrand-还原-";
const char* const kRecordPrefix = "\\Vestrand-记录-";

// The way back, written before anything changes: a registry file named after the moment,
// never replacing the file of an earlier run. Returns the name's distinguishing part (the
// time, and a number when that time is taken), or nothing when it cannot be written.
std::optional<std::string> WriteUndoFile(FileSystem& files, const std::string& root,
                                         const std::string& stamp, const Snapshot& saved) {
  const std::string content = RegistryUndoFile(saved);
  for (int attempt = 1; attempt <= 20; ++attempt) {
    const std::string tag = stamp + (attempt == 1 ? std::string() : "-" + std::to_string(attempt));
    const std::string path = root + kUndoPrefix + tag + ".reg";
    if (files.WriteNewFile(path, content)) return tag;
    // Only a name already taken is worth another try.
    if (files.GetFileAttributes(path) == kInvalidFileAttributes) break;
  }
  return std::nullopt;
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
    GoOnWhateverTheResult(host_.StartCommand(kStartShell, kShowMinimized));
  }

 private:
  Host& host_;
  bool done_ = false;
};

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
  if (const auto problem = TargetProblem(target)) {
    Refuse(s.dialogs, *problem);
    return;
  }

  const std::string root = paths::WithoutOneTrailingBackslash(target);
  const Mode mode = ReadMode(form);
  std::vector<RowPlan> plan = PlanRows(s, form, family, root, mode);
  std::optional<std::string> problem = TargetInsideCarriedFolder(s, plan, target, root, mode);
  if (!problem) problem = SharedNewLocation(plan);
  const std::string existing = problem ? std::string() : ExistingAncestor(s.files, root);
  if (!problem) {
    s.dialogs.ShowWaitCursor(true);
    problem = CarryProblem(s, plan, existing, mode);
    s.dialogs.ShowWaitCursor(false);
  }
  const std::optional<Snapshot> saved = problem ? std::nullopt : SaveRegistry(s.registry);
  if (!problem && !saved) problem = kRegistryUnreadableRefusal;
  if (problem) {
    Refuse(s.dialogs, *problem);
    return;
  }

  const TwipsPoint before = form.GetWindowPosition();
  form.MoveWindowTo(0, 0);
  form.SetWindowEnabled(false);
  auto stop = [&](const std::string& why) {
    Refuse(s.dialogs, why);
    form.SetWindowEnabled(true);
    form.MoveWindowTo(before.left, before.top);
  };
  RunRecord record;
  record.time = s.host.Now();
  record.windowsVersion = WindowsVersionText(s.host);
  record.mode = ModeName(mode);
  record.target = root;
  record.targetCreated = !paths::IsSamePath(existing, DriveRootAware(root));
  if (record.targetCreated) {
    s.files.MakeDirectory(root);
    // Without the target root every registry value would name a folder that cannot
    // exist; stop while nothing has changed and the shell still runs.
    if (!s.files.DirExists(root)) {
      stop(TargetNotCreatedRefusal(target));
      return;
    }
    // Every file carried in takes the protection of its new parent: a data drive's root
    // would let every local user read the user's documents and cookies. A volume without
    // access lists keeps none; the run goes on all the same.
    record.targetProtected = s.files.ProtectPrivateFolder(root).ok;
  }
  const std::optional<std::string> tag = WriteUndoFile(s.files, root, TimeStamp(record.time), *saved);
  if (!tag) {
    // What this run made is taken away again, innermost first.
    for (std::string level = root; record.targetCreated && !level.empty() &&
                                   !paths::IsSamePath(level, existing);
         level = paths::ParentFolder(level)) {
      s.files.RemoveEmptyDirectory(level);
    }
    stop(UndoFileNotWrittenRefusal(target));
    return;
  }
  record.undoFileName = std::string(kUndoPrefix + 1) + *tag + ".reg";

  GoOnWhateverTheResult(s.host.StartCommand(kEndShell, kShowMinimized));
  ShellComesBack shell(s.host);
  try {
    s.host.Sleep(kShellGoneMs);
    for (const RowPlan& p : plan) {
      RowRecord line{CaptionOf(*p.row, family), p.current, p.current, RowOutcome::LeftAlone, 0};
      if (p.ticked && !p.newLocation.empty()) {
        const Settled settled = TransferFolder(s, p, root, mode, *saved);
        line.newLocation = settled.location;
        line.outcome = settled.outcome;
        line.files = settled.files;
        if (p.row->row == kTempRow && settled.outcome != RowOutcome::WriteRefused) {
          ShareNewTempFolder(s.host, settled.location);
        }
      }
      record.rows.push_back(line);
    }
    // Once every move is done, the unticked folders that really went along are pointed
    // at where they arrived.
    for (std::size_t k = 0; k < plan.size(); ++k) {
      const RowPlan& p = plan[k];
      if (!p.followsOuter || s.files.DirExists(p.current) || !s.files.DirExists(p.newLocation)) {
        continue;
      }
      RowRecord& line = record.rows[k];
      if (WriteLocation(s.registry, *p.row, p.newLocation, *saved)) {
        line.newLocation = p.newLocation;
        line.outcome = RowOutcome::Followed;
        if (p.row->row == kTempRow) ShareNewTempFolder(s.host, p.newLocation);
      } else {
        s.dialogs.MessageBox(kWriteRefusedText, kMbIconError, std::nullopt);
        line.outcome = RowOutcome::FollowRefused;
      }
    }
    const std::string recordFile = root + kRecordPrefix + *tag + ".txt";
    const bool recorded = s.files.WriteNewFile(recordFile, RecordText(record));
    shell.Now();
    if (NeedsAttention(record)) {
      s.dialogs.MessageBox(NeedsAttentionHint(recorded, recordFile), kMbIconWarning,
                           std::string(kHintTitle));
    }
  } catch (...) {
    shell.Now();
    form.SetWindowEnabled(true);
    s.dialogs.MessageBox(RunInterruptedText(root, record.undoFileName), kMbIconError,
                         std::string(kHintTitle));
    return;
  }

  form.SetWindowEnabled(true);
  form.MoveWindowTo(kParkedLeftTwips, 0);
  if (form.GetValue(Control::CkLogoff) == 1) s.host.SysLogoff();
  s.host.EndProgram();
}

}  // namespace

void RunTransferNT5(Services& services, MainForm& form) { RunTransfer(services, form, OsFamily::NT5); }

void RunTransferNT6(Services& services, MainForm& form) { RunTransfer(services, form, OsFamily::NT6); }

}  // namespace vestrand
