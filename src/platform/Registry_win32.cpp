#include <windows.h>

#include <vector>

#include "platform/RegistryData.h"
#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"

namespace vestrand {

namespace {

// Predefined roots are sign-extended 32-bit values, also in 64-bit programs.
HKEY RootKey(std::uint32_t root) { return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(root))); }

// Reads a value whole: it may outgrow the buffer, or grow between two calls.
LONG ReadValueBytes(HKEY key, const std::wstring& name, DWORD& type, std::vector<std::uint8_t>& data) {
  data.assign(1024, 0);
  LONG status = ERROR_MORE_DATA;
  for (int attempt = 0; attempt < 8 && status == ERROR_MORE_DATA; ++attempt) {
    DWORD size = static_cast<DWORD>(data.size());
    status = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
    if (status == ERROR_SUCCESS) {
      data.resize(size);
    } else if (status == ERROR_MORE_DATA) {
      data.resize(static_cast<std::size_t>(size) + 2);
    }
  }
  return status;
}

}  // namespace

std::optional<std::string> ReadValueText(HKEY key, const std::wstring& name, DWORD& type) {
  std::vector<std::uint8_t> data;
  if (ReadValueBytes(key, name, type, data) != ERROR_SUCCESS) return std::nullopt;
  const std::string text = FormatRegistryData(type, data);
  return type == REG_EXPAND_SZ ? ExpandEnvironment(text) : text;
}

std::string ExpandEnvironment(const std::string& text) {
  const std::wstring source = Wide(text);
  const DWORD needed = ::ExpandEnvironmentStringsW(source.c_str(), nullptr, 0);
  if (needed == 0) return text;
  std::wstring expanded(needed, L'\0');
  const DWORD written = ::ExpandEnvironmentStringsW(source.c_str(), &expanded[0], needed);
  if (written == 0 || written > needed) return text;
  expanded.resize(written - 1);  // drop the terminator
  return Narrow(expanded);
}

std::string Win32Registry::RegReadValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                                        std::uint32_t& type) {
  UniqueHKey key;
  // Read access only: a key the user may read but not change must still read.
  if (::RegOpenKeyExW(RootKey(root), Wide(keyPath).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    return std::string();
  }
  DWORD valueType = 0;
  const std::optional<std::string> text = ReadValueText(key.get(), Wide(valueName), valueType);
  if (!text) return std::string();
  type = valueType;
  return TrimSpaces(*text);
}

std::optional<RegistryValue> Win32Registry::RegReadRaw(std::uint32_t root, const std::string& keyPath,
                                                       const std::string& valueName) {
  UniqueHKey key;
  const LONG opened = ::RegOpenKeyExW(RootKey(root), Wide(keyPath).c_str(), 0, KEY_READ, key.put());
  if (opened == ERROR_FILE_NOT_FOUND) return RegistryValue{};
  if (opened != ERROR_SUCCESS) return std::nullopt;
  RegistryValue value;
  DWORD type = 0;
  const LONG status = ReadValueBytes(key.get(), Wide(valueName), type, value.data);
  if (status == ERROR_FILE_NOT_FOUND) return RegistryValue{};
  if (status != ERROR_SUCCESS) return std::nullopt;
  value.exists = true;
  value.type = type;
  return value;
}

namespace {

// The registry's own status as the one result every refusable call gives.
WinResult FromStatus(LONG status) {
  return status == ERROR_SUCCESS ? WinResult::Success() : WinResult::Failure(static_cast<std::uint32_t>(status));
}

}  // namespace

WinResult Win32Registry::RegRestoreValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                                         const RegistryValue& value) {
  UniqueHKey key;
  if (!value.exists) {
    const LONG opened = ::RegOpenKeyExW(RootKey(root), Wide(keyPath).c_str(), 0, KEY_SET_VALUE, key.put());
    if (opened == ERROR_FILE_NOT_FOUND) return WinResult::Success();
    if (opened != ERROR_SUCCESS) return FromStatus(opened);
    const LONG deleted = ::RegDeleteValueW(key.get(), Wide(valueName).c_str());
    return FromStatus(deleted == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : deleted);
  }
  const LONG created = ::RegCreateKeyExW(RootKey(root), Wide(keyPath).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_SET_VALUE, nullptr, key.put(), nullptr);
  if (created != ERROR_SUCCESS) return FromStatus(created);
  return FromStatus(::RegSetValueExW(key.get(), Wide(valueName).c_str(), 0, value.type, value.data.data(),
                                     static_cast<DWORD>(value.data.size())));
}

WinResult Win32Registry::RegWriteValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                                       const std::string& value, std::uint32_t type) {
  // The program only ever stores text.
  if (!IsStringType(type)) return WinResult::Failure(ERROR_INVALID_PARAMETER);
  UniqueHKey key;
  // Not a mistake: a key made here gets the value's type, as text, for its class, as
  // keys made by this write always have; Windows keeps the class and nothing reads it.
  std::wstring keyClass = std::to_wstring(type);
  const LONG created = ::RegCreateKeyExW(RootKey(root), Wide(keyPath).c_str(), 0, &keyClass[0], REG_OPTION_NON_VOLATILE,
                                         KEY_WRITE, nullptr, key.put(), nullptr);
  if (created != ERROR_SUCCESS) return FromStatus(created);
  const std::vector<std::uint8_t> data = StringValueData(value);
  return FromStatus(
      ::RegSetValueExW(key.get(), Wide(valueName).c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())));
}

}  // namespace vestrand
