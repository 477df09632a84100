#include "relocation/FolderCatalogue.h"

#include <stdexcept>

namespace vestrand {

namespace {

namespace c = captions;
constexpr const char* kUsf = kUserShellFoldersKey;
constexpr const char* kSf = kShellFoldersKey;
constexpr const char* kEnv = kEnvironmentKey;
constexpr auto kExist = Nt6Treatment::FolderMustExist;
constexpr auto kKnown = Nt6Treatment::PathMustBeKnown;
constexpr auto kUntickRead = Nt5Treatment::UntickReadShellFolders;
constexpr auto kUntick = Nt5Treatment::Untick;
constexpr auto kHide = Nt5Treatment::HideReadShellFolders;
constexpr auto kOffer = Nt5Treatment::OfferReadShellFolders;

// The folders Windows names by their KNOWNFOLDERID under Shell Folders and User Shell Folders.
constexpr const char* kContacts = "{56784854-C6CB-462B-8169-88E350ACB882}";
constexpr const char* kDownloads = "{374DE290-123F-4565-9164-39C4925E467B}";
constexpr const char* kLinks = "{BFB9D5E0-C6A9-404C-B2B2-AE6DB6AF4968}";
constexpr const char* kSearches = "{7D1D3A04-DEBB-4115-95CF-2F29DA2920DA}";
constexpr const char* kSavedGames = "{4C5C32FF-BB9D-43B0-B5B4-2D72E54EAAA4}";

// clang-format off
const FolderCatalogueTable kCatalogue = {{
    {1, c::kDesktop, c::kDesktop, "Desktop", "Desktop", kSf, kUsf, true, kExist, kUntickRead, true, nullptr, false},
    {2, c::kDocuments, c::kDocuments, "Personal", "Personal", kSf, kUsf, true, kExist, kUntickRead,
     true, nullptr, false},
    {3, c::kFavorites, c::kFavorites, "Favorites", "Favorites", kSf, kUsf, true, kExist, kUntickRead,
     true, nullptr, false},
    {4, c::kCache, c::kCache, "Cache", "Cache", kSf, kUsf, true, kExist, kUntickRead, false, nullptr, true},
    {5, c::kCookies, c::kCookies, "Cookies", "Cookies", kSf, kUsf, true, kExist, kUntickRead, false, nullptr, true},
    {6, c::kTemp, c::kTemp, "TEMP", "TMP", kEnv, kEnv, false, kExist, kUntick, false, nullptr, true},
    {7, c::kContacts, "程序数据:", kContacts, kContacts, kSf, kUsf, true, kExist, kHide, true, nullptr, false},
    {8, c::kDownloads, "最近文档:", kDownloads, kDownloads, kSf, kUsf, true, kExist, kHide, true, nullptr, false},
    {9, c::kLinks, "网页历史:", kLinks, kLinks, kSf, kUsf, true, kExist, kHide, true, nullptr, false},
    {10, c::kSearches, c::kSearches, kSearches, kSearches, kSf, kUsf, true, kExist, kHide, true, nullptr, false},
    {11, c::kVideos, c::kVideos, "My Video", "My Video", kSf, kUsf, true, kKnown, kOffer, true, "My Video", false},
    {12, c::kPictures, c::kPictures, "My Pictures", "My Pictures", kSf, kUsf, true, kKnown, kOffer,
     true, "My Pictures", false},
    {13, c::kMusic, c::kMusic, "My Music", "My Music", kSf, kUsf, true, kKnown, kOffer, true, "My Music", false},
    {14, c::kSavedGames, c::kSavedGames, kSavedGames, kSavedGames, kSf, kUsf, true, kExist, kHide,
     true, nullptr, false},
}};
// clang-format on

}  // namespace

const FolderCatalogueTable& FolderCatalogue() { return kCatalogue; }

const FolderRow& CatalogueRow(int row) {
  if (row < 1 || row > static_cast<int>(kCatalogue.size())) throw std::out_of_range("catalogue row");
  return kCatalogue[static_cast<std::size_t>(row - 1)];
}

}  // namespace vestrand
