// What the program learns about folders and files: whether they exist, their attributes,
// and before a run carries them, their identity, volume, free space and files; and the
// files a run writes itself.
#include <windows.h>

#include <utility>
#include <vector>

#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"

namespace vestrand {

namespace {

// Long paths (a profile can hold them) need the extended form, in which Windows no longer
// tidies the path: doubled backslashes are taken out here.
std::wstring ForLongUse(const std::string& path) {
  std::wstring wide = Wide(path);
  if (wide.size() < MAX_PATH - 12) return wide;
  const bool share = wide.compare(0, 2, L"\\\\") == 0;
  std::wstring tidy = share ? L"\\\\" : L"";
  for (std::size_t i = tidy.size(); i < wide.size(); ++i) {
    if (wide[i] == L'\\' && !tidy.empty() && tidy.back() == L'\\') continue;
    tidy += wide[i];
  }
  return share ? L"\\\\?\\UNC\\" + tidy.substr(2) : L"\\\\?\\" + tidy;
}

}  // namespace

bool Win32FileSystem::DirExists(const std::string& path) {
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::uint32_t Win32FileSystem::GetFileAttributes(const std::string& path) {
  return ::GetFileAttributesW(Wide(path).c_str());
}

std::optional<FolderId> Win32FileSystem::GetFolderId(const std::string& path) {
  // Opening follows junctions and reaches a second drive letter's folder, so two names
  // of one folder give one identity.
  UniqueFileHandle folder(::CreateFileW(ForLongUse(path).c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                        nullptr));
  if (!folder) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(folder.get(), &info)) return std::nullopt;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return std::nullopt;
  return FolderId{info.dwVolumeSerialNumber,
                  (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::string Win32FileSystem::VolumeOf(const std::string& path) {
  wchar_t volume[MAX_PATH + 1] = {};
  if (!::GetVolumePathNameW(Wide(path).c_str(), volume, MAX_PATH + 1)) return std::string();
  return Narrow(volume);
}

std::optional<std::uint64_t> Win32FileSystem::FreeBytes(const std::string& path) {
  ULARGE_INTEGER available{};
  if (!::GetDiskFreeSpaceExW(Wide(path).c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

std::vector<FileEntry> Win32FileSystem::ListFiles(const std::string& folder) {
  std::vector<FileEntry> files;
  std::vector<std::string> pending{std::string()};  // folders below `folder` still to read
  while (!pending.empty()) {
    const std::string below = std::move(pending.back());
    pending.pop_back();
    WIN32_FIND_DATAW found{};
    UniqueFindHandle find(::FindFirstFileW(ForLongUse(folder + below + "\\*").c_str(), &found));
    if (!find) continue;
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::string relative = below + "\\" + Narrow(name);
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        // A junction or a linked folder leads elsewhere; the shell carries the link only.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) pending.push_back(relative);
        continue;
      }
      files.push_back({relative, (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) |
                                     found.nFileSizeLow});
    } while (::FindNextFileW(find.get(), &found));
  }
  return files;
}

bool Win32FileSystem::WriteNewFile(const std::string& path, const std::string& bytes) {
  const std::wstring name = ForLongUse(path);
  UniqueFileHandle file(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  const bool whole = ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                 &written, nullptr) &&
                     written == bytes.size() && ::FlushFileBuffers(file.get());
  file.reset();
  if (!whole) ::DeleteFileW(name.c_str());
  return whole;
}

bool Win32FileSystem::AppendToFile(const std::string& path, const std::string& bytes) {
  UniqueFileHandle file(::CreateFileW(ForLongUse(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size() && ::FlushFileBuffers(file.get());
}

std::optional<std::string> Win32FileSystem::ReadFileStart(const std::string& path, std::size_t limit) {
  UniqueFileHandle file(::CreateFileW(ForLongUse(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes(limit, '\0');
  DWORD read = 0;
  if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(limit), &read, nullptr)) return std::nullopt;
  bytes.resize(read);
  return bytes;
}

std::vector<std::string> Win32FileSystem::FileNamesStartingWith(const std::string& folder,
                                                                const std::string& prefix) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  UniqueFindHandle find(::FindFirstFileW(ForLongUse(folder + "\\" + prefix + "*").c_str(), &found));
  if (!find) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(Narrow(found.cFileName));
  } while (::FindNextFileW(find.get(), &found));
  return names;
}

bool Win32FileSystem::RemoveEmptyDirectory(const std::string& path) {
  return ::RemoveDirectoryW(ForLongUse(path).c_str()) != 0;
}

}  // namespace vestrand
