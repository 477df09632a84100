#include "relocation/RunChecks.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "relocation/PathRules.h"
#include "relocation/UserTexts.h"

namespace vestrand {

namespace {

constexpr std::size_t kClashesNamed = 10;
// Room left on the target beyond the files themselves: folders, the shell's own records,
// and what other programs write meanwhile.
constexpr std::uint64_t kMinimumMargin = 50ull << 20;

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
                                                     const std::string& target, const std::string& root,
                                                     Mode mode) {
  std::vector<std::pair<FolderId, const RowPlan*>> carried;
  for (const RowPlan& p : plan) {
    if (!WillCarry(p, mode)) continue;
    if (paths::IsSameOrInside(target, p.current)) return TargetInsideFolderRefusal(target, p.current);
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
std::optional<std::string> SharedNewLocation(const std::vector<RowPlan>& plan) {
  for (std::size_t k = 0; k < plan.size(); ++k) {
    const RowPlan& b = plan[k];
    if (!b.ticked || b.newLocation.empty() || b.travelsWithOuter) continue;
    for (std::size_t j = 0; j < k; ++j) {
      const RowPlan& a = plan[j];
      if (!a.ticked || a.newLocation.empty() || a.travelsWithOuter) continue;
      // Two rows that already share one folder keep sharing it.
      if (paths::IsSamePath(a.current, b.current)) continue;
      if (paths::IsSamePath(a.newLocation, b.newLocation)) return SameNameRefusal(a.current, b.current, a.newLocation);
    }
  }
  return std::nullopt;
}

// The nearest folder of `path` that exists, the path itself included.
std::string ExistingAncestor(FileSystem& files, const std::string& path) {
  for (std::string level = paths::DriveRootAware(path); !level.empty(); level = paths::ParentFolder(level)) {
    if (files.DirExists(level)) return level;
  }
  return std::string();
}

// Looks at the files to be carried: none may replace a file already in the target, and
// they must fit on the target's volume. Fills each carried row's file list.
std::optional<std::string> CarryProblem(Services& s, std::vector<RowPlan>& plan, const std::string& targetFolder,
                                        Mode mode) {
  std::vector<std::string> clashes;
  std::size_t clashCount = 0;
  std::uint64_t needed = 0;
  const std::string targetVolume = paths::CaseKey(s.files.VolumeOf(targetFolder));
  for (RowPlan& p : plan) {
    if (!p.carriedAlone) continue;
    p.files = s.files.ListFiles(p.current);
    if (s.files.DirExists(p.newLocation)) {
      std::set<std::string> present;
      for (const FileEntry& f : s.files.ListFiles(p.newLocation)) present.insert(paths::CaseKey(f.relativePath));
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
  // A folder carried inside another is settled by its own files: they are the outer
  // folder's files below it.
  for (RowPlan& p : plan) {
    if (!p.travelsWithOuter) continue;
    const RowPlan& outer = plan[p.outer];
    const std::string below = paths::RelativeBelow(p.current, outer.current) + "\\";
    const std::string belowKey = paths::CaseKey(below);
    for (const FileEntry& f : outer.files) {
      if (paths::CaseKey(f.relativePath.substr(0, below.size())) == belowKey) {
        p.files.push_back({f.relativePath.substr(below.size() - 1), f.size});
      }
    }
  }
  if (clashCount > 0) return FilesWouldBeReplacedRefusal(clashCount, clashes);
  if (needed == 0 || targetFolder.empty()) return std::nullopt;
  const auto free = s.files.FreeBytes(targetFolder);
  const std::uint64_t margin = std::max<std::uint64_t>(needed / 20, kMinimumMargin);
  if (free && *free < needed + margin) return NotEnoughSpaceRefusal(SizeText(needed), targetFolder, SizeText(*free));
  return std::nullopt;
}

}  // namespace

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

std::optional<std::string> RefusalBeforeRun(Services& s, std::vector<RowPlan>& plan, const std::string& target,
                                            const std::string& root, Mode mode, std::string& existingAncestor) {
  if (auto problem = TargetProblem(target)) return problem;
  if (auto problem = TargetInsideCarriedFolder(s, plan, target, root, mode)) return problem;
  if (auto problem = SharedNewLocation(plan)) return problem;
  existingAncestor = ExistingAncestor(s.files, root);
  // Walking every file may take a while on a large profile.
  s.dialogs.ShowWaitCursor(true);
  auto problem = CarryProblem(s, plan, existingAncestor, mode);
  s.dialogs.ShowWaitCursor(false);
  return problem;
}

}  // namespace vestrand
