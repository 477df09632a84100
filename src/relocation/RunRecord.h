// The plain record a run leaves beside the relocated folders, so that the user can see
// what happened to each row.
#ifndef VESTRAND_RELOCATION_RUNRECORD_H
#define VESTRAND_RELOCATION_RUNRECORD_H

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Services.h"

namespace vestrand {

enum class RowOutcome {
  LeftAlone,        // not ticked; nothing changed
  Moved,            // the folder is in its new place
  Copied,           // a copy is in the new place; the old folder stays
  AlreadyInPlace,   // the folder already was where the run would put it
  EmptyFolderMade,  // discard mode, or there were no files to carry
  PointedBack,      // the shell carried nothing; the registry still names the old folder
  MovedInPart,      // `files` files are still in the old folder
  CopiedInPart,     // `files` files were not copied
  WriteRefused,     // the registry refused a value; nothing of the row changed
  Followed,         // not ticked, but moved along inside a ticked folder
  FollowRefused,    // moved along, but the registry refused its new place
};

struct RowRecord {
  std::string caption;
  std::string oldLocation;
  std::string newLocation;  // where the registry names it now
  RowOutcome outcome = RowOutcome::LeftAlone;
  std::size_t files = 0;
};

struct RunRecord {
  LocalTime time;
  std::string windowsVersion;
  std::string mode;
  std::string target;
  bool targetCreated = false;
  bool targetProtected = false;  // made private to the user when it was created
  std::string undoFileName;
  std::vector<RowRecord> rows;
};

// "20261206-153000"
std::string TimeStamp(const LocalTime& time);

// The record as the user reads it in Notepad: UTF-8 with a byte-order mark, CRLF lines.
std::string RecordText(const RunRecord& record);

// Whether the user must be told about the run: files left behind or a refused write.
bool NeedsAttention(const RunRecord& record);

}  // namespace vestrand

#endif
