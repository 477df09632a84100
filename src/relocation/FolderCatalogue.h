// The fourteen relocatable shell folders, in row order.
#ifndef VESTRAND_RELOCATION_FOLDERCATALOGUE_H
#define VESTRAND_RELOCATION_FOLDERCATALOGUE_H

#include <array>
#include <string_view>

namespace vestrand {

// The per-user keys (below HKEY_CURRENT_USER) that hold the folders' locations.
inline constexpr const char* kUserShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
inline constexpr const char* kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr const char* kEnvironmentKey = "Environment";

// The rows' captions as the window is designed (NT 6.x); the catalogue and the window's
// layout both take them from here. Three rows read otherwise on NT 5.x.
namespace captions {
inline constexpr const char* kDesktop = "我的桌面:";
inline constexpr const char* kDocuments = "我的文档:";
inline constexpr const char* kFavorites = "收藏夹:";
inline constexpr const char* kCache = "IE缓存:";
inline constexpr const char* kCookies = "Cookies:";
inline constexpr const char* kTemp = "临时文件:";
inline constexpr const char* kContacts = "联系人:";
inline constexpr const char* kDownloads = "下载:";
inline constexpr const char* kLinks = "链接:";
inline constexpr const char* kSearches = "搜索:";
inline constexpr const char* kVideos = "我的视频:";
inline constexpr const char* kPictures = "我的图片:";
inline constexpr const char* kMusic = "我的音乐:";
inline constexpr const char* kSavedGames = "保存的游戏";
}  // namespace captions

// How start-up checks a row on NT 6.x once the boxes are filled: a row it cannot offer is
// unticked and disabled.
enum class Nt6Treatment {
  FolderMustExist,  // its folder must exist
  PathMustBeKnown,  // its box must not be empty
};
// What start-up does on NT 5.x with a row whose box the first read left empty.
enum class Nt5Treatment {
  UntickReadShellFolders,  // untick it and read Shell Folders instead
  Untick,                  // untick it
  HideReadShellFolders,    // untick, disable and hide it, and read Shell Folders instead
  OfferReadShellFolders,   // tick, enable and show it, and read Shell Folders instead
};

struct FolderRow {
  int row;
  const char* caption;     // shown on NT 6.x
  const char* nt5Caption;  // shown on NT 5.x
  // A run writes valueName under firstWriteKey, then secondValueName under secondWriteKey
  // (Shell Folders, then User Shell Folders; TEMP, then TMP in the environment).
  const char* valueName;
  const char* secondValueName;  // differs from valueName only for TEMP/TMP
  const char* firstWriteKey;
  const char* secondWriteKey;
  bool fallback;  // NT 6.x start-up reads Shell Folders when the first read is empty
  Nt6Treatment nt6;
  Nt5Treatment nt5;
  bool desktopIni;           // discard mode makes the folder read-only and carries desktop.ini
  const char* nt5FixedName;  // NT 5.x new location's folder name when the folder is missing
  // Running programs keep files open here (the browser's cache and cookies, temporary files):
  // those stay behind, and are no reason to refuse a run.
  bool programsHoldFiles;
};

using FolderCatalogueTable = std::array<FolderRow, 14>;

// Where start-up reads the row's valueName: User Shell Folders, or the environment.
inline const char* ReadKeyOf(const FolderRow& row) { return row.secondWriteKey; }

// Whether NT 5.x shows the row under another caption than NT 6.x.
inline bool CaptionDependsOnFamily(const FolderRow& row) { return std::string_view(row.caption) != row.nt5Caption; }

// The row whose location is kept in the environment (TEMP and TMP), not in the Explorer keys.
inline bool KeptInEnvironment(const FolderRow& row) { return std::string_view(row.firstWriteKey) == kEnvironmentKey; }

const FolderCatalogueTable& FolderCatalogue();
const FolderRow& CatalogueRow(int row);  // row 1..14

}  // namespace vestrand

#endif
