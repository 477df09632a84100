#include "fake/FakeServices.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <stdexcept>

#include "platform/RegistryData.h"
#include "ui/MainWindowLayout.h"

namespace vestrand::fake {

namespace {

std::string Upper(const std::string& s) {
  std::string out = s;
  for (char& ch : out) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  return out;
}

std::string Bool(bool b) { return b ? "1" : "0"; }

}  // namespace

std::string ControlName(Control c) { return LayoutOf(c).name; }

// ---- registry -------------------------------------------------------------------------

std::string FakeRegistry::RegReadValue(std::uint32_t, const std::string& keyPath,
                                       const std::string& valueName, std::uint32_t& type) {
  const StoredValue* v = Find(keyPath, valueName);
  if (v == nullptr) return std::string();
  type = v->type;
  std::string text = v->text;
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool FakeRegistry::RegWriteValue(std::uint32_t, const std::string& keyPath,
                                 const std::string& valueName, const std::string& value,
                                 std::uint32_t type) {
  const bool ok = refusedKeys.count(keyPath) == 0;
  trace_.push_back("RegWriteValue(" + keyPath + ", " + valueName + ", " + value + ", " +
                   std::to_string(type) + ")" + (ok ? "" : " -> refused"));
  if (ok) keys_[Upper(keyPath)][Upper(valueName)] = StoredValue{type, value, ""};
  return ok;
}

void FakeRegistry::Set(const std::string& key, const std::string& name, const std::string& text,
                       std::uint32_t type, const std::string& raw) {
  keys_[Upper(key)][Upper(name)] = StoredValue{type, text, raw};
}

std::optional<RegistryValue> FakeRegistry::RegReadRaw(std::uint32_t, const std::string& keyPath,
                                                      const std::string& valueName) {
  if (unreadableKeys.count(keyPath) != 0) return std::nullopt;
  const StoredValue* v = Find(keyPath, valueName);
  if (v == nullptr) return RegistryValue{};
  const std::string& stored = v->raw.empty() ? v->text : v->raw;
  return RegistryValue{true, v->type, StringValueData(stored)};
}

bool FakeRegistry::RegRestoreValue(std::uint32_t, const std::string& keyPath,
                                   const std::string& valueName, const RegistryValue& value) {
  trace_.push_back("RegRestoreValue(" + keyPath + ", " + valueName + ", " +
                   (value.exists ? std::to_string(value.type) : std::string("none")) + ")");
  auto& values = keys_[Upper(keyPath)];
  if (!value.exists) {
    values.erase(Upper(valueName));
    return true;
  }
  const std::string text = FormatRegistryData(value.type, value.data);
  // The fake does not expand: an expandable value shows its stored text.
  values[Upper(valueName)] =
      StoredValue{value.type, text, value.type == kRegExpandSz ? text : std::string()};
  return true;
}

const StoredValue* FakeRegistry::Find(const std::string& key, const std::string& name) const {
  const auto k = keys_.find(Upper(key));
  if (k == keys_.end()) return nullptr;
  const auto v = k->second.find(Upper(name));
  return v == k->second.end() ? nullptr : &v->second;
}

// ---- file system ----------------------------------------------------------------------

std::string FakeFileSystem::Key(const std::string& path) const {
  std::string k = Upper(path);
  for (const auto& [name, folder] : aliases) {
    const std::string alias = Upper(name);
    if (k.compare(0, alias.size(), alias) == 0 &&
        (k.size() == alias.size() || k[alias.size()] == '\\')) {
      k = Upper(folder) + k.substr(alias.size());
      break;
    }
  }
  // Windows reads a doubled backslash as one.
  for (std::size_t at = k.find("\\\\", 1); at != std::string::npos; at = k.find("\\\\", 1)) {
    k.erase(at, 1);
  }
  while (k.size() > 2 && k.back() == '\\') k.pop_back();
  return k;
}

bool FakeFileSystem::ParentExists(const std::string& key) const {
  const auto slash = key.rfind('\\');
  if (slash == std::string::npos) return false;
  const std::string parent = key.substr(0, slash);
  if (parent.size() == 2 && parent[1] == ':') return drives.count(parent) != 0;
  const auto it = nodes_.find(parent);
  return it != nodes_.end() && it->second.directory;
}

bool FakeFileSystem::Exists(const std::string& path) const {
  const std::string k = Key(path);
  if (k.size() == 2 && k[1] == ':') return drives.count(k) != 0;
  return nodes_.count(k) != 0;
}

bool FakeFileSystem::IsDirectory(const std::string& path) const {
  const std::string k = Key(path);
  if (k.size() == 2 && k[1] == ':') return drives.count(k) != 0;
  const auto it = nodes_.find(k);
  return it != nodes_.end() && it->second.directory;
}

std::uint32_t FakeFileSystem::Attributes(const std::string& path) const {
  const std::string k = Key(path);
  if (k.size() == 2 && k[1] == ':') return drives.count(k) ? kFileAttributeDirectory : kInvalidFileAttributes;
  const auto it = nodes_.find(k);
  if (it == nodes_.end()) return kInvalidFileAttributes;
  return it->second.attributes | (it->second.directory ? kFileAttributeDirectory : 0u);
}

std::string FakeFileSystem::Content(const std::string& path) const {
  const auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? std::string() : it->second.content;
}

std::vector<std::string> FakeFileSystem::ListUnder(const std::string& root) const {
  const std::string prefix = Key(root) + "\\";
  std::vector<std::string> out;
  for (const auto& [k, node] : nodes_) {
    if (k.compare(0, prefix.size(), prefix) == 0) out.push_back(node.path);
  }
  return out;
}

void FakeFileSystem::AddDirectory(const std::string& path) {
  std::string k = Key(path);
  std::string spelled = path;
  while (spelled.size() > 2 && spelled.back() == '\\') spelled.pop_back();
  drives.insert(k.substr(0, 2));
  for (std::size_t pos = k.find('\\'); pos != std::string::npos; pos = k.find('\\', pos + 1)) {
    const std::string level = k.substr(0, pos);
    if (level.size() > 2 && nodes_.count(level) == 0) {
      nodes_[level] = Node{true, 0, "", spelled.substr(0, pos)};
    }
  }
  if (k.size() > 2 && nodes_.count(k) == 0) nodes_[k] = Node{true, 0, "", spelled};
}

void FakeFileSystem::AddFile(const std::string& path, const std::string& content,
                             std::uint64_t size) {
  const auto slash = path.rfind('\\');
  AddDirectory(path.substr(0, slash));
  nodes_[Key(path)] = Node{false, 0, content, path, size == ~0ull ? content.size() : size};
}

bool FakeFileSystem::DirExists(const std::string& path) {
  trace_.push_back("DirExists(" + path + ")");
  return !path.empty() && IsDirectory(path);
}

std::uint32_t FakeFileSystem::GetFileAttributes(const std::string& path) {
  trace_.push_back("GetFileAttributes(" + path + ")");
  return path.empty() ? kInvalidFileAttributes : Attributes(path);
}

void FakeFileSystem::MakeDirectory(const std::string& path) {
  trace_.push_back("MakeDirectory(" + path + ")");
  std::string spelled = path;
  if (spelled.empty() || spelled.back() != '\\') spelled += '\\';
  for (std::size_t pos = spelled.find('\\'); pos != std::string::npos;
       pos = spelled.find('\\', pos + 1)) {
    const std::string level = spelled.substr(0, pos);
    const std::string k = Key(level);
    if (k.size() <= 2 || nodes_.count(k) != 0) continue;
    if (!ParentExists(k)) continue;  // the system refuses; nothing is reported
    nodes_[k] = Node{true, 0, "", level};
  }
}

HostResult FakeFileSystem::SetFileAttributes(const std::string& path, std::uint32_t attributes) {
  trace_.push_back("SetFileAttributes(" + path + ", " + std::to_string(attributes) + ")");
  const auto it = nodes_.find(Key(path));
  if (it == nodes_.end()) return HostResult::Failure(2);  // ERROR_FILE_NOT_FOUND
  it->second.attributes = attributes & ~kFileAttributeDirectory;
  return HostResult::Success();
}

int FakeFileSystem::Transfer(const std::string& source, const std::string& destination, bool move) {
  const std::string src = Key(source);
  const std::string dst = Key(destination);
  if (nodes_.count(src) == 0) return -1;  // the shell reports a missing source
  for (const std::string& failing : failingSources) {
    if (Key(failing) == src) return -1;
  }
  const std::string name = src.substr(src.rfind('\\') + 1);
  const std::string target = dst + "\\" + name;
  // Into itself or below itself: the shell refuses and changes nothing.
  if (target == src || dst == src || dst.compare(0, src.size() + 1, src + "\\") == 0) return -1;
  if (!IsDirectory(destination)) {
    MakeDirectory(destination);
    trace_.pop_back();  // made by the shell, not by the caller
    if (!IsDirectory(destination)) return -1;
  }
  if (move && moveOntoSameNameDoesNothing && nodes_.count(target) != 0) return 1;
  std::set<std::string> held;
  for (const std::string& h : heldFiles) held.insert(Key(h));
  std::string spelledDst = destination;
  while (spelledDst.size() > 2 && spelledDst.back() == '\\') spelledDst.pop_back();
  const std::string spelledName = nodes_[src].path.substr(nodes_[src].path.rfind('\\') + 1);
  std::vector<std::pair<std::string, Node>> moved;
  for (const auto& [k, node] : nodes_) {
    if (k == src || k.compare(0, src.size() + 1, src + "\\") == 0) moved.emplace_back(k, node);
  }
  auto holds = [&held](const std::string& k) {
    for (const std::string& h : held) {
      if (h == k || h.compare(0, k.size() + 1, k + "\\") == 0) return true;
    }
    return false;
  };
  for (auto& [k, node] : moved) {
    const std::string rest = k.substr(src.size());
    if (!node.directory && held.count(k) != 0) continue;  // skipped by the shell
    Node copy = node;
    copy.path = spelledDst + "\\" + spelledName + node.path.substr(node.path.size() - rest.size());
    nodes_[target + rest] = copy;
    if (move && !holds(k)) nodes_.erase(k);
  }
  return 1;
}

int FakeFileSystem::ShellCopyFiles(const std::string& source, const std::string& destination) {
  trace_.push_back("ShellCopyFiles(" + source + ", " + destination + ")");
  return Transfer(source, destination, false);
}

int FakeFileSystem::ShellMoveFiles(const std::string& source, const std::string& destination) {
  trace_.push_back("ShellMoveFiles(" + source + ", " + destination + ")");
  return Transfer(source, destination, true);
}

std::optional<FolderId> FakeFileSystem::GetFolderId(const std::string& path) {
  if (!IsDirectory(path)) return std::nullopt;
  const std::string k = Key(path);
  return FolderId{static_cast<std::uint32_t>(k[0]), std::hash<std::string>()(k)};
}

std::string FakeFileSystem::VolumeOf(const std::string& path) {
  const std::string k = Key(path);
  return k.size() >= 2 && k[1] == ':' ? k.substr(0, 2) + "\\" : std::string();
}

std::optional<std::uint64_t> FakeFileSystem::FreeBytes(const std::string& path) {
  const std::string k = Key(path);
  const auto it = freeBytes.find(k.substr(0, 2));
  return it == freeBytes.end() ? (1ull << 40) : it->second;
}

std::vector<FileEntry> FakeFileSystem::ListFiles(const std::string& folder) {
  const std::string base = Key(folder);
  std::vector<FileEntry> files;
  for (const auto& [k, node] : nodes_) {
    if (node.directory || k.compare(0, base.size() + 1, base + "\\") != 0) continue;
    files.push_back({node.path.substr(node.path.size() - (k.size() - base.size())), node.size});
  }
  return files;
}

bool FakeFileSystem::WriteNewFile(const std::string& path, const std::string& bytes) {
  trace_.push_back("WriteNewFile(" + path + ")");
  const std::string k = Key(path);
  if (nodes_.count(k) != 0 || !ParentExists(k)) return false;
  for (const std::string& f : readOnlyFolders) {
    if (Key(f) == k.substr(0, k.rfind('\\'))) return false;
  }
  nodes_[k] = Node{false, 0, bytes, path, bytes.size()};
  return true;
}

bool FakeFileSystem::RemoveEmptyDirectory(const std::string& path) {
  trace_.push_back("RemoveEmptyDirectory(" + path + ")");
  const std::string k = Key(path);
  if (!IsDirectory(path) || !ListUnder(path).empty()) return false;
  nodes_.erase(k);
  return true;
}

HostResult FakeFileSystem::ProtectPrivateFolder(const std::string& path) {
  trace_.push_back("ProtectPrivateFolder(" + path + ")");
  return noAccessLists ? HostResult::Failure(50) : HostResult::Success();  // ERROR_NOT_SUPPORTED
}

// ---- host -----------------------------------------------------------------------------

void FakeHost::SetVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                          std::uint32_t platform, const std::u16string& servicePack) {
  version = RawOsVersion{};
  version.queried = true;
  version.majorVersion = major;
  version.minorVersion = minor;
  version.buildNumber = build;
  version.platformId = platform;
  for (std::size_t i = 0; i < servicePack.size() && i < version.servicePack.size(); ++i) {
    version.servicePack[i] = servicePack[i];
  }
}

RawOsVersion FakeHost::QueryOsVersion() {
  trace_.push_back("QueryOsVersion()");
  return version;
}

unsigned FakeHost::GetDriveType(const std::string& root) {
  trace_.push_back("GetDriveType(" + root + ")");
  const auto it = driveTypes.find(root);
  return it == driveTypes.end() ? 1u : it->second;
}

HostResult FakeHost::StartCommand(const std::string& commandLine, int showState) {
  const bool fails = failingCommands.count(commandLine) != 0;
  trace_.push_back("StartCommand(" + commandLine + ", " + std::to_string(showState) + ")" +
                   (fails ? " -> failed" : ""));
  return fails ? HostResult::Failure(2) : HostResult::Success();
}

void FakeHost::Sleep(unsigned milliseconds) {
  trace_.push_back("Sleep(" + std::to_string(milliseconds) + ")");
  if (sleepThrows) throw std::runtime_error("unforeseen");
}

void FakeHost::SysLogoff() { trace_.push_back("SysLogoff()"); }

std::string FakeHost::ProgramFolder() { return programFolder; }

void FakeHost::SetEnvironmentVariable(const std::string& name, const std::string& value) {
  trace_.push_back("SetEnvironmentVariable(" + name + ", " + value + ")");
  environment[name] = value;
}

void FakeHost::BroadcastEnvironmentChange() { trace_.push_back("BroadcastEnvironmentChange()"); }

void FakeHost::EndProgram() {
  trace_.push_back("EndProgram()");
  ended = true;
}

// ---- dialogs --------------------------------------------------------------------------

std::string FakeDialogs::BrowseFolder(const std::string& title, const std::string& startFolder) {
  trace_.push_back("BrowseFolder(" + title + ", " + startFolder + ")");
  if (browseResults.empty()) return std::string();
  std::string result = browseResults.front();
  browseResults.pop_front();
  return result;
}

void FakeDialogs::MessageBox(const std::string& text, unsigned flags,
                             const std::optional<std::string>& title) {
  trace_.push_back("MessageBox(" + text + ", " + std::to_string(flags) + ", " +
                   (title ? *title : std::string("(default)")) + ")");
}

void FakeDialogs::ShowWaitCursor(bool waiting) {
  trace_.push_back(std::string("ShowWaitCursor(") + (waiting ? "1" : "0") + ")");
}

void FakeDialogs::CenterMsgBox(const std::string& text, unsigned flags, const std::string& title) {
  trace_.push_back("CenterMsgBox(" + text + ", " + std::to_string(flags) + ", " + title + ")");
}

// ---- main window ----------------------------------------------------------------------

FakeForm::FakeForm(Trace& trace) : controls(kControlCount), trace_(trace) {
  for (const ControlLayout& entry : MainWindowLayout()) State(entry.control).text = entry.caption;
  State(Control::CkLogoff).value = 1;  // ticked as designed
}

std::string FakeForm::GetText(Control c) { return State(c).text; }

void FakeForm::SetText(Control c, const std::string& text) {
  State(c).text = text;
}

int FakeForm::GetValue(Control c) { return State(c).value; }

void FakeForm::SetValue(Control c, int value) {
  if (LayoutOf(c).kind == ControlKind::OptionButton && value != 0) {
    for (Control o : {Control::OptionCopy, Control::OptionMove, Control::OptionDont}) State(o).value = 0;
  }
  State(c).value = value;
}

void FakeForm::SetEnabled(Control c, bool enabled) {
  State(c).enabled = enabled;
}

void FakeForm::SetVisible(Control c, bool visible) {
  State(c).visible = visible;
}

void FakeForm::SetCaption(Control c, const std::string& text) {
  State(c).text = text;
}

void FakeForm::SetLocked(Control c, bool locked) {
  State(c).locked = locked;
}

void FakeForm::SetWindowCaption(const std::string& text) {
  caption = text;
}

void FakeForm::Show() {
  shown = true;
}

TwipsPoint FakeForm::GetWindowPosition() { return position; }

void FakeForm::MoveWindowTo(int leftTwips, int topTwips) {
  trace_.push_back("MoveWindowTo(" + std::to_string(leftTwips) + ", " + std::to_string(topTwips) + ")");
  position = {leftTwips, topTwips};
}

void FakeForm::SetWindowEnabled(bool enabled) {
  trace_.push_back("SetWindowEnabled(" + Bool(enabled) + ")");
  windowEnabled = enabled;
}

}  // namespace vestrand::fake
