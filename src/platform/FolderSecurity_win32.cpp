#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "platform/FolderSecurity.h"
#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"

namespace vestrand {

bool CurrentUserSid(std::string& sid) {
  UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) { return false; }
  UniqueLocalMem<LPWSTR> text;
  if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, text.put())) { return false; }
  sid = Narrow(text.get());
  return true;
}

WinResult Win32FileSystem::ProtectPrivateFolder(const std::string& path) {
  std::string sid;
  if (!CurrentUserSid(sid)) return WinResult::Failure(::GetLastError());
  UniqueLocalMem<PSECURITY_DESCRIPTOR> descriptor;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(Wide(PrivateFolderSecurity(sid)).c_str(), SDDL_REVISION_1,
                                                              descriptor.put(), nullptr)) {
    return WinResult::Failure(::GetLastError());
  }
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  PSID owner = nullptr;
  if (!::GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted) ||
      !::GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted)) {
    return WinResult::Failure(::GetLastError());
  }
  std::wstring name = Wide(path);
  const SECURITY_INFORMATION list = DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
  DWORD status = ::SetNamedSecurityInfoW(&name[0], SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | list, owner, nullptr,
                                         dacl, nullptr);
  // A network share may refuse to take a new owner; the access list alone still keeps others out.
  if (status != ERROR_SUCCESS) {
    status = ::SetNamedSecurityInfoW(&name[0], SE_FILE_OBJECT, list, nullptr, nullptr, dacl, nullptr);
  }
  return status == ERROR_SUCCESS ? WinResult::Success() : WinResult::Failure(status);
}

}  // namespace vestrand
