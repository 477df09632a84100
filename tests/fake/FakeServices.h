// An in-memory Windows for the portable logic: registry, file tree, processes, dialogs
// and the main window. What the runs change or ask of Windows is recorded in one trace,
// which the worked examples compare whole.
#ifndef VESTRAND_TESTS_FAKE_FAKESERVICES_H
#define VESTRAND_TESTS_FAKE_FAKESERVICES_H

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Services.h"
#include "relocation/FormFields.h"

namespace vestrand::fake {

using Trace = std::vector<std::string>;

struct StoredValue {
  std::uint32_t type = kRegSz;
  std::string text;  // display text (for REG_EXPAND_SZ: already expanded)
  std::string raw;   // as stored, when it differs from the display text
};

class FakeRegistry final : public Registry {
 public:
  explicit FakeRegistry(Trace& trace) : trace_(trace) {}
  std::string RegReadValue(std::uint32_t root, const std::string& keyPath,
                           const std::string& valueName, std::uint32_t& type) override;
  bool RegWriteValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                     const std::string& value, std::uint32_t type) override;
  std::optional<RegistryValue> RegReadRaw(std::uint32_t root, const std::string& keyPath,
                                          const std::string& valueName) override;
  bool RegRestoreValue(std::uint32_t root, const std::string& keyPath,
                       const std::string& valueName, const RegistryValue& value) override;

  void Set(const std::string& key, const std::string& name, const std::string& text,
           std::uint32_t type = kRegSz, const std::string& raw = "");
  const StoredValue* Find(const std::string& key, const std::string& name) const;
  // Writes under this key fail (for example access denied).
  std::set<std::string> refusedKeys;
  // Reads of whole values under this key fail.
  std::set<std::string> unreadableKeys;

 private:
  Trace& trace_;
  std::map<std::string, std::map<std::string, StoredValue>> keys_;
};

// A file tree of absolute Windows paths ("C:\Users\Ann\Desktop"), compared
// case-insensitively. Drives exist when listed in `drives` ("C:", "D:").
class FakeFileSystem final : public FileSystem {
 public:
  explicit FakeFileSystem(Trace& trace) : trace_(trace) {}
  bool DirExists(const std::string& path) override;
  std::uint32_t GetFileAttributes(const std::string& path) override;
  void MakeDirectory(const std::string& path) override;
  HostResult SetFileAttributes(const std::string& path, std::uint32_t attributes) override;
  int ShellCopyFiles(const std::string& source, const std::string& destination) override;
  int ShellMoveFiles(const std::string& source, const std::string& destination) override;
  std::optional<FolderId> GetFolderId(const std::string& path) override;
  std::string VolumeOf(const std::string& path) override;
  std::optional<std::uint64_t> FreeBytes(const std::string& path) override;
  std::vector<FileEntry> ListFiles(const std::string& folder) override;
  bool WriteNewFile(const std::string& path, const std::string& bytes) override;
  bool RemoveEmptyDirectory(const std::string& path) override;
  HostResult ProtectPrivateFolder(const std::string& path) override;

  void AddDirectory(const std::string& path);  // with every level above it
  // A file of `size` bytes (the content's size unless given).
  void AddFile(const std::string& path, const std::string& content = "x",
               std::uint64_t size = ~0ull);
  bool Exists(const std::string& path) const;
  bool IsDirectory(const std::string& path) const;
  std::uint32_t Attributes(const std::string& path) const;
  std::string Content(const std::string& path) const;
  // Every path under `root` (not root itself), as stored, sorted.
  std::vector<std::string> ListUnder(const std::string& root) const;

  std::set<std::string> drives{"C:"};
  // Copies and moves of these sources fail in the shell and change nothing.
  std::set<std::string> failingSources;
  // Another name for a folder, as `subst` makes one: "E:" -> "C:\\Users\\Ann".
  std::map<std::string, std::string> aliases;
  // Free bytes per drive ("D:"); plenty where not given.
  std::map<std::string, std::uint64_t> freeBytes;
  // Files the shell skips (held open): a copy leaves them out, a move leaves them behind.
  std::set<std::string> heldFiles;
  // Wine's shell: a move onto a folder of the same name does nothing and reports success.
  bool moveOntoSameNameDoesNothing = false;
  // The target's volume keeps no access lists (FAT32).
  bool noAccessLists = false;
  // Folders in which no new file can be written.
  std::set<std::string> readOnlyFolders;

 private:
  struct Node {
    bool directory = false;
    std::uint32_t attributes = 0;
    std::string content;
    std::string path;  // as first spelled
    std::uint64_t size = 0;
  };
  std::string Key(const std::string& path) const;
  bool ParentExists(const std::string& key) const;
  int Transfer(const std::string& source, const std::string& destination, bool move);

  Trace& trace_;
  std::map<std::string, Node> nodes_;
};

class FakeHost final : public Host {
 public:
  explicit FakeHost(Trace& trace) : trace_(trace) {}
  RawOsVersion QueryOsVersion() override;
  unsigned GetDriveType(const std::string& root) override;
  HostResult StartCommand(const std::string& commandLine, int showState) override;
  void Sleep(unsigned milliseconds) override;
  void SysLogoff() override;
  std::string ProgramFolder() override;
  void SetEnvironmentVariable(const std::string& name, const std::string& value) override;
  void BroadcastEnvironmentChange() override;
  void EndProgram() override;
  LocalTime Now() override { return now; }

  // Sets the reported version (platform 2 unless given).
  void SetVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t build = 0,
                  std::uint32_t platform = 2, const std::u16string& servicePack = u"");
  RawOsVersion version;
  std::map<std::string, unsigned> driveTypes;  // "D:" -> 3
  std::set<std::string> failingCommands;       // command lines that cannot start
  std::string programFolder = "C:\\Program Files\\Vestrand";
  std::map<std::string, std::string> environment;
  bool ended = false;
  bool sleepThrows = false;  // something unforeseen fails in the middle of a run
  LocalTime now{2026, 12, 6, 15, 30, 0};

 private:
  Trace& trace_;
};

class FakeDialogs final : public Dialogs {
 public:
  explicit FakeDialogs(Trace& trace) : trace_(trace) {}
  std::string BrowseFolder(const std::string& title, const std::string& startFolder) override;
  void MessageBox(const std::string& text, unsigned flags,
                  const std::optional<std::string>& title) override;
  void CenterMsgBox(const std::string& text, unsigned flags, const std::string& title) override;
  void ShowWaitCursor(bool waiting) override;

  std::deque<std::string> browseResults;  // answered in order; empty text when exhausted

 private:
  Trace& trace_;
};

// The main window's controls as plain state.
class FakeForm final : public MainForm {
 public:
  explicit FakeForm(Trace& trace);
  std::string GetText(Control c) override;
  void SetText(Control c, const std::string& text) override;
  int GetValue(Control c) override;
  void SetValue(Control c, int value) override;
  void SetEnabled(Control c, bool enabled) override;
  void SetVisible(Control c, bool visible) override;
  void SetCaption(Control c, const std::string& caption) override;
  void SetLocked(Control c, bool locked) override;
  void SetWindowCaption(const std::string& caption) override;
  void Show() override;
  TwipsPoint GetWindowPosition() override;
  void MoveWindowTo(int leftTwips, int topTwips) override;
  void SetWindowEnabled(bool enabled) override;

  struct ControlState {
    std::string text;
    int value = 0;
    bool enabled = true;
    bool visible = true;
    bool locked = false;
  };
  ControlState& State(Control c) { return controls[static_cast<std::size_t>(c)]; }
  std::vector<ControlState> controls;
  std::string caption;
  bool shown = false;
  bool windowEnabled = true;
  TwipsPoint position{2000, 1500};

 private:
  Trace& trace_;
};

// A whole fake machine, ready to hand to the logic.
struct FakeMachine {
  Trace trace;
  FakeRegistry registry{trace};
  FakeFileSystem files{trace};
  FakeHost host{trace};
  FakeDialogs dialogs{trace};
  FakeForm form{trace};
  Services services{registry, files, host, dialogs};
};

std::string ControlName(Control c);

}  // namespace vestrand::fake

#endif
