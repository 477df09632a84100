#include <windows.h>

#include <shellapi.h>

#include "platform/ShellFileOperations.h"
#include "platform/SystemLibraries.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"

namespace vestrand {

namespace {

// Yes-to-all, keep undo information, create a missing destination without asking; the
// shell still shows its progress and its own error windows.
constexpr FILEOP_FLAGS kShellFlags = FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR;
static_assert(kShellFlags == 0x250, "the shell operation's flags");

void ShellTransfer(UINT operation, const std::string& source, const std::string& destination) {
  const std::optional<std::u16string> from = ShellItemList(source);
  const std::optional<std::u16string> to = ShellItemList(destination);
  if (!from || !to) return;
  const std::wstring fromList(from->begin(), from->end());
  const std::wstring toList(to->begin(), to->end());
  SHFILEOPSTRUCTW request{};
  request.hwnd = nullptr;
  request.wFunc = operation;
  request.pFrom = fromList.c_str();
  request.pTo = toList.c_str();
  request.fFlags = kShellFlags;
  // Its answer says nothing of which files were carried; the callers look on the disk.
  static_cast<void>(syslib::SHFileOperationW(&request));
}

}  // namespace

void Win32FileSystem::MakeDirectory(const std::string& path) {
  // Existing levels, drive roots and unreachable drives fail here; callers that need to
  // know test the result with DirExists.
  for (const std::string& level : DirectoryPrefixes(path)) { ::CreateDirectoryW(Wide(level).c_str(), nullptr); }
}

WinResult Win32FileSystem::SetFileAttributes(const std::string& path, std::uint32_t attributes) {
  if (!::SetFileAttributesW(Wide(path).c_str(), attributes)) { return WinResult::Failure(::GetLastError()); }
  return WinResult::Success();
}

void Win32FileSystem::ShellCopyFiles(const std::string& source, const std::string& destination) {
  ShellTransfer(FO_COPY, source, destination);
}

void Win32FileSystem::ShellMoveFiles(const std::string& source, const std::string& destination) {
  ShellTransfer(FO_MOVE, source, destination);
}

}  // namespace vestrand
