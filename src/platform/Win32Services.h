// The Win32 implementations of the service interfaces. Each method is a thin wrapper:
// any decision it needs is made by portable code it calls.
#ifndef VESTRAND_PLATFORM_WIN32SERVICES_H
#define VESTRAND_PLATFORM_WIN32SERVICES_H

#include <windows.h>

#include "platform/HostServices.h"
#include "platform/Services.h"

namespace vestrand {

class Win32Registry final : public Registry {
 public:
  std::string RegReadValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                           std::uint32_t& type) override;
  WinResult RegWriteValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                          const std::string& value, std::uint32_t type) override;
  std::optional<RegistryValue> RegReadRaw(std::uint32_t root, const std::string& keyPath,
                                          const std::string& valueName) override;
  WinResult RegRestoreValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                            const RegistryValue& value) override;
};

class Win32FileSystem final : public FileSystem {
 public:
  bool DirExists(const std::string& path) override;
  std::uint32_t GetFileAttributes(const std::string& path) override;
  void MakeDirectory(const std::string& path) override;
  WinResult SetFileAttributes(const std::string& path, std::uint32_t attributes) override;
  void ShellCopyFiles(const std::string& source, const std::string& destination) override;
  void ShellMoveFiles(const std::string& source, const std::string& destination) override;
  std::optional<FolderId> GetFolderId(const std::string& path) override;
  std::string VolumeOf(const std::string& path) override;
  std::optional<std::uint64_t> FreeBytes(const std::string& path) override;
  std::vector<FileEntry> ListFiles(const std::string& folder) override;
  std::vector<FileEntry> ListFilesThroughLinks(const std::string& folder) override;
  std::string NameKey(const std::string& text) override;
  std::optional<VolumeFacts> VolumeFactsOf(const std::string& path) override;
  std::vector<std::size_t> FilesInUse(const std::vector<std::string>& paths, bool forMove) override;
  std::vector<std::string> ProgramsHolding(const std::string& path) override;
  WinResult WriteNewFile(const std::string& path, const std::string& bytes) override;
  WinResult OverwriteFile(const std::string& path, const std::string& bytes) override;
  WinResult AppendToFile(const std::string& path, const std::string& bytes) override;
  std::optional<std::string> ReadFileStart(const std::string& path, std::size_t limit) override;
  std::vector<std::string> FileNamesStartingWith(const std::string& folder, const std::string& prefix) override;
  WinResult RemoveEmptyDirectory(const std::string& path) override;
  WinResult ProtectPrivateFolder(const std::string& path) override;
};

// Not final: the benchmark's host keeps the shell running.
class Win32Host : public Host {
 public:
  RawOsVersion QueryOsVersion() override;
  unsigned GetDriveType(const std::string& root) override;
  WinResult StartCommand(const std::string& commandLine, int showState) override;
  void Sleep(unsigned milliseconds) override;
  void SysLogoff() override;
  std::string ProgramFolder() override;
  void SetEnvironmentVariable(const std::string& name, const std::string& value) override;
  void BroadcastEnvironmentChange() override;
  void EndProgram() override;
  WinResult GuardShell() override;
  void ShellRestored() override;
  LocalTime Now() override;
  std::vector<SyncRoot> SyncRoots() override;
  std::string RealWindowsVersion() override;
};

// A value of an open key as display text (expanded where stored so), read whole however long;
// nothing when it cannot be read. `type` receives its type.
std::optional<std::string> ReadValueText(HKEY key, const std::wstring& name, DWORD& type);

// `text` with the environment's %variables% expanded; as it is when that fails.
std::string ExpandEnvironment(const std::string& text);

// The SID of the user this program runs as, in its text form ("S-1-5-21-..."); false when unknown.
bool CurrentUserSid(std::string& sid);

// The full file name of the command line's program, taken from the system's own folders where it
// belongs (see LocateProgram); empty when it is left to the usual search.
WinResult ResolveApplication(const ProgramLocation& location, std::wstring& application);

// The shell's watcher, run when the command line is the one GuardShell gives it: returns true and the
// watcher's exit code once it is done. Any other command line is left to the program.
bool RunAsShellWatcher(const wchar_t* commandLine, int& exitCode);

// From now on, a crash while a run has the shell ended brings the shell back before the process dies.
void BringShellBackOnCrash();

// Dialogs shown over the main window; `owner` may be set once the window exists.
class Win32Dialogs final : public Dialogs {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  HWND Owner() const { return owner_; }
  std::string BrowseFolder(const std::string& title, const std::string& startFolder) override;
  void MessageBox(const std::string& text, unsigned flags, const std::optional<std::string>& title) override;
  void CenterMsgBox(const std::string& text, unsigned flags, const std::string& title) override;
  void ShowWaitCursor(bool waiting) override;

 private:
  HWND owner_ = nullptr;
};

// The full file name of the program's own executable; empty when it cannot be had.
std::wstring ProgramFileName();

// The program's default message-box title.
extern const wchar_t* const kDefaultMessageTitle;

}  // namespace vestrand

#endif
