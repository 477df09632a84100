#include "startup/InterruptedRuns.h"

#include <set>
#include <string>

#include "relocation/FolderCatalogue.h"
#include "relocation/PathRules.h"
#include "relocation/RunRecord.h"
#include "relocation/SavedRegistry.h"
#include "relocation/UserTexts.h"

namespace vestrand {

namespace {

// A record is a few kilobytes; more is not a record of this program.
constexpr std::size_t kRecordReadLimit = 1u << 20;

}  // namespace

void TellOfInterruptedRuns(Services& s) {
  std::set<std::string> locations;
  std::set<std::string> looked;
  for (const FolderRow& row : FolderCatalogue()) {
    const std::string location = ReadUserValue(s.registry, ReadKeyOf(row), row.valueName);
    if (!paths::IsAbsolutePath(location)) continue;
    locations.insert(s.files.NameKey(location));
    const std::string folder = paths::ParentFolder(location);
    if (folder.empty() || !looked.insert(s.files.NameKey(folder)).second) continue;
    for (const std::string& name : s.files.FileNamesStartingWith(folder, kRecordFilePrefix)) {
      if (name.size() < 4 || name.compare(name.size() - 4, 4, ".txt") != 0) continue;
      const std::string recordFile = (folder.back() == '\\' ? folder : folder + "\\") + name;
      const auto text = s.files.ReadFileStart(recordFile, kRecordReadLimit);
      if (!text) continue;
      const auto run = ReadInterruptedRecord(*text);
      if (!run) continue;
      const std::string dir = recordFile.substr(0, recordFile.rfind('\\'));
      const bool registryMoved = !run->newLocation.empty() && locations.count(s.files.NameKey(run->newLocation)) != 0;
      s.dialogs.MessageBox(InterruptedRunHint(recordFile, dir + "\\" + run->undoFileName, run->caption,
                                              run->oldLocation, run->newLocation, registryMoved, run->notStarted),
                           kMbIconWarning, std::string(kHintTitle));
      // Told once: the box would otherwise come back at every start.
      Ignored(s.files.AppendToFile(recordFile, RecordSeenLine()), "a record that cannot be marked is told again");
    }
  }
}

}  // namespace vestrand
