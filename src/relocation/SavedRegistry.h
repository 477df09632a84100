// The registry as it was before a run: saved before anything changes, written into the
// undo file beside the relocated folders, and put back row by row when a row cannot move.
#ifndef VESTRAND_RELOCATION_SAVEDREGISTRY_H
#define VESTRAND_RELOCATION_SAVEDREGISTRY_H

#include <optional>
#include <string>
#include <vector>

#include "platform/Services.h"
#include "relocation/FolderCatalogue.h"

namespace vestrand {

// One value as it was before the run, under HKEY_CURRENT_USER.
struct SavedValue {
  std::string keyPath;
  std::string valueName;
  RegistryValue value;
};
using Snapshot = std::vector<SavedValue>;

// Every value a run may change, as it is now: both Explorer keys and the environment.
// Nothing when one of them cannot be read.
std::optional<Snapshot> SaveRegistry(Registry& registry);

// Puts both of the row's values back exactly as they were, type included.
void RestoreRow(Registry& registry, const FolderRow& row, const Snapshot& saved);

// Both of the row's values, or neither: a refused write puts the first back.
[[nodiscard]] bool WriteLocation(Registry& registry, const FolderRow& row, const std::string& location,
                                 const Snapshot& saved);

// A file the Registry Editor imports on a double-click: UTF-16LE with a byte-order mark,
// CRLF lines, values grouped by key in the order given. A value that did not exist is
// deleted on import.
std::string RegistryUndoFile(const Snapshot& values);

// The undo and record files' names start so, followed by the run's time tag.
inline constexpr const char* kUndoFilePrefix = "Vestrand-还原-";
inline constexpr const char* kRecordFilePrefix = "Vestrand-记录-";

// Writes the undo file into `root`, named after the moment and never replacing the file
// of an earlier run. Returns the name's distinguishing part (the time, and a number when
// that time is taken), or nothing when it cannot be written.
std::optional<std::string> WriteUndoFile(FileSystem& files, const std::string& root, const std::string& stamp,
                                         const Snapshot& saved);

}  // namespace vestrand

#endif
