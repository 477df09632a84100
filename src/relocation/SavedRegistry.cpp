#include "relocation/SavedRegistry.h"

#include <cstdio>
#include <stdexcept>

#include "platform/RegistryData.h"

namespace vestrand {

namespace {

const char* const kCrLf = "\r\n";

std::string Escaped(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// Text that the quoted form carries exactly: one terminating NUL and no control characters.
bool IsPlainString(const RegistryValue& v) {
  if (v.type != kRegSz || v.data.size() < 2 || v.data.size() % 2 != 0) return false;
  for (std::size_t i = 0; i + 2 < v.data.size(); i += 2) {
    if (v.data[i + 1] == 0 && v.data[i] < 0x20) return false;
  }
  return v.data[v.data.size() - 2] == 0 && v.data.back() == 0;
}

// Bytes as the Registry Editor writes them, wrapped the way it wraps them.
std::string HexData(const std::string& head, const std::vector<std::uint8_t>& data) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = head;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < data.size(); ++i) {
    out += kHex[data[i] >> 4];
    out += kHex[data[i] & 0x0F];
    if (i + 1 == data.size()) break;
    out += ',';
    if (out.size() - lineStart > 76) {
      out += "\\";
      out += kCrLf;
      lineStart = out.size();
      out += "  ";
    }
  }
  return out;
}

std::string ValueLine(const SavedValue& saved) {
  const std::string name = Escaped(saved.valueName) + "=";
  const RegistryValue& v = saved.value;
  if (!v.exists) return name + "-";
  if (IsPlainString(v)) return name + Escaped(FormatRegistryData(v.type, v.data));
  if (v.type == kRegDword && v.data.size() == 4) {
    char dword[16];
    std::snprintf(dword, sizeof dword, "dword:%02x%02x%02x%02x", v.data[3], v.data[2], v.data[1], v.data[0]);
    return name + dword;
  }
  if (v.type == kRegBinary) return HexData(name + "hex:", v.data);
  char head[16];
  std::snprintf(head, sizeof head, "hex(%x):", static_cast<unsigned>(v.type));
  return HexData(name + head, v.data);
}

const RegistryValue& SavedOf(const Snapshot& saved, const char* key, const char* name) {
  for (const SavedValue& v : saved) {
    if (v.keyPath == key && v.valueName == name) return v.value;
  }
  throw std::logic_error("a row's value was not saved");
}

}  // namespace

std::optional<Snapshot> SaveRegistry(Registry& registry) {
  Snapshot saved;
  auto save = [&](const char* key, const char* name) {
    const auto value = registry.RegReadRaw(kHkeyCurrentUser, key, name);
    if (!value) return false;
    saved.push_back({key, name, *value});
    return true;
  };
  for (const char* key : {kShellFoldersKey, kUserShellFoldersKey, kEnvironmentKey}) {
    for (const FolderRow& row : FolderCatalogue()) {
      if (std::string(row.firstWriteKey) == key && !save(key, row.valueName)) return std::nullopt;
      if (std::string(row.secondWriteKey) == key && !save(key, row.secondValueName)) return std::nullopt;
    }
  }
  return saved;
}

void RestoreRow(Registry& registry, const FolderRow& row, const Snapshot& saved) {
  const char* const why = "the undo file holds it";
  Ignored(registry.RegRestoreValue(kHkeyCurrentUser, row.firstWriteKey, row.valueName,
                                   SavedOf(saved, row.firstWriteKey, row.valueName)),
          why);
  Ignored(registry.RegRestoreValue(kHkeyCurrentUser, row.secondWriteKey, row.secondValueName,
                                   SavedOf(saved, row.secondWriteKey, row.secondValueName)),
          why);
}

bool WriteLocation(Registry& registry, const FolderRow& row, const std::string& location, const Snapshot& saved) {
  if (!registry.RegWriteValue(kHkeyCurrentUser, row.firstWriteKey, row.valueName, location, kRegSz)) return false;
  if (registry.RegWriteValue(kHkeyCurrentUser, row.secondWriteKey, row.secondValueName, location, kRegSz)) {
    return true;
  }
  RestoreRow(registry, row, saved);
  return false;
}

std::string RegistryUndoFile(const Snapshot& values) {
  std::string text = std::string("Windows Registry Editor Version 5.00") + kCrLf;
  const std::string* key = nullptr;
  for (const SavedValue& saved : values) {
    if (key == nullptr || saved.keyPath != *key) {
      key = &saved.keyPath;
      text += std::string(kCrLf) + "[HKEY_CURRENT_USER\\" + *key + "]" + kCrLf;
    }
    text += ValueLine(saved) + kCrLf;
  }
  text += kCrLf;
  // UTF-16LE as a string value stores it, without the value's terminating NUL.
  const std::vector<std::uint8_t> utf16 = StringValueData(text);
  return "\xFF\xFE" + std::string(utf16.begin(), utf16.end() - 2);
}

std::optional<std::string> WriteUndoFile(FileSystem& files, const std::string& root, const std::string& stamp,
                                         const Snapshot& saved) {
  const std::string content = RegistryUndoFile(saved);
  for (int attempt = 1; attempt <= 20; ++attempt) {
    const std::string tag = stamp + (attempt == 1 ? std::string() : "-" + std::to_string(attempt));
    const std::string path = root + "\\" + kUndoFilePrefix + tag + ".reg";
    if (files.WriteNewFile(path, content)) return tag;
    // Only a name already taken is worth another try.
    if (files.GetFileAttributes(path) == kInvalidFileAttributes) break;
  }
  return std::nullopt;
}

}  // namespace vestrand
