#include <windows.h>

#include "platform/Win32Services.h"
#include "platform/Win32Text.h"

namespace vestrand {

bool Win32FileSystem::DirExists(const std::string& path) {
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::uint32_t Win32FileSystem::GetFileAttributes(const std::string& path) {
  return ::GetFileAttributesW(Wide(path).c_str());
}

}  // namespace vestrand
