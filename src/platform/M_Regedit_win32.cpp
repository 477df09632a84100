#include <windows.h>

#include <vector>

#include "platform/M_Regedit.h"
#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"

namespace vestrand {

namespace {

// Predefined roots are sign-extended 32-bit values, also in 64-bit programs.
HKEY RootKey(std::uint32_t root) {
  return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(root)));
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

}  // namespace

std::string Win32Registry::RegReadValue(std::uint32_t root, const std::string& keyPath,
                                        const std::string& valueName, std::uint32_t& type) {
  UniqueHKey key;
  // Read access only: a key the user may read but not change must still read.
  if (::RegOpenKeyExW(RootKey(root), Wide(keyPath).c_str(), 0, KEY_READ, key.put()) !=
      ERROR_SUCCESS) {
    return std::string();
  }
  const std::wstring name = Wide(valueName);
  std::vector<std::uint8_t> data(1024);
  DWORD valueType = 0;
  LONG status = ERROR_MORE_DATA;
  // A value may outgrow the buffer (or grow between two calls): ask again with the size
  // the registry reports.
  for (int attempt = 0; attempt < 8 && status == ERROR_MORE_DATA; ++attempt) {
    DWORD size = static_cast<DWORD>(data.size());
    status = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &valueType, data.data(), &size);
    if (status == ERROR_SUCCESS) {
      data.resize(size);
    } else if (status == ERROR_MORE_DATA) {
      data.resize(static_cast<std::size_t>(size) + 2);
    }
  }
  if (status != ERROR_SUCCESS) return std::string();
  type = valueType;
  std::string text = FormatRegistryData(valueType, data);
  if (valueType == kRegExpandSz) text = ExpandEnvironment(text);
  return TrimSpaces(text);
}

bool Win32Registry::RegWriteValue(std::uint32_t root, const std::string& keyPath,
                                  const std::string& valueName, const std::string& value,
                                  std::uint32_t type) {
  if (!IsStringType(type)) return false;  // the program only ever stores text
  UniqueHKey key;
  std::wstring keyClass = std::to_wstring(type);
  if (::RegCreateKeyExW(RootKey(root), Wide(keyPath).c_str(), 0, &keyClass[0],
                        REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const std::vector<std::uint8_t> data = StringValueData(value);
  return ::RegSetValueExW(key.get(), Wide(valueName).c_str(), 0, type, data.data(),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

}  // namespace vestrand
