// What the program learns about folders and files: whether they exist, their attributes,
// and before a run carries them, their identity, volume, free space and files, how names
// compare, and who holds a file; and the files a run writes itself.
#include <windows.h>

#include <algorithm>
#include <set>
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
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
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

namespace {

std::uint64_t Combine(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }

// A sync client's folder kept on demand (the cloud-files tags, and Windows 8.1's placeholders) is a
// reparse point, but no link: the shell carries what is in it, fetching what is only online.
bool IsOnDemandFolder(DWORD reparseTag) {
  return (reparseTag & 0xFFFF0FFFu) == 0x9000001Au || reparseTag == 0x80000015u;
}

// Every file below `folder`. Through links, each folder is first known by its identity, so that
// a folder reached by two ways is read once and a link back up ends the descent; one that cannot
// be identified is read only when reached without a link.
std::vector<FileEntry> ListBelow(Win32FileSystem& files, const std::string& folder, bool throughLinks) {
  std::vector<FileEntry> found;
  std::set<std::pair<std::uint32_t, std::uint64_t>> seen;
  std::vector<std::pair<std::string, bool>> pending{{std::string(), false}};  // below `folder`, by a link
  while (!pending.empty()) {
    const auto [below, linked] = std::move(pending.back());
    pending.pop_back();
    if (throughLinks) {
      const std::optional<FolderId> id = files.GetFolderId(folder + below);
      if (id ? !seen.insert({id->volumeSerial, id->fileIndex}).second : linked) continue;
    }
    WIN32_FIND_DATAW entry{};
    UniqueFindHandle find(::FindFirstFileW(ForLongUse(folder + below + "\\*").c_str(), &entry));
    if (!find) continue;
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::string relative = below + "\\" + Narrow(name);
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        // A junction or a linked folder leads elsewhere: the shell carries the link only, but what is
        // carried onto it goes through it.
        const bool link =
            (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && !IsOnDemandFolder(entry.dwReserved0);
        if (throughLinks || !link) pending.emplace_back(relative, linked || link);
        continue;
      }
      found.push_back({relative, Combine(entry.nFileSizeHigh, entry.nFileSizeLow),
                       Combine(entry.ftLastWriteTime.dwHighDateTime, entry.ftLastWriteTime.dwLowDateTime)});
    } while (::FindNextFileW(find.get(), &entry));
  }
  return found;
}

}  // namespace

std::vector<FileEntry> Win32FileSystem::ListFiles(const std::string& folder) { return ListBelow(*this, folder, false); }

std::vector<FileEntry> Win32FileSystem::ListFilesThroughLinks(const std::string& folder) {
  return ListBelow(*this, folder, true);
}

std::string Win32FileSystem::NameKey(const std::string& text) {
  // Called for every file: short texts stay on the stack, and the system converts and folds in one pass
  // each. Upper case without LCMAP_LINGUISTIC_CASING follows the file system's rules, and the invariant
  // locale keeps a Turkish user's "i" apart from "İ" as NTFS does. Windows 2000 knows no invariant locale:
  // there the system's own stands in.
  if (text.empty()) return text;
  wchar_t local[1024];
  std::vector<wchar_t> spill;
  const int sourceLength = static_cast<int>(text.size());
  int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), sourceLength, local, 512);
  wchar_t* wide = local;
  if (length == 0) {  // longer than the stack's share
    length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), sourceLength, nullptr, 0);
    spill.resize(2 * static_cast<std::size_t>(length));
    wide = spill.data();
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), sourceLength, wide, length);
  }
  wchar_t* const upper = wide + length;
  int folded = ::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide, length, upper, length);
  if (folded <= 0) folded = ::LCMapStringW(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, wide, length, upper, length);
  if (folded <= 0) return text;
  std::string key(3 * static_cast<std::size_t>(folded), '\0');  // a UTF-16 unit takes 3 bytes at most
  key.resize(static_cast<std::size_t>(
      ::WideCharToMultiByte(CP_UTF8, 0, upper, folded, &key[0], static_cast<int>(key.size()), nullptr, nullptr)));
  return key;
}

std::optional<VolumeFacts> Win32FileSystem::VolumeFactsOf(const std::string& path) {
  // A target not made yet lies on the volume of its nearest existing folder.
  std::string existing = path;
  while (!DirExists(existing) && existing.find('\\') != std::string::npos && existing.find_last_of('\\') > 2) {
    existing.erase(existing.find_last_of('\\'));
  }
  const std::string root = VolumeOf(existing.size() == 2 && existing[1] == ':' ? existing + "\\" : existing);
  if (root.empty()) return std::nullopt;
  const std::wstring wideRoot = Wide(root);
  VolumeFacts facts;
  wchar_t name[MAX_PATH + 1] = {};
  DWORD serial = 0, longestName = 0, flags = 0;
  const bool named =
      ::GetVolumeInformationW(wideRoot.c_str(), nullptr, 0, &serial, &longestName, &flags, name, MAX_PATH + 1) != 0;
  if (named) {
    facts.fileSystem = Narrow(name);
    facts.persistentAcls = (flags & FILE_PERSISTENT_ACLS) != 0;
  }
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  const bool sized =
      ::GetDiskFreeSpaceW(wideRoot.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters) != 0;
  if (sized) facts.clusterBytes = static_cast<std::uint64_t>(sectorsPerCluster) * bytesPerSector;
  if (!named && !sized) return std::nullopt;
  return facts;
}

namespace {

// Opened as the shell's carry needs it, sharing everything: only a holder that shares less refuses.
bool InUseByAnother(const std::string& path, bool forMove) {
  UniqueFileHandle file(::CreateFileW(ForLongUse(path).c_str(), GENERIC_READ | (forMove ? DELETE : 0),
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (file) return false;
  const DWORD error = ::GetLastError();
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// One Restart Manager session, ended with its owner.
class RestartManagerSession {
 public:
  RestartManagerSession() {
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    open_ = syslib::RmStartSession(&session_, 0, key) == ERROR_SUCCESS;
  }
  ~RestartManagerSession() {
    if (open_) syslib::RmEndSession(session_);
  }
  RestartManagerSession(const RestartManagerSession&) = delete;
  RestartManagerSession& operator=(const RestartManagerSession&) = delete;
  bool open() const { return open_; }
  DWORD get() const { return session_; }

 private:
  DWORD session_ = 0;
  bool open_ = false;
};

// Writes every byte to the open file and waits until they are on the disk.
WinResult WriteWhole(HANDLE file, const std::string& bytes, bool cutAfter) {
  DWORD written = 0;
  if (!::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    return WinResult::Failure(::GetLastError());
  }
  if (written != bytes.size()) return WinResult::Failure(ERROR_DISK_FULL);
  if ((cutAfter && !::SetEndOfFile(file)) || !::FlushFileBuffers(file)) return WinResult::Failure(::GetLastError());
  return WinResult::Success();
}

}  // namespace

// One open per file, in turn: helper threads gained nothing under Wine, where every open waits on its server.
std::vector<std::size_t> Win32FileSystem::FilesInUse(const std::vector<std::string>& paths, bool forMove) {
  std::vector<std::size_t> held;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (InUseByAnother(paths[i], forMove)) held.push_back(i);
  }
  return held;
}

std::vector<std::string> Win32FileSystem::ProgramsHolding(const std::string& path) {
  std::vector<std::string> names;
  const RestartManagerSession session;
  const std::wstring file = Wide(path);
  LPCWSTR files[] = {file.c_str()};
  if (!session.open() || syslib::RmRegisterResources(session.get(), 1, files) != ERROR_SUCCESS) return names;
  std::vector<RM_PROCESS_INFO> holders;
  UINT needed = 0, count = 0;
  DWORD reasons = 0;
  DWORD status = ERROR_MORE_DATA;
  // The list may grow between two calls.
  for (int attempt = 0; attempt < 4 && status == ERROR_MORE_DATA; ++attempt) {
    holders.resize(needed);
    count = needed;
    status = syslib::RmGetList(session.get(), &needed, &count, holders.data(), &reasons);
  }
  if (status != ERROR_SUCCESS) return names;
  for (UINT i = 0; i < count && i < holders.size(); ++i) {
    const std::string name = Narrow(holders[i].strAppName);
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

WinResult Win32FileSystem::WriteNewFile(const std::string& path, const std::string& bytes) {
  const std::wstring name = ForLongUse(path);
  UniqueFileHandle file(
      ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return WinResult::Failure(::GetLastError());
  const WinResult whole = WriteWhole(file.get(), bytes, false);
  file.reset();
  if (!whole) ::DeleteFileW(name.c_str());
  return whole;
}

WinResult Win32FileSystem::OverwriteFile(const std::string& path, const std::string& bytes) {
  // Opened as it is: creating it anew would be refused for a hidden or system file.
  UniqueFileHandle file(::CreateFileW(ForLongUse(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return WinResult::Failure(::GetLastError());
  return WriteWhole(file.get(), bytes, true);
}

WinResult Win32FileSystem::AppendToFile(const std::string& path, const std::string& bytes) {
  UniqueFileHandle file(::CreateFileW(ForLongUse(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return WinResult::Failure(::GetLastError());
  return WriteWhole(file.get(), bytes, false);
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

std::vector<std::string> Win32FileSystem::FileNamesStartingWith(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  UniqueFindHandle find(::FindFirstFileW(ForLongUse(folder + "\\" + prefix + "*").c_str(), &found));
  if (!find) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(Narrow(found.cFileName));
  } while (::FindNextFileW(find.get(), &found));
  return names;
}

WinResult Win32FileSystem::RemoveEmptyDirectory(const std::string& path) {
  if (!::RemoveDirectoryW(ForLongUse(path).c_str())) return WinResult::Failure(::GetLastError());
  return WinResult::Success();
}

}  // namespace vestrand
