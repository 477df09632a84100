// The record a run leaves beside the relocated folders. It is a journal: begun before
// the shell is ended and added to, on the disk, before and after each row, so that a run
// ended by force still says which rows were done, which was under way and which were not
// started; the next start reads it back.
#ifndef VESTRAND_RELOCATION_RUNRECORD_H
#define VESTRAND_RELOCATION_RUNRECORD_H

#include <cstddef>
#include <optional>
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
  bool targetProtected = false;  // made private to the user when it was created (else its drive keeps no access lists)
  std::string undoFileName;
  std::vector<RowRecord> rows;
};

// "20261206-153000"
std::string TimeStamp(const LocalTime& time);

// Whether the user must be told about the run: files left behind or a refused write.
bool NeedsAttention(const RunRecord& record);

// Writes the record as the run goes. Every piece is on the disk before the run goes on;
// a piece that could not be written makes the record not whole, and a record that is not
// whole is never named to the user.
class RunJournal {
 public:
  RunJournal(FileSystem& files, std::string path) : files_(files), path_(std::move(path)) {}
  // The header, the rows to be carried, and a line saying the run is under way.
  void Begin(const RunRecord& header, const std::vector<std::string>& plannedCaptions);
  void RowStarted(const std::string& caption, const std::string& oldLocation, const std::string& newLocation);
  // The row's place and outcome; a row that was not started first gets its whole entry.
  void RowSettled(const RowRecord& row, bool started);
  // The last line: the run ended, normally or stopped by an unforeseen error.
  void Ended(bool stoppedByError);
  bool Whole() const { return whole_; }
  const std::string& Path() const { return path_; }

 private:
  void Add(const std::string& text);
  FileSystem& files_;
  std::string path_;
  bool begun_ = false;
  bool whole_ = false;
};

// What the record of a run that never ended says about where it stopped.
struct InterruptedRun {
  std::string undoFileName;
  std::string caption;      // the row under way when it stopped; empty: it stopped between rows
  std::string oldLocation;  // that row's old folder
  std::string newLocation;  // and its new one, which the registry already names
  std::vector<std::string> notStarted;
};

// Nothing when the record's run ended, or the user has already been told of it.
std::optional<InterruptedRun> ReadInterruptedRecord(const std::string& text);
// Appended to a record once the user has been told of it, so that it is told once.
std::string RecordSeenLine();

}  // namespace vestrand

#endif
