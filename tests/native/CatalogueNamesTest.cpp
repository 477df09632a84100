// The names the catalogue hands to the registry, checked against Windows' own names
// (the values under Shell Folders / User Shell Folders, the KNOWNFOLDERID of the folders
// that have no other name there, and the environment's TEMP and TMP), written here
// independently of the catalogue; and the controls that show each row.
#include <gtest/gtest.h>

#include "relocation/FolderCatalogue.h"
#include "ui/MainWindowLayout.h"

namespace vestrand {
namespace {

TEST(CatalogueNames, ValueNamesAreWindowsOwnAndRowKIsCheckKAndTextK) {
  const char* const names[] = {"Desktop", "Personal", "Favorites", "Cache", "Cookies", "TEMP",
                               "{56784854-C6CB-462B-8169-88E350ACB882}",  // FOLDERID_Contacts
                               "{374DE290-123F-4565-9164-39C4925E467B}",  // FOLDERID_Downloads
                               "{BFB9D5E0-C6A9-404C-B2B2-AE6DB6AF4968}",  // FOLDERID_Links
                               "{7D1D3A04-DEBB-4115-95CF-2F29DA2920DA}",  // FOLDERID_SavedSearches
                               "My Video", "My Pictures", "My Music",
                               "{4C5C32FF-BB9D-43B0-B5B4-2D72E54EAAA4}"};  // FOLDERID_SavedGames
  const std::string explorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
  ASSERT_EQ(std::size(names), FolderCatalogue().size());
  for (int k = 1; k <= kRowCount; ++k) {
    const FolderRow& row = CatalogueRow(k);
    const bool temp = k == 6;  // the environment's TEMP and TMP
    EXPECT_EQ(std::string(row.valueName), names[k - 1]) << k;
    EXPECT_EQ(std::string(row.secondValueName), temp ? "TMP" : names[k - 1]) << k;
    EXPECT_EQ(std::string(row.firstWriteKey), temp ? "Environment" : explorer + "Shell Folders") << k;
    EXPECT_EQ(std::string(row.secondWriteKey), temp ? "Environment" : explorer + "User Shell Folders") << k;
    EXPECT_EQ(LayoutOf(CheckOf(k)).name, "Check" + std::to_string(k));
    EXPECT_EQ(LayoutOf(TextOf(k)).name, "Text" + std::to_string(k));
  }
  EXPECT_THROW(CheckOf(0), std::out_of_range);
  EXPECT_THROW(TextOf(kRowCount + 1), std::out_of_range);
}

}  // namespace
}  // namespace vestrand
