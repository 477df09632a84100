// The names the catalogue hands to the registry, checked against Windows' own names
// (the values under Shell Folders / User Shell Folders, the KNOWNFOLDERID of the folders
// that have no other name there, and the environment's TEMP and TMP), written here
// independently of the catalogue; and the controls that show each row.
#include <gtest/gtest.h>

#include <string>

#include "relocation/FolderCatalogue.h"
#include "relocation/FormFields.h"

namespace vestrand {
namespace {

const char* const kExplorerShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kExplorerUserShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

struct WindowsName {
  int row;
  const char* firstName;   // under Shell Folders (for temporary files: the environment)
  const char* secondName;  // under User Shell Folders
  bool environment;
};

TEST(CatalogueNames, ValueNamesAreWindowsOwn) {
  const WindowsName names[] = {
      {1, "Desktop", "Desktop", false},
      {2, "Personal", "Personal", false},
      {3, "Favorites", "Favorites", false},
      {4, "Cache", "Cache", false},
      {5, "Cookies", "Cookies", false},
      {6, "TEMP", "TMP", true},
      {7, "{56784854-C6CB-462B-8169-88E350ACB882}", "{56784854-C6CB-462B-8169-88E350ACB882}", false},  // FOLDERID_Contacts
      {8, "{374DE290-123F-4565-9164-39C4925E467B}", "{374DE290-123F-4565-9164-39C4925E467B}", false},  // FOLDERID_Downloads
      {9, "{BFB9D5E0-C6A9-404C-B2B2-AE6DB6AF4968}", "{BFB9D5E0-C6A9-404C-B2B2-AE6DB6AF4968}", false},  // FOLDERID_Links
      {10, "{7D1D3A04-DEBB-4115-95CF-2F29DA2920DA}", "{7D1D3A04-DEBB-4115-95CF-2F29DA2920DA}", false},  // FOLDERID_SavedSearches
      {11, "My Video", "My Video", false},
      {12, "My Pictures", "My Pictures", false},
      {13, "My Music", "My Music", false},
      {14, "{4C5C32FF-BB9D-43B0-B5B4-2D72E54EAAA4}", "{4C5C32FF-BB9D-43B0-B5B4-2D72E54EAAA4}", false},  // FOLDERID_SavedGames
  };
  ASSERT_EQ(std::size(names), FolderCatalogue().size());
  for (const WindowsName& n : names) {
    const FolderRow& row = CatalogueRow(n.row);
    EXPECT_EQ(row.row, n.row);
    EXPECT_EQ(std::string(row.valueName), n.firstName) << n.row;
    EXPECT_EQ(std::string(row.secondValueName), n.secondName) << n.row;
    EXPECT_EQ(std::string(row.firstWriteKey), n.environment ? "Environment" : kExplorerShellFolders) << n.row;
    EXPECT_EQ(std::string(row.secondWriteKey), n.environment ? "Environment" : kExplorerUserShellFolders)
        << n.row;
  }
}

TEST(RowControls, RowKIsCheckKAndTextK) {
  const struct {
    int row;
    Control check;
    Control text;
  } rows[] = {
      {1, Control::Check1, Control::Text1},    {2, Control::Check2, Control::Text2},
      {3, Control::Check3, Control::Text3},    {4, Control::Check4, Control::Text4},
      {5, Control::Check5, Control::Text5},    {6, Control::Check6, Control::Text6},
      {7, Control::Check7, Control::Text7},    {8, Control::Check8, Control::Text8},
      {9, Control::Check9, Control::Text9},    {10, Control::Check10, Control::Text10},
      {11, Control::Check11, Control::Text11}, {12, Control::Check12, Control::Text12},
      {13, Control::Check13, Control::Text13}, {14, Control::Check14, Control::Text14},
  };
  ASSERT_EQ(static_cast<int>(std::size(rows)), kRowCount);
  for (const auto& r : rows) {
    EXPECT_EQ(CheckOf(r.row), r.check) << r.row;
    EXPECT_EQ(TextOf(r.row), r.text) << r.row;
  }
  EXPECT_THROW(CheckOf(0), std::out_of_range);
  EXPECT_THROW(TextOf(kRowCount + 1), std::out_of_range);
}

}  // namespace
}  // namespace vestrand
