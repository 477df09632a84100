#include "relocation/FolderCatalogue.h"

#include <stdexcept>

namespace vestrand {

const char* const kUserShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char* const kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kEnvironmentKey = "Environment";

namespace {

using G = FolderGroup;
using T6 = Nt6Treatment;
using T5 = Nt5Treatment;

constexpr const char* kUsf = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr const char* kSf = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kEnv = "Environment";

const FolderCatalogueTable kCatalogue = {{
    {1, G::Recommended, "我的桌面:", "我的桌面:", "Desktop", "Desktop", kUsf, kSf, kUsf, true, T6::E, T5::A, true, nullptr},
    {2, G::Recommended, "我的文档:", "我的文档:", "Personal", "Personal", kUsf, kSf, kUsf, true, T6::E, T5::A, true, nullptr},
    {3, G::Recommended, "收藏夹:", "收藏夹:", "Favorites", "Favorites", kUsf, kSf, kUsf, true, T6::E, T5::A, true, nullptr},
    {4, G::Recommended, "IE缓存:", "IE缓存:", "Cache", "Cache", kUsf, kSf, kUsf, true, T6::E, T5::A, false, nullptr},
    {5, G::Recommended, "Cookies:", "Cookies:", "Cookies", "Cookies", kUsf, kSf, kUsf, true, T6::E, T5::A, false, nullptr},
    {6, G::Recommended, "临时文件:", "临时文件:", "TEMP", "TMP", kEnv, kEnv, kEnv, false, T6::E, T5::B, false, nullptr},
    {7, G::Advanced, "联系人:", "程序数据:", "{56784854-C6CB-462B-8169-88E350ACB882}", "{56784854-C6CB-462B-8169-88E350ACB882}", kUsf, kSf, kUsf, true, T6::E, T5::C, true, nullptr},
    {8, G::Advanced, "下载:", "最近文档:", "{374DE290-123F-4565-9164-39C4925E467B}", "{374DE290-123F-4565-9164-39C4925E467B}", kUsf, kSf, kUsf, true, T6::E, T5::C, true, nullptr},
    {9, G::Advanced, "链接:", "网页历史:", "{BFB9D5E0-C6A9-404C-B2B2-AE6DB6AF4968}", "{BFB9D5E0-C6A9-404C-B2B2-AE6DB6AF4968}", kUsf, kSf, kUsf, true, T6::E, T5::C, true, nullptr},
    {10, G::Advanced, "搜索:", "搜索:", "{7D1D3A04-DEBB-4115-95CF-2F29DA2920DA}", "{7D1D3A04-DEBB-4115-95CF-2F29DA2920DA}", kUsf, kSf, kUsf, true, T6::E, T5::C, true, nullptr},
    {11, G::Advanced, "我的视频:", "我的视频:", "My Video", "My Video", kUsf, kSf, kUsf, true, T6::N, T5::D, true, "My Video"},
    {12, G::Advanced, "我的图片:", "我的图片:", "My Pictures", "My Pictures", kUsf, kSf, kUsf, true, T6::N, T5::D, true, "My Pictures"},
    {13, G::Advanced, "我的音乐:", "我的音乐:", "My Music", "My Music", kUsf, kSf, kUsf, true, T6::N, T5::D, true, "My Music"},
    {14, G::Advanced, "保存的游戏", "保存的游戏", "{4C5C32FF-BB9D-43B0-B5B4-2D72E54EAAA4}", "{4C5C32FF-BB9D-43B0-B5B4-2D72E54EAAA4}", kUsf, kSf, kUsf, true, T6::E, T5::C, true, nullptr},
}};

}  // namespace

const FolderCatalogueTable& FolderCatalogue() { return kCatalogue; }

const FolderRow& CatalogueRow(int row) {
  if (row < 1 || row > static_cast<int>(kCatalogue.size())) throw std::out_of_range("catalogue row");
  return kCatalogue[static_cast<std::size_t>(row - 1)];
}

}  // namespace vestrand
