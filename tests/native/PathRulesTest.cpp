#include <gtest/gtest.h>

#include "relocation/PathRules.h"

namespace vestrand::paths {
namespace {

TEST(PathRules, AbsoluteUsableAndFolderName) {
  const std::tuple<const char*, bool, bool, const char*> cases[] = {  // path, absolute, usable, folder name
      {"D:\\", true, true, ""},
      {"d:\\个人 文件\\2024", true, true, "2024"},
      {"\\\\nas\\home\\ann\\", true, true, ""},
      {"D:", false, false, "D:"},
      {"D:Personal", false, false, "D:Personal"},
      {"D:/Personal", false, false, "D:/Personal"},
      {"\\\\nas\\", false, false, ""},
      {" D:\\Personal", false, false, "Personal"},
      {"D:\\Personal ", true, false, "Personal "},
      {"D:\\Personal.\\x", true, false, "x"},
      {"D:\\a|b", true, false, "a|b"},
      {"\\\\?\\D:\\x", true, false, "x"},
  };
  for (const auto& [path, absolute, usable, name] : cases) {
    EXPECT_EQ(IsAbsolutePath(path), absolute) << path;
    if (absolute) { EXPECT_EQ(HasUsableFolderNames(path), usable) << path; }
    EXPECT_EQ(FolderNameOf(path), name) << path;
  }
  EXPECT_EQ(WithoutOneTrailingBackslash("D:\\Personal\\\\"), "D:\\Personal\\");
}

TEST(PathRules, InsideByWholeNamesWithoutCase) {
  const std::tuple<const char*, const char*, const char*> cases[] = {  // path, folder, below it (nullptr: not inside)
      {"c:\\DOCS\\my music\\", "C:\\docs\\", "\\my music"},
      {"C:\\Docs", "C:\\Docs\\", ""},
      {"C:\\Docs\\\\a\\b", "C:\\Docs", "\\a\\b"},
      {"C:\\Docs2\\a", "C:\\Docs", nullptr},
      {"C:\\Docs", "C:\\Docs\\a", nullptr},
      {"C:\\Ünï\\Ёж\\x", "c:\\üNÏ\\ёЖ", "\\x"},
      {"C:\\zoo\\x", "C:\\ZOO", "\\x"},
      {"\\\\nas\\home\\x", "\\\\NAS\\Home", "\\x"},
  };
  for (const auto& [path, folder, below] : cases) {
    EXPECT_EQ(IsSameOrInside(path, folder), below != nullptr) << path << " in " << folder;
    if (below != nullptr) { EXPECT_EQ(RelativeBelow(path, folder), below) << path; }
  }
  EXPECT_EQ(ParentFolder("D:\\a"), "D:\\");
  EXPECT_EQ(ParentFolder("\\\\nas\\home\\x"), "\\\\nas\\home");
  EXPECT_EQ(ParentFolder("\\\\nas\\home"), "");
}

}  // namespace
}  // namespace vestrand::paths
