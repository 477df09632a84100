// The folders sync clients keep for this user, as the system and the environment name them.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/RegistryData.h"
#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"

namespace vestrand {

namespace {

// Sync clients register their folders here from Windows 8.1 on. A 32-bit program on 64-bit Windows
// must ask for the 64-bit view, where the clients write.
const wchar_t* const kSyncRootManager = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\SyncRootManager";

// A text value of `key`, expanded where stored so; empty when there is none.
std::string ReadText(HKEY key, const wchar_t* name) {
  DWORD type = 0;
  const std::optional<std::string> text = ReadValueText(key, name, type);
  return text && IsStringType(type) ? *text : std::string();
}

std::string EnvironmentVariable(const wchar_t* name) {
  std::wstring value(::GetEnvironmentVariableW(name, nullptr, 0), L'\0');
  if (value.empty() || ::GetEnvironmentVariableW(name, &value[0], static_cast<DWORD>(value.size())) == 0) {
    return std::string();
  }
  return Narrow(value.c_str());
}

std::string Trimmed(std::string folder) {  // "C:\Users\Ann\OneDrive\" names the same folder without its "\"
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

}  // namespace

std::vector<SyncRoot> Win32Host::SyncRoots() {
  std::vector<SyncRoot> roots;
  Win32FileSystem files;
  std::vector<std::string> keys;  // the folders found so far, as the file system compares them
  const auto add = [&](const std::string& folder, const std::string& client) {
    const std::string trimmed = Trimmed(folder), key = files.NameKey(trimmed);
    if (trimmed.empty() || std::find(keys.begin(), keys.end(), key) != keys.end()) return;
    keys.push_back(key);
    roots.push_back({trimmed, client});
  };
  std::string sid;
  UniqueHKey manager;
  if (CurrentUserSid(sid) && ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSyncRootManager, 0, KEY_READ | KEY_WOW64_64KEY,
                                             manager.put()) == ERROR_SUCCESS) {
    const std::wstring userValue = Wide(sid);
    wchar_t id[256];
    for (DWORD i = 0;; ++i) {
      DWORD idLength = 256;
      const LONG status = ::RegEnumKeyExW(manager.get(), i, id, &idLength, nullptr, nullptr, nullptr, nullptr);
      if (status == ERROR_MORE_DATA) continue;  // no client names itself at such length
      if (status != ERROR_SUCCESS) break;
      UniqueHKey client, userRoots;
      if (::RegOpenKeyExW(manager.get(), id, 0, KEY_READ | KEY_WOW64_64KEY, client.put()) != ERROR_SUCCESS ||
          ::RegOpenKeyExW(client.get(), L"UserSyncRoots", 0, KEY_READ | KEY_WOW64_64KEY, userRoots.put()) !=
              ERROR_SUCCESS) {
        continue;
      }
      // The id reads "<client>!<SID>!<account>"; the display name, where it is plain text, says it better
      // ("@" starts a reference into a program's resources).
      std::string name = ReadText(client.get(), L"DisplayNameResource");
      const std::wstring idText(id, idLength);
      if (name.empty() || name[0] == '@') name = Narrow(idText.substr(0, idText.find(L'!')));
      add(ReadText(userRoots.get(), userValue.c_str()), name);
    }
  }
  for (const wchar_t* variable : {L"OneDrive", L"OneDriveConsumer", L"OneDriveCommercial"}) {
    add(EnvironmentVariable(variable), "OneDrive");
  }
  return roots;
}

}  // namespace vestrand
