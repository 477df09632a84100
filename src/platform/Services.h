// The small interfaces through which the program's logic reaches Windows. The Win32
// layer implements them for real; the tests implement them with an in-memory fake that
// records every call in order. Nothing here includes <windows.h>.
#ifndef VESTRAND_PLATFORM_SERVICES_H
#define VESTRAND_PLATFORM_SERVICES_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vestrand {

// Predefined registry roots, as Windows numbers them.
constexpr std::uint32_t kHkeyCurrentUser = 0x80000001u;

// Registry value types the program knows.
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;

constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
constexpr std::uint32_t kFileAttributeReadOnly = 0x1u;
constexpr std::uint32_t kFileAttributeDirectory = 0x10u;

constexpr unsigned kDriveFixed = 3;

constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;

constexpr unsigned kMbIconError = 16;
constexpr unsigned kMbIconWarning = 48;
constexpr unsigned kMbIconInformation = 64;

// What Windows answered to a request it may refuse: done, or refused with the system's
// error code. Every call that Windows may refuse answers so, and the caller must look at
// it; a caller that goes on whatever the answer says so with Ignored, and why.
struct [[nodiscard]] WinResult {
  bool ok = true;
  std::uint32_t error = 0;  // the system's error code when !ok
  static WinResult Success() { return {}; }
  static WinResult Failure(std::uint32_t code) { return {false, code}; }
  explicit operator bool() const { return ok; }
};

// The one way to go on whatever Windows answered; `why` says, where it is called, why
// that is right there.
inline void Ignored(const WinResult&, const char* why) { static_cast<void>(why); }

// What the system's version query reports, before any decision is made on it.
struct RawOsVersion {
  bool queried = false;  // the query succeeded
  std::uint32_t majorVersion = 0;
  std::uint32_t minorVersion = 0;
  std::uint32_t buildNumber = 0;
  std::uint32_t platformId = 0;
  std::array<char16_t, 128> servicePack{};  // as reported, NUL-terminated or full
};

// A registry value exactly as stored: its type and its bytes (text as UTF-16LE with its
// terminating NUL), so that it can be put back unchanged.
struct RegistryValue {
  bool exists = false;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

// Which folder a path reaches, whatever name it was reached by (a second drive letter,
// a junction): the volume's serial number and the folder's index on it.
struct FolderId {
  std::uint32_t volumeSerial = 0;
  std::uint64_t fileIndex = 0;
  bool operator==(const FolderId& o) const { return volumeSerial == o.volumeSerial && fileIndex == o.fileIndex; }
};

// One file below a folder: its path below it ("\a\b.txt"), its size in bytes and its last-write time as
// Windows keeps it (a FILETIME: 100 ns steps since 1601, UTC). A file of the same path, size and time in
// the target is the copy an interrupted earlier run left there.
struct FileEntry {
  std::string relativePath;
  std::uint64_t size = 0;
  std::uint64_t lastWrite = 0;
};

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // The value as display text (expanded, trimmed); empty when the key or value is
  // missing. `type` is in/out: it receives the value's type, or keeps what was passed.
  virtual std::string RegReadValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                                   std::uint32_t& type) = 0;
  // Creates the key path as needed and stores the value.
  virtual WinResult RegWriteValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                                  const std::string& value, std::uint32_t type) = 0;
  // The value as stored, unexpanded; `exists` false when there is none. Nothing when
  // the key or value could not be read for another reason (for example access denied).
  virtual std::optional<RegistryValue> RegReadRaw(std::uint32_t root, const std::string& keyPath,
                                                  const std::string& valueName) = 0;
  // Puts back what RegReadRaw returned: the same type and bytes, or no value at all.
  virtual WinResult RegRestoreValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                                    const RegistryValue& value) = 0;
};

// A value under HKEY_CURRENT_USER as display text, where its type is not wanted.
inline std::string ReadUserValue(Registry& registry, const std::string& keyPath, const std::string& valueName) {
  std::uint32_t type = 0;
  return registry.RegReadValue(kHkeyCurrentUser, keyPath, valueName, type);
}

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool DirExists(const std::string& path) = 0;
  virtual std::uint32_t GetFileAttributes(const std::string& path) = 0;
  // Creates every missing level of the path, top down; failures are silent.
  virtual void MakeDirectory(const std::string& path) = 0;
  // Sets the path's attributes to exactly `attributes`.
  virtual WinResult SetFileAttributes(const std::string& path, std::uint32_t attributes) = 0;
  // The shell's copy or move of one item into a folder, with its own progress and error
  // windows. What arrived is looked at afterwards, on the disk: the shell's answer does not
  // say which files it carried.
  virtual void ShellCopyFiles(const std::string& source, const std::string& destination) = 0;
  virtual void ShellMoveFiles(const std::string& source, const std::string& destination) = 0;
  // The folder's identity, following junctions and second drive letters; nothing when
  // it cannot be opened.
  virtual std::optional<FolderId> GetFolderId(const std::string& path) = 0;
  // The root of the volume holding the path ("C:\", a mount point); empty when unknown.
  virtual std::string VolumeOf(const std::string& path) = 0;
  // Bytes the user may still write on the volume holding the path.
  virtual std::optional<std::uint64_t> FreeBytes(const std::string& path) = 0;
  // Every file below the folder, at any depth. Junctions and symbolic links are not
  // entered: what they lead to is not carried with the folder.
  virtual std::vector<FileEntry> ListFiles(const std::string& folder) = 0;
  // Every file below the folder, entering junctions and linked folders as well: what a carry onto this
  // folder would meet. Each real folder is read once, known by its identity, so a link back up ends.
  virtual std::vector<FileEntry> ListFilesThroughLinks(const std::string& folder) = 0;
  // The text as the file system compares names: two names are one file when their keys are equal. Folded
  // with the system's own table, with the file system's rules rather than a language's: "Łódź" and "łódź",
  // "Ⅰ" and "ⅰ" are one, "ß" and "SS" are not, nor "ı" and "I". The key of sets and maps of paths, and what
  // "same or inside" compares. Cheap enough to call for every file.
  virtual std::string NameKey(const std::string& text) = 0;
  // What a volume can hold and how it counts room.
  struct VolumeFacts {
    std::string fileSystem;          // "NTFS", "FAT32", "FAT", "exFAT"...; empty when unknown
    bool persistentAcls = false;     // the volume keeps access lists (FILE_PERSISTENT_ACLS)
    std::uint64_t clusterBytes = 0;  // the unit every file's room is rounded up to; 0 when unknown
  };
  // Facts of the volume that holds, or would hold, the path (which may not exist yet); nothing when unknown.
  virtual std::optional<VolumeFacts> VolumeFactsOf(const std::string& path) = 0;
  // The files another program holds so that the shell could not read them (a copy) or take them away
  // (a move, `forMove`), as positions in `paths`, in order. A file that is gone or that the user may not
  // open is not "in use".
  virtual std::vector<std::size_t> FilesInUse(const std::vector<std::string>& paths, bool forMove) = 0;
  // The names of the programs holding the file, where the system can say (Vista and later); else none.
  virtual std::vector<std::string> ProgramsHolding(const std::string& path) = 0;
  // Writes a file that does not exist yet; refused when it exists or cannot be written
  // whole (a partly written file is removed).
  virtual WinResult WriteNewFile(const std::string& path, const std::string& bytes) = 0;
  // Gives an existing file exactly these bytes, keeping its attributes (a hidden desktop.ini
  // stays hidden); done once they are on the disk.
  virtual WinResult OverwriteFile(const std::string& path, const std::string& bytes) = 0;
  // Adds to the end of an existing file; done only once every byte is on the disk, so
  // that what was written survives the process being ended or the power failing.
  virtual WinResult AppendToFile(const std::string& path, const std::string& bytes) = 0;
  // The first `limit` bytes of a file (all of a shorter one); nothing when it cannot be read.
  virtual std::optional<std::string> ReadFileStart(const std::string& path, std::size_t limit) = 0;
  // The names of the files directly in `folder` whose names start with `prefix`.
  virtual std::vector<std::string> FileNamesStartingWith(const std::string& folder, const std::string& prefix) = 0;
  // Removes a folder only when it is empty.
  virtual WinResult RemoveEmptyDirectory(const std::string& path) = 0;
  // Gives a new folder the protection of a profile folder (see PrivateFolderSecurity);
  // refused on a volume without access lists. Where the owner cannot be set (a network share
  // refuses it) the access list alone is set; a failure means the access list was not set.
  virtual WinResult ProtectPrivateFolder(const std::string& path) = 0;
};

class Host {
 public:
  virtual ~Host() = default;
  virtual RawOsVersion QueryOsVersion() = 0;
  virtual unsigned GetDriveType(const std::string& root) = 0;
  // Starts a command line as a separate process and returns at once.
  virtual WinResult StartCommand(const std::string& commandLine, int showState) = 0;
  virtual void Sleep(unsigned milliseconds) = 0;
  virtual void SysLogoff() = 0;
  // The folder holding the program's own executable file.
  virtual std::string ProgramFolder() = 0;
  // The program's own environment, inherited by what it starts.
  virtual void SetEnvironmentVariable(const std::string& name, const std::string& value) = 0;
  // Tells running programs that the user's environment changed; bounded in time.
  virtual void BroadcastEnvironmentChange() = 0;
  // Every window closes and the process ends. A fake returns; callers return after it.
  virtual void EndProgram() = 0;
  // Before the desktop shell is ended: a watcher outside this process brings the shell back should this
  // process end (ended by force, crashed) before ShellRestored. Refused: the run goes on without one.
  virtual WinResult GuardShell() = 0;
  // The run has brought the shell back itself: the watcher ends without doing anything.
  virtual void ShellRestored() = 0;
  virtual LocalTime Now() = 0;
  // A folder a sync client keeps in step with the cloud: moving it out is, for the client, deleting it.
  struct SyncRoot {
    std::string folder;
    std::string client;  // the name the system gives the client; may be empty
  };
  // The folders sync clients keep for this user: those registered with the system, and those the
  // OneDrive variables of the environment name. Each folder once.
  virtual std::vector<SyncRoot> SyncRoots() = 0;
  // The Windows that really runs, as "major.minor.build" ("10.0.22631"), whatever the version query
  // answers this program; empty when unknown.
  virtual std::string RealWindowsVersion() = 0;
};

using VolumeFacts = FileSystem::VolumeFacts;
using SyncRoot = Host::SyncRoot;

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // The system folder dialog over the main window; empty text when cancelled.
  virtual std::string BrowseFolder(const std::string& title, const std::string& startFolder) = 0;
  // A modal message box; without a title the program's default title is shown.
  virtual void MessageBox(const std::string& text, unsigned flags, const std::optional<std::string>& title) = 0;
  // A modal message box centred over the main window.
  virtual void CenterMsgBox(const std::string& text, unsigned flags, const std::string& title) = 0;
  // The wait cursor over the program while a long check runs on the interface thread.
  virtual void ShowWaitCursor(bool waiting) = 0;
};

// Everything the logic may ask of Windows, handed around as one bundle.
struct Services {
  Registry& registry;
  FileSystem& files;
  Host& host;
  Dialogs& dialogs;
};

}  // namespace vestrand

#endif
