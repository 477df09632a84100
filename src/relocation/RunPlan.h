// Where each row of a run goes: read once from the main window before anything changes.
#ifndef VESTRAND_RELOCATION_RUNPLAN_H
#define VESTRAND_RELOCATION_RUNPLAN_H

#include <string>
#include <vector>

#include "platform/OsVersion.h"
#include "platform/Services.h"
#include "relocation/FolderCatalogue.h"
#include "relocation/FormFields.h"
#include "relocation/PathRules.h"

namespace vestrand {

enum class Mode { None, Copy, Move, Discard };

// The selected mode, tested in this order; with none selected no file work is done.
Mode ReadMode(MainForm& form);
// The mode as the record names it.
const char* ModeName(Mode mode);
bool CarriesFiles(Mode mode);

// One catalogue row as the run sees it once the new locations are known.
struct RowPlan {
  const FolderRow* row = nullptr;
  std::string caption;  // as the window shows it to this family, without its colon
  bool ticked = false;
  std::string current;
  std::string newLocation;                // empty: the row is left alone, whatever its tick
  bool folderFound = true;                // NT 5.x looks before it plans; NT 6.x takes the box's word
  bool travelsWithOuter = false;          // carried inside an earlier row's folder,
  std::size_t outer = 0;                  // the plan's entry of that row
  bool followsOuter = false;              // unticked, but moved all the same inside a ticked folder
  bool carriedAlone = false;              // the shell is asked to copy or move this folder itself
  std::vector<FileEntry> files;           // what that copy or move, its own or the outer row's, should carry
  std::vector<std::string> keptInTarget;  // the shell's own files (desktop.ini) the target keeps, below it
};

// Whether the run writes the row's new location: ticked, with somewhere to go.
inline bool Relocates(const RowPlan& p) { return p.ticked && !p.newLocation.empty(); }

// Whether the row's folder will be carried by a shell copy or move of its own or of an
// enclosing row.
bool WillCarry(const RowPlan& p, Mode mode);

// The file system's own comparison of names, for the path rules.
inline paths::Fold NamesOf(FileSystem& files) {
  return [&files](const std::string& name) { return files.NameKey(name); };
}

// The hidden desktop.ini and Thumbs.db the shell keeps in every folder: its own, not the user's.
bool IsShellsOwnFile(FileSystem& files, const std::string& path);

// The row's caption as the window shows it to this family, without its colon.
std::string CaptionOf(const FolderRow& row, OsFamily family);

// Every row of the catalogue, in order, with its new location under `root`.
std::vector<RowPlan> PlanRows(Services& s, MainForm& form, OsFamily family, const std::string& root, Mode mode);

}  // namespace vestrand

#endif
