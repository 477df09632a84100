// An in-memory Windows for the portable logic: registry, file tree, processes, dialogs and the main window. What
// the runs change or ask of Windows is recorded in one trace, which tests search for the orders the user relies on.
#ifndef VESTRAND_TESTS_FAKE_FAKESERVICES_H
#define VESTRAND_TESTS_FAKE_FAKESERVICES_H

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/RegistryData.h"
#include "platform/Services.h"
#include "platform/Text.h"
#include "relocation/FormFields.h"
#include "ui/MainWindowEvents.h"
#include "ui/MainWindowLayout.h"

namespace vestrand::fake {

using Trace = std::vector<std::string>;

// The rows of the window, by what they hold.
namespace rows {
constexpr int kDesktop = 1, kDocuments = 2, kFavorites = 3, kCache = 4, kCookies = 5, kTempRow = 6, kContacts = 7,
              kDownloads = 8, kLinks = 9, kSearches = 10, kVideos = 11, kPictures = 12, kMusic = 13, kSavedGames = 14;
}  // namespace rows

// Names folded as NTFS does: ASCII, and those other letters the tests use (each as long as its capital).
inline std::string Upper(std::string s) {
  for (char& ch : s) ch = ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
  static const std::pair<const char*, const char*> kFolds[] = {
      {"ł", "Ł"}, {"ó", "Ó"}, {"ź", "Ź"}, {"ǆ", "Ǆ"}, {"ệ", "Ệ"}, {"ⅰ", "Ⅰ"}, {"ⓐ", "Ⓐ"}, {"α", "Α"}, {"я", "Я"}};
  for (const auto& [lower, upper] : kFolds) {
    for (auto at = s.find(lower); at != std::string::npos; at = s.find(lower, at)) s.replace(at, strlen(upper), upper);
  }
  return s;
}

struct CaseLess {
  bool operator()(const std::string& a, const std::string& b) const { return Upper(a) < Upper(b); }
};
using Names = std::set<std::string, CaseLess>;

inline bool Has(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

struct StoredValue {
  std::uint32_t type = kRegSz;
  std::string text;  // display text (for REG_EXPAND_SZ: already expanded)
  std::string raw;   // as stored, when it differs from the display text
};

// One machine behind every interface. Its parts keep their names (m.files, m.registry...) so that a test says which
// part of Windows it sets up or looks at.
struct FakeMachine final : Registry, FileSystem, Host, Dialogs, MainForm, MainWindowLinks {
  FakeMachine() : controls(kControlCount) {
    Make("C:", true);
    for (const ControlLayout& entry : MainWindowLayout()) State(entry.control).text = entry.caption;
    State(Control::CkLogoff).value = 1;  // ticked as designed
  }
  FakeMachine &registry = *this, &files = *this, &host = *this, &dialogs = *this, &form = *this;
  Services services{*this, *this, *this, *this};
  Trace trace;
  std::function<void(const std::string& call)> onCall;  // sees each call once it is traced; may throw

  // ---- registry: keys and value names without case ----
  std::string RegReadValue(std::uint32_t, const std::string& key, const std::string& name,
                           std::uint32_t& type) override {
    const StoredValue* v = Find(key, name);
    if (v != nullptr) type = v->type;
    return v == nullptr ? std::string() : TrimSpaces(v->text);
  }
  WinResult RegWriteValue(std::uint32_t, const std::string& key, const std::string& name, const std::string& value,
                          std::uint32_t type) override {
    const bool ok = refusedKeys.count(key) == 0 && refusedValues.count(name) == 0;
    if (ok) Set(key, name, value, type);
    return Log("RegWriteValue", {key, name, value, std::to_string(type)}, Answer(ok));
  }
  std::optional<RegistryValue> RegReadRaw(std::uint32_t, const std::string& key, const std::string& name) override {
    if (unreadableKeys.count(key) != 0) return std::nullopt;
    const StoredValue* v = Find(key, name);
    if (v == nullptr) return RegistryValue{};
    return RegistryValue{true, v->type, StringValueData(v->raw.empty() ? v->text : v->raw)};
  }
  WinResult RegRestoreValue(std::uint32_t, const std::string& key, const std::string& name,
                            const RegistryValue& value) override {
    const std::string text = FormatRegistryData(value.type, value.data);  // not expanded: shown as stored
    if (value.exists) Set(key, name, text, value.type, value.type == kRegExpandSz ? text : "");
    else values_.erase(key + "|" + name);
    return Log("RegRestoreValue", {key, name, value.exists ? std::to_string(value.type) : "none"}, Answer(true));
  }
  void Set(const std::string& key, const std::string& name, const std::string& text, std::uint32_t type = kRegSz,
           const std::string& raw = "") {
    values_[key + "|" + name] = StoredValue{type, text, raw};
  }
  const StoredValue* Find(const std::string& key, const std::string& name) const {
    const auto v = values_.find(key + "|" + name);
    return v == values_.end() ? nullptr : &v->second;
  }
  Names refusedKeys;     // writes under these keys fail (access denied)
  Names refusedValues;   // writes of these value names fail
  Names unreadableKeys;  // reads of whole values under these keys fail

  // ---- files: absolute paths compared case-insensitively, kept as first spelled ----
  bool DirExists(const std::string& path) override { return Log("DirExists", {path}, IsDirectory(path)); }
  std::uint32_t GetFileAttributes(const std::string& p) override {
    return Log("GetFileAttributes", {p}, Attributes(p));
  }
  void MakeDirectory(const std::string& path) override { Make(Log("MakeDirectory", {path}, path)); }
  WinResult SetFileAttributes(const std::string& path, std::uint32_t attributes) override {
    Log("SetFileAttributes", {path, std::to_string(attributes)});
    const auto it = nodes_.find(Norm(path));
    if (it == nodes_.end()) return WinResult::Failure(2);                                    // ERROR_FILE_NOT_FOUND
    it->second.attributes = attributes | (it->second.attributes & kFileAttributeDirectory);  // stays a folder
    return WinResult::Success();
  }
  void ShellCopyFiles(const std::string& source, const std::string& to) override {
    Transfer(Log("ShellCopyFiles", {source, to}, source), to, false);
  }
  void ShellMoveFiles(const std::string& source, const std::string& to) override {
    Transfer(Log("ShellMoveFiles", {source, to}, source), to, true);
  }
  std::optional<FolderId> GetFolderId(const std::string& path) override {  // the same by every name
    if (!IsDirectory(path)) return std::nullopt;
    return FolderId{0, std::hash<std::string>()(Upper(Norm(path)))};
  }
  std::string VolumeOf(const std::string& path) override { return Upper(Norm(path).substr(0, 2)) + "\\"; }
  std::optional<std::uint64_t> FreeBytes(const std::string& path) override {
    const auto it = freeBytes.find(Upper(Norm(path).substr(0, 2)));
    return it == freeBytes.end() ? (1ull << 40) : it->second;
  }
  std::vector<FileEntry> ListFiles(const std::string& folder) override {
    std::vector<FileEntry> found;
    const std::string f = Norm(folder);
    for (const auto& [path, node] : nodes_) {
      if (!IsFolder(node) && Below(path, f)) found.push_back({path.substr(f.size()), SizeOf(path, node), node.time});
    }
    return found;
  }
  // The aliases below the folder are its junctions, entered (each once: the tests make no loops).
  std::vector<FileEntry> ListFilesThroughLinks(const std::string& folder) override {
    std::vector<FileEntry> found = ListFiles(folder);
    for (const auto& [link, to] : aliases) {
      if (!Below(link, Norm(folder))) continue;
      for (const FileEntry& e : ListFiles(to))
        found.push_back({link.substr(Norm(folder).size()) + e.relativePath, e.size, e.lastWrite});
    }
    return found;
  }
  std::string NameKey(const std::string& text) override { return Upper(text); }
  std::optional<VolumeFacts> VolumeFactsOf(const std::string& path) override {
    const auto it = volumes.find(Upper(Norm(path).substr(0, 2)));
    return it == volumes.end() ? VolumeFacts{"NTFS", true, 4096} : it->second;
  }
  std::vector<std::size_t> FilesInUse(const std::vector<std::string>& paths, bool) override {  // held unshared
    std::vector<std::size_t> held;
    for (std::size_t i = 0; i < paths.size(); ++i) {
      if (heldFiles.count(Norm(paths[i])) != 0) held.push_back(i);
    }
    return held;
  }
  std::vector<std::string> ProgramsHolding(const std::string& path) override {
    const auto it = holders.find(Norm(path));
    return it == holders.end() ? std::vector<std::string>() : it->second;
  }
  WinResult WriteNewFile(const std::string& path, const std::string& bytes) override {
    const std::string parent = path.substr(0, path.rfind('\\'));
    const bool ok = !Exists(path) && IsDirectory(parent) && readOnlyFolders.count(Norm(parent)) == 0;
    if (ok) nodes_[Norm(path)] = Node{0, bytes, ++clock_};
    return Log("WriteNewFile", {path}, Answer(ok));
  }
  WinResult OverwriteFile(const std::string& path, const std::string& bytes) override {
    return Log("OverwriteFile", {path}, Answer(Rewrite(path, [&](std::string& content) { content = bytes; })));
  }
  WinResult AppendToFile(const std::string& path, const std::string& bytes) override {
    return Log("AppendToFile", {path}, Answer(Rewrite(path, [&](std::string& content) { content += bytes; })));
  }
  std::optional<std::string> ReadFileStart(const std::string& path, std::size_t limit) override {
    const auto it = nodes_.find(Norm(path));
    if (it == nodes_.end() || IsFolder(it->second)) return std::nullopt;
    return it->second.content.substr(0, limit);
  }
  std::vector<std::string> FileNamesStartingWith(const std::string& folder, const std::string& prefix) override {
    std::vector<std::string> names;
    for (const auto& [path, node] : nodes_) {
      const std::string name = path.substr(path.rfind('\\') + 1);
      if (!IsFolder(node) && Same(path, Norm(folder) + "\\" + name) && name.rfind(prefix, 0) == 0)
        names.push_back(name);
    }
    return names;
  }
  WinResult RemoveEmptyDirectory(const std::string& path) override {
    const auto inside = [&](const auto& node) { return Below(node.first, Norm(path)); };
    const bool ok = IsDirectory(path) && std::none_of(nodes_.begin(), nodes_.end(), inside);
    return Log("RemoveEmptyDirectory", {path}, Answer(ok && nodes_.erase(Norm(path)) == 1));
  }
  WinResult ProtectPrivateFolder(const std::string& path) override {
    return Log("ProtectPrivateFolder", {path}, protectRefused ? WinResult::Failure(5) : WinResult::Success());
  }
  bool protectRefused = false;  // the access list cannot be set (ERROR_ACCESS_DENIED)
  void AddDirectory(const std::string& path) { Make(path, true); }
  void Remove(const std::string& path) { nodes_.erase(Norm(path)); }
  // And every folder above it; written at `lastWrite`, or at a moment of its own when 0.
  void AddFile(const std::string& path, const std::string& content, std::uint64_t lastWrite = 0) {
    AddDirectory(path.substr(0, path.rfind('\\')));
    nodes_[Norm(path)] = Node{0, content, lastWrite != 0 ? lastWrite : ++clock_};
  }
  bool Exists(const std::string& path) const { return Attributes(path) != kInvalidFileAttributes; }
  bool IsDirectory(const std::string& p) const { return Exists(p) && (Attributes(p) & kFileAttributeDirectory) != 0; }
  std::uint32_t Attributes(const std::string& path) const {
    const auto it = nodes_.find(Norm(path));
    return it == nodes_.end() ? kInvalidFileAttributes : it->second.attributes;
  }
  // Every file and folder on the machine, as first spelled, with its content ("<dir>" for a folder).
  std::map<std::string, std::string> Contents() const {
    std::map<std::string, std::string> all;
    for (const auto& [path, node] : nodes_) all[path] = IsFolder(node) ? "<dir>" : node.content;
    return all;
  }
  std::map<std::string, std::string> aliases;      // other names for folders, as subst makes: "E:" -> "C:\\Users"
  std::map<std::string, std::uint64_t> freeBytes;  // per drive ("D:"); plenty where not given
  Names heldFiles;                                 // held open by another program: in use, and skipped by the shell
  Names shellSkips;  // skipped by the shell though no program holds them (no access, a cancel)
  std::map<std::string, std::vector<std::string>, CaseLess> holders;  // the programs the system names, per file
  std::map<std::string, VolumeFacts> volumes;            // per drive ("D:"); NTFS with 4 KiB clusters where not given
  bool moveOntoSameNameDoesNothing = false;              // as Wine's shell does, reporting success
  Names shortCopies;                                     // copies of these files arrive cut short
  std::map<std::string, std::uint64_t, CaseLess> sizes;  // files larger than their content, as listed
  bool shellGuardRefused = false;                        // no watcher could be started: the run goes on without one
  Names readOnlyFolders;                                 // no new file can be written in these

  RawOsVersion QueryOsVersion() override { return Log("QueryOsVersion", {}, version); }
  unsigned GetDriveType(const std::string& r) override { return Log("GetDriveType", {r}, driveTypes[r]); }
  WinResult StartCommand(const std::string& commandLine, int showState) override {
    Log("StartCommand", {commandLine, std::to_string(showState)});
    return failingCommands.count(commandLine) == 0 ? WinResult::Success() : WinResult::Failure(2);
  }
  void Sleep(unsigned milliseconds) override { Log("Sleep", {std::to_string(milliseconds)}); }
  void SysLogoff() override { Log("SysLogoff", {}); }
  std::string ProgramFolder() override { return "C:\\Program Files\\Vestrand"; }
  void SetEnvironmentVariable(const std::string& name, const std::string& value) override {
    environment[name] = Log("SetEnvironmentVariable", {name, value}, value);
  }
  void BroadcastEnvironmentChange() override { Log("BroadcastEnvironmentChange", {}); }
  void EndProgram() override { ended = Log("EndProgram", {}, true); }
  WinResult GuardShell() override {
    return Log("GuardShell", {}, shellGuardRefused ? WinResult::Failure(5) : WinResult::Success());
  }
  void ShellRestored() override { Log("ShellRestored", {}); }
  LocalTime Now() override { return now; }
  std::vector<SyncRoot> SyncRoots() override { return syncRoots; }
  std::string RealWindowsVersion() override { return realVersion; }
  void SetVersion(unsigned major, unsigned minor, unsigned build = 0, std::u16string pack = u"") {
    version = RawOsVersion{true, major, minor, build, 2, {}};  // platform 2: NT
    std::copy(pack.begin(), pack.end(), version.servicePack.begin());
  }
  RawOsVersion version;
  std::map<std::string, unsigned> driveTypes;  // "D:" -> 3; unknown where not given
  std::set<std::string> failingCommands;       // command lines that cannot start
  std::map<std::string, std::string> environment;
  bool ended = false;
  LocalTime now{2026, 12, 6, 15, 30, 0};
  std::vector<SyncRoot> syncRoots;  // as the system and the environment name them
  std::string realVersion;          // what ntdll says; empty: unknown

  std::string BrowseFolder(const std::string& title, const std::string& startFolder) override {
    return Log("BrowseFolder", {title, startFolder}, std::exchange(browseAnswer, ""));
  }
  void MessageBox(const std::string& text, unsigned flags, const std::optional<std::string>& title) override {
    Log("MessageBox", {text, std::to_string(flags), title.value_or("(default)")});
  }
  void CenterMsgBox(const std::string& text, unsigned flags, const std::string& title) override {
    Log("CenterMsgBox", {text, std::to_string(flags), title});
  }
  void ShowWaitCursor(bool waiting) override { waitCursor = Log("ShowWaitCursor", {waiting ? "1" : "0"}, waiting); }
  std::string browseAnswer;  // the folder picked, once; empty: the picker was cancelled
  void ShowNotes() override { Log("ShowNotes", {}); }
  void OpenWebPage(const std::string& address) override { Log("OpenWebPage", {address}); }

  // ---- the main window: its controls as plain state; only its moves and enabling are traced ----
  std::string GetText(Control c) override { return State(c).text; }
  void SetText(Control c, const std::string& text) override { State(c).text = text; }
  int GetValue(Control c) override { return State(c).value; }
  void SetValue(Control c, int value) override { State(c).value = value; }
  void SetEnabled(Control c, bool enabled) override { State(c).enabled = enabled; }
  void SetVisible(Control c, bool visible) override { State(c).visible = visible; }
  void SetCaption(Control c, const std::string& text) override { State(c).text = text; }
  void SetLocked(Control c, bool locked) override { State(c).locked = locked; }
  void SetWindowCaption(const std::string& text) override { caption = text; }
  void Show() override { shown = true; }
  TwipsPoint GetWindowPosition() override { return position; }
  void MoveWindowTo(int left, int top) override {
    position = Log("MoveWindowTo", {std::to_string(left), std::to_string(top)}, TwipsPoint{left, top});
  }
  void SetWindowEnabled(bool on) override { windowEnabled = Log("SetWindowEnabled", {on ? "1" : "0"}, on); }
  struct ControlState {
    std::string text;
    int value = 0;
    bool enabled = true, visible = true, locked = false;
  };
  ControlState& State(Control c) { return controls[static_cast<std::size_t>(c)]; }
  std::vector<ControlState> controls;
  std::string caption;
  bool shown = false, windowEnabled = true, waitCursor = false;
  static constexpr TwipsPoint kWhereTheUserLeftIt{2000, 1500};
  TwipsPoint position = kWhereTheUserLeftIt;

 private:
  struct Node {
    std::uint32_t attributes = 0;  // with kFileAttributeDirectory for a folder
    std::string content;
    std::uint64_t time = 0;  // last written; a copy keeps it, as the shell's does
  };
  std::uint64_t clock_ = 130000000000000000ull;  // 100 ns steps since 1601: in 2012
  bool Rewrite(const std::string& path, const std::function<void(std::string&)>& change) {
    const auto it = nodes_.find(Norm(path));
    if (it == nodes_.end() || IsFolder(it->second)) return false;
    change(it->second.content);
    return true;
  }
  static WinResult Answer(bool done) { return done ? WinResult::Success() : WinResult::Failure(5); }  // access denied
  static bool IsFolder(const Node& n) { return (n.attributes & kFileAttributeDirectory) != 0; }
  std::uint64_t SizeOf(const std::string& path, const Node& n) const {
    const auto it = sizes.find(path);
    return it == sizes.end() ? n.content.size() : it->second;
  }
  template <typename T = bool>
  T Log(const std::string& name, const Trace& args, T result = T()) {
    std::string call = name + "(";
    for (std::size_t i = 0; i < args.size(); ++i) call += (i == 0 ? "" : ", ") + args[i];
    trace.push_back(call + ")");
    if (onCall) onCall(trace.back());
    return result;
  }
  static bool Below(const std::string& path, const std::string& folder) {
    return Upper(path).rfind(Upper(folder) + "\\", 0) == 0;
  }
  static bool Same(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }
  // The path as Windows reaches it: through an alias; from the root ("\Desktop.ini") on the current drive.
  std::string Norm(std::string p) const {
    if (p.size() > 1 && p[0] == '\\' && p[1] != '\\') p = "C:" + p;
    for (const auto& [name, folder] : aliases) {
      if (Same(p.substr(0, name.size()), name)) p = folder + p.substr(name.size());
    }
    while (p.size() > 2 && p.back() == '\\') p.pop_back();
    return p;
  }
  // Every missing level top down where its parent exists; `force` makes the parents and drive too.
  void Make(const std::string& path, bool force = false) {
    const std::string spelled = Norm(path) + "\\";
    for (std::size_t at = spelled.find('\\', 2); at != std::string::npos; at = spelled.find('\\', at + 1)) {
      const std::string level = spelled.substr(0, at);
      if (Exists(level) || (!force && !IsDirectory(level.substr(0, level.rfind('\\'))))) continue;
      nodes_[level] = Node{kFileAttributeDirectory, ""};
    }
  }
  void Transfer(const std::string& source, const std::string& destination, bool move) {
    const auto from = nodes_.find(Norm(source));
    if (from == nodes_.end()) return;
    const std::string src = from->first, dst = Norm(destination);
    const std::string target = dst + src.substr(src.rfind('\\'));
    // Into itself or below itself: the shell refuses and changes nothing.
    if (Same(target, src) || Same(dst, src) || Below(dst, src)) return;
    Make(dst);  // the shell makes the destination where it can
    if (!IsDirectory(dst)) return;
    if (move && moveOntoSameNameDoesNothing && Exists(target)) return;
    for (const auto& [path, node] : std::map(nodes_)) {  // a copy: the loop adds to nodes_
      if (!Same(path, src) && !Below(path, src)) continue;
      if (!IsFolder(node) && (heldFiles.count(path) != 0 || shellSkips.count(path) != 0)) continue;
      nodes_[target + path.substr(src.size())] = node;
      if (shortCopies.count(path) != 0) nodes_[target + path.substr(src.size())].content.pop_back();
      if (sizes.count(path) != 0) sizes[target + path.substr(src.size())] = sizes[path];
      const auto inside = [&](const std::string& h) { return Same(h, path) || Below(h, path); };
      const bool holds = std::any_of(heldFiles.begin(), heldFiles.end(), inside) ||
                         std::any_of(shellSkips.begin(), shellSkips.end(), inside);
      if (move && !holds) nodes_.erase(path);
    }
  }

  std::map<std::string, StoredValue, CaseLess> values_;
  std::map<std::string, Node, CaseLess> nodes_;
};

}  // namespace vestrand::fake

#endif
