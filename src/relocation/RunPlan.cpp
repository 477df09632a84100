#include "relocation/RunPlan.h"

#include "relocation/UserTexts.h"

namespace vestrand {

Mode ReadMode(MainForm& form) {
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

std::string CaptionOf(const FolderRow& row, OsFamily family) {
  std::string caption = family == OsFamily::NT5 ? row.nt5Caption : row.caption;
  if (!caption.empty() && caption.back() == ':') caption.pop_back();
  return caption;
}

bool IsShellsOwnFile(FileSystem& files, const std::string& path) {
  const std::string name = files.NameKey(path.substr(path.rfind('\\') + 1));
  return name == files.NameKey("desktop.ini") || name == files.NameKey("Thumbs.db");
}

bool CarriesFiles(Mode mode) { return mode == Mode::Copy || mode == Mode::Move; }

bool WillCarry(const RowPlan& p, Mode mode) { return CarriesFiles(mode) && Relocates(p) && p.folderFound; }

namespace {

RowPlan PlanRow(Services& s, MainForm& form, OsFamily family, const std::string& root, const FolderRow& row) {
  RowPlan p;
  p.row = &row;
  p.caption = CaptionOf(row, family);
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
  return p;
}

// A folder inside an earlier ticked folder arrives inside it; it is sent where it will
// really be and is not carried a second time.
void SendInnerFoldersWithOuter(std::vector<RowPlan>& plan, Mode mode, const paths::Fold& fold) {
  for (std::size_t k = 0; k < plan.size(); ++k) {
    if (!WillCarry(plan[k], mode)) continue;
    for (std::size_t j = 0; j < k; ++j) {
      if (WillCarry(plan[j], mode) && paths::IsSameOrInside(plan[k].current, plan[j].current, fold)) {
        plan[k].newLocation = plan[j].newLocation + paths::RelativeBelow(plan[k].current, plan[j].current);
        plan[k].travelsWithOuter = true;
        plan[k].outer = j;
        break;
      }
    }
  }
}

// An unticked folder inside a folder that is moved leaves with it: its location must
// follow, or the registry would name a folder that is gone. Only a folder that is there
// can leave; a row start-up found empty stays as it was.
void FollowMovedOuterFolders(Services& s, std::vector<RowPlan>& plan, Mode mode) {
  for (std::size_t k = 0; k < plan.size(); ++k) {
    RowPlan& inner = plan[k];
    if (inner.ticked || !paths::IsAbsolutePath(inner.current)) continue;
    for (std::size_t j = 0; j < plan.size(); ++j) {
      if (j != k && WillCarry(plan[j], mode) &&
          paths::IsSameOrInside(inner.current, plan[j].current, NamesOf(s.files))) {
        if (!s.files.DirExists(inner.current)) break;
        inner.newLocation = plan[j].newLocation + paths::RelativeBelow(inner.current, plan[j].current);
        inner.followsOuter = true;
        break;
      }
    }
  }
}

}  // namespace

std::vector<RowPlan> PlanRows(Services& s, MainForm& form, OsFamily family, const std::string& root, Mode mode) {
  std::vector<RowPlan> plan;
  for (const FolderRow& row : FolderCatalogue()) plan.push_back(PlanRow(s, form, family, root, row));
  if (!CarriesFiles(mode)) return plan;
  const paths::Fold fold = NamesOf(s.files);
  SendInnerFoldersWithOuter(plan, mode, fold);
  // On NT 5.x the folder was looked at above: WillCarry already holds only for one that exists.
  for (RowPlan& p : plan) {
    p.carriedAlone = WillCarry(p, mode) && !p.travelsWithOuter && !paths::IsSamePath(p.current, p.newLocation, fold);
  }
  if (mode == Mode::Move) FollowMovedOuterFolders(s, plan, mode);
  return plan;
}

}  // namespace vestrand
