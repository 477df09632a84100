#include "relocation/RunChecks.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "platform/Text.h"
#include "relocation/PathRules.h"
#include "relocation/UserTexts.h"

namespace vestrand {

namespace {

constexpr std::size_t kNamed = 10;  // a box names at most so many files or folders
// Room left on the target beyond the files themselves: the shell's own records, and what
// other programs write meanwhile.
constexpr std::uint64_t kMinimumMargin = 50ull << 20;
// The shell carries no path this long or longer (MAX_PATH with its NUL; a folder must leave
// room for an 8.3 name below it).
constexpr std::size_t kLongestFilePath = 259;
constexpr std::size_t kLongestFolderPath = 247;
// No file this large fits in a FAT file system.
constexpr std::uint64_t kFatFileLimit = 4ull << 30;

// "12.5 MB", "3.2 GB".
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

// Up to kNamed of what a refusal is about, and how many there were in all.
struct Findings {
  std::size_t count = 0;
  std::vector<std::string> named;
  void Add(const std::string& what) {
    if (++count <= kNamed) named.push_back(what);
  }
};

// A refusal text for a target root that must not be used, or nothing when it is fine.
std::optional<std::string> TargetProblem(const std::string& target) {
  if (!paths::IsAbsolutePath(target)) return NotAFullPathRefusal(target);
  if (!paths::HasUsableFolderNames(target)) return UnusableNamesRefusal(target);
  return std::nullopt;
}

// The target must not lie in a folder to be carried, whether it is typed as such or
// reaches it by another name (a second drive letter, a junction): the shell would carry
// a folder into itself.
std::optional<std::string> TargetInsideCarriedFolder(Services& s, const std::vector<RowPlan>& plan,
                                                     const std::string& target, const std::string& root, Mode mode) {
  const paths::Fold fold = NamesOf(s.files);
  std::vector<std::pair<FolderId, const RowPlan*>> carried;
  for (const RowPlan& p : plan) {
    if (!WillCarry(p, mode)) continue;
    if (paths::IsSameOrInside(target, p.current, fold)) return TargetInsideFolderRefusal(target, p.current);
    if (const auto id = s.files.GetFolderId(p.current)) carried.emplace_back(*id, &p);
  }
  if (carried.empty()) return std::nullopt;
  for (std::string level = paths::DriveRootAware(root); !level.empty(); level = paths::ParentFolder(level)) {
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
std::optional<std::string> SharedNewLocation(FileSystem& files, const std::vector<RowPlan>& plan) {
  const paths::Fold fold = NamesOf(files);
  for (std::size_t k = 0; k < plan.size(); ++k) {
    const RowPlan& b = plan[k];
    if (!Relocates(b) || b.travelsWithOuter) continue;
    for (std::size_t j = 0; j < k; ++j) {
      const RowPlan& a = plan[j];
      if (!Relocates(a) || a.travelsWithOuter) continue;
      // Two rows that already share one folder keep sharing it.
      if (paths::IsSamePath(a.current, b.current, fold)) continue;
      if (paths::IsSamePath(a.newLocation, b.newLocation, fold)) {
        return SameNameRefusal(a.current, b.current, a.newLocation);
      }
    }
  }
  return std::nullopt;
}

// Moving a folder out of a folder a sync client keeps is, for the client, deleting it:
// from the cloud and from every other computer of the account.
std::optional<std::string> LeavesSyncFolder(Services& s, const std::vector<RowPlan>& plan, Mode mode) {
  if (mode != Mode::Move) return std::nullopt;
  const paths::Fold fold = NamesOf(s.files);
  const std::vector<Host::SyncRoot> roots = s.host.SyncRoots();
  Findings found;
  for (const RowPlan& p : plan) {
    if (!WillCarry(p, mode) || p.travelsWithOuter) continue;
    for (const Host::SyncRoot& root : roots) {
      if (!paths::IsSameOrInside(p.current, root.folder, fold) &&
          !paths::IsSameOrInside(root.folder, p.current, fold)) {
        continue;
      }
      found.Add(p.caption + ": " + p.current + (root.client.empty() ? "" : " (" + root.client + ")"));
      break;
    }
  }
  if (found.count == 0) return std::nullopt;
  return SyncFolderRefusal(found.count, found.named);
}

std::size_t PathLength(const std::string& path) { return Utf8ToUtf16(path).size(); }

// The folders below a row's folder that hold its files, as paths below it ("\a", "\a\b").
std::set<std::string> FoldersOf(const std::vector<FileEntry>& files) {
  std::set<std::string> folders;
  for (const FileEntry& f : files) {
    for (std::size_t at = f.relativePath.find('\\', 1); at != std::string::npos;
         at = f.relativePath.find('\\', at + 1)) {
      folders.insert(f.relativePath.substr(0, at));
    }
  }
  return folders;
}

// One walk over the files to be carried, looking at everything that could make the shell
// lose, replace or leave behind a file: a file of the same name that differs in the
// target, a file another program holds, a path too long for the shell at either end, a
// file too large for the target's file system, and the room the files take there.
class CarryWalk {
 public:
  CarryWalk(Services& s, Mode mode, const std::string& targetFolder) : s_(s), mode_(mode) {
    if (targetFolder.empty()) return;
    targetVolume_ = s.files.NameKey(s.files.VolumeOf(targetFolder));
    if (const auto facts = s.files.VolumeFactsOf(targetFolder)) {
      cluster_ = facts->clusterBytes;
      const std::string fs = s.files.NameKey(facts->fileSystem);
      fat_ = fs == s.files.NameKey("FAT") || fs == s.files.NameKey("FAT32");
      fileSystem = facts->fileSystem;
    }
  }

  void Row(RowPlan& p) {
    p.files = s_.files.ListFiles(p.current);
    std::map<std::string, const FileEntry*> present;
    std::vector<FileEntry> there;
    if (s_.files.DirExists(p.newLocation)) there = s_.files.ListFilesThroughLinks(p.newLocation);
    for (const FileEntry& f : there) present[s_.files.NameKey(f.relativePath)] = &f;
    // A move within one volume only renames; anything else writes every byte again.
    const std::string volume = s_.files.NameKey(s_.files.VolumeOf(p.current));
    const bool rewritten = mode_ == Mode::Copy || volume.empty() || volume != targetVolume_;
    const bool lookForHolders = !p.row->programsHoldFiles;
    for (const FileEntry& f : p.files) {
      const bool shells = IsShellsOwnFile(s_.files, f.relativePath);
      const auto same = present.find(s_.files.NameKey(f.relativePath));
      const bool leftover =
          same != present.end() && same->second->size == f.size && same->second->lastWrite == f.lastWrite;
      if (same != present.end() && !leftover) {
        if (shells) {
          p.keptInTarget.push_back(same->second->relativePath);
        } else {
          clashes.Add(p.newLocation + f.relativePath);
        }
      }
      if (lookForHolders && !shells) { mayBeHeld_.push_back(p.current + f.relativePath); }
      for (const std::string& path : {p.current + f.relativePath, p.newLocation + f.relativePath}) {
        if (PathLength(path) > kLongestFilePath) tooLong.Add(ShortenedInTheMiddle(path));
      }
      if (fat_ && f.size >= kFatFileLimit) tooLarge.Add(p.current + f.relativePath);
      // A leftover copy already takes its room.
      if (rewritten && !leftover) needed += Rounded(f.size);
    }
    for (const std::string& folder : FoldersOf(p.files)) {
      for (const std::string& path : {p.current + folder, p.newLocation + folder}) {
        if (PathLength(path) > kLongestFolderPath) tooLong.Add(ShortenedInTheMiddle(path));
      }
      if (rewritten) needed += Rounded(0);
    }
    if (rewritten) needed += Rounded(0);  // the row's own folder
  }

  // The files other programs may hold are opened together, once every row has been walked.
  void LookForHolders() {
    for (std::size_t at : s_.files.FilesInUse(mayBeHeld_, mode_ == Mode::Move)) {
      std::string named = mayBeHeld_[at];
      if (inUse.count < kNamed) {
        const std::vector<std::string> programs = s_.files.ProgramsHolding(named);
        for (std::size_t i = 0; i < programs.size(); ++i) named += (i == 0 ? " (" : ", ") + programs[i];
        if (!programs.empty()) named += ")";
      }
      inUse.Add(named);
    }
  }

  // Filled by Row, but for inUse, filled by LookForHolders.
  Findings clashes, inUse, tooLong, tooLarge;
  std::uint64_t needed = 0;
  std::string fileSystem;  // of the target's volume

 private:
  // Every file takes whole clusters, and every folder at least one.
  std::uint64_t Rounded(std::uint64_t size) const {
    if (cluster_ == 0) return size;
    return std::max<std::uint64_t>(1, (size + cluster_ - 1) / cluster_) * cluster_;
  }

  Services& s_;
  Mode mode_;
  std::vector<std::string> mayBeHeld_;
  std::string targetVolume_;
  std::uint64_t cluster_ = 0;
  bool fat_ = false;
};

// The nearest folder of `path` that exists, the path itself included.
std::string ExistingAncestor(FileSystem& files, const std::string& path) {
  for (std::string level = paths::DriveRootAware(path); !level.empty(); level = paths::ParentFolder(level)) {
    if (files.DirExists(level)) return level;
  }
  return std::string();
}

// Fills each carried row's file list; a folder carried inside another gets its share of
// the outer folder's files, by which it is settled afterwards.
std::optional<std::string> CarryProblem(Services& s, std::vector<RowPlan>& plan, const std::string& targetFolder,
                                        Mode mode) {
  CarryWalk walk(s, mode, targetFolder);
  for (RowPlan& p : plan) {
    if (p.carriedAlone) walk.Row(p);
  }
  walk.LookForHolders();
  for (RowPlan& p : plan) {
    if (!p.travelsWithOuter) continue;
    const RowPlan& outer = plan[p.outer];
    const std::string below = paths::RelativeBelow(p.current, outer.current) + "\\";
    const std::string belowKey = s.files.NameKey(below);
    for (const FileEntry& f : outer.files) {
      if (s.files.NameKey(f.relativePath.substr(0, below.size())) == belowKey) {
        p.files.push_back({f.relativePath.substr(below.size() - 1), f.size, f.lastWrite});
      }
    }
  }
  if (walk.clashes.count > 0) return FilesWouldBeReplacedRefusal(walk.clashes.count, walk.clashes.named);
  if (walk.inUse.count > 0) return FilesInUseRefusal(walk.inUse.count, walk.inUse.named);
  if (walk.tooLong.count > 0) return PathsTooLongRefusal(walk.tooLong.count, walk.tooLong.named);
  if (walk.tooLarge.count > 0) {
    return FilesTooLargeRefusal(walk.tooLarge.count, walk.tooLarge.named, walk.fileSystem);
  }
  if (walk.needed == 0 || targetFolder.empty()) return std::nullopt;
  const auto free = s.files.FreeBytes(targetFolder);
  const std::uint64_t margin = std::max<std::uint64_t>(walk.needed / 20, kMinimumMargin);
  if (free && *free < walk.needed + margin) {
    return NotEnoughSpaceRefusal(SizeText(walk.needed), targetFolder, SizeText(*free));
  }
  return std::nullopt;
}

// Shows the wait cursor while it lives: walking every file may take a while.
class WaitCursor {
 public:
  explicit WaitCursor(Dialogs& dialogs) : dialogs_(dialogs) { dialogs_.ShowWaitCursor(true); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  ~WaitCursor() { dialogs_.ShowWaitCursor(false); }

 private:
  Dialogs& dialogs_;
};

}  // namespace

std::optional<std::string> RefusalBeforeRun(Services& s, std::vector<RowPlan>& plan, const std::string& target,
                                            const std::string& root, Mode mode, std::string& existingAncestor) {
  if (auto problem = TargetProblem(target)) return problem;
  if (auto problem = TargetInsideCarriedFolder(s, plan, target, root, mode)) return problem;
  if (auto problem = SharedNewLocation(s.files, plan)) return problem;
  if (auto problem = LeavesSyncFolder(s, plan, mode)) return problem;
  existingAncestor = ExistingAncestor(s.files, root);
  const WaitCursor waiting(s.dialogs);
  return CarryProblem(s, plan, existingAncestor, mode);
}

}  // namespace vestrand
