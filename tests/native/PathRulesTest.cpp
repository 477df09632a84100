#include <gtest/gtest.h>

#include "relocation/PathRules.h"

namespace vestrand::paths {
namespace {

TEST(PathRules, FolderNameAndTrailingBackslash) {
  EXPECT_EQ(FolderNameOf("C:\\Users\\Ann\\Desktop"), "Desktop");
  EXPECT_EQ(FolderNameOf("C:\\Users\\Ann\\Desktop\\"), "");
  EXPECT_EQ(FolderNameOf("Desktop"), "Desktop");
  EXPECT_EQ(FolderNameOf("D:\\"), "");
  EXPECT_EQ(WithoutOneTrailingBackslash("D:\\"), "D:");
  EXPECT_EQ(WithoutOneTrailingBackslash("D:\\Personal\\\\"), "D:\\Personal\\");
  EXPECT_EQ(WithoutOneTrailingBackslash("D:\\Personal"), "D:\\Personal");
  EXPECT_EQ(WithoutOneTrailingBackslash(""), "");
}

TEST(PathRules, AbsoluteAndUsable) {
  struct Case {
    const char* path;
    bool absolute;
    bool usable;  // only asked of absolute paths
  };
  const Case cases[] = {
      {"D:\\", true, true},
      {"d:\\个人 文件\\2024", true, true},
      {"\\\\nas\\home", true, true},
      {"\\\\nas\\home\\ann\\", true, true},
      {"D:\\Personal\\\\", true, true},
      {"D:", false, false},
      {"D:Personal", false, false},
      {"\\Personal", false, false},
      {"D:/Personal", false, false},
      {"1:\\x", false, false},
      {"\\\\nas", false, false},
      {"\\\\nas\\", false, false},
      {"\\\\\\share", false, false},
      {" D:\\Personal", false, false},
      {"D:\\Personal ", true, false},
      {"D:\\Personal.\\x", true, false},
      {"D:\\..\\x", true, false},
      {"D:\\a|b", true, false},
      {"D:\\a:b", true, false},
      {"D:\\a\tb", true, false},
      {"\\\\?\\D:\\x", true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsAbsolutePath(c.path), c.absolute) << c.path;
    if (c.absolute) {
      EXPECT_EQ(HasUsableFolderNames(c.path), c.usable) << c.path;
    }
  }
}

TEST(PathRules, InsideByWholeNamesWithoutCase) {
  struct Case {
    const char* path;
    const char* folder;
    bool inside;
    const char* below;  // when inside
  };
  const Case cases[] = {
      {"C:\\Docs\\My Music", "C:\\Docs", true, "\\My Music"},
      {"c:\\DOCS\\my music\\", "C:\\docs\\", true, "\\my music"},
      {"C:\\Docs", "C:\\Docs\\", true, ""},
      {"C:\\Docs\\\\a\\b", "C:\\Docs", true, "\\a\\b"},
      {"C:\\Docs2\\a", "C:\\Docs", false, nullptr},
      {"C:\\Doc", "C:\\Docs", false, nullptr},
      {"C:\\Docs", "C:\\Docs\\a", false, nullptr},
      {"D:\\Docs", "C:\\Docs", false, nullptr},
      {"C:\\Ünï\\Ёж\\x", "c:\\üNÏ\\ёЖ", true, "\\x"},
      {"C:\\ＡＢ\\x", "C:\\ａｂ", true, "\\x"},
      {"C:\\桌面\\x", "C:\\桌面", true, "\\x"},
      {"C:\\zoo\\x", "C:\\ZOO", true, "\\x"},
      {"\\\\nas\\home\\x", "\\\\NAS\\Home", true, "\\x"},
      {"C:\\x", "", false, nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsSameOrInside(c.path, c.folder), c.inside) << c.path << " in " << c.folder;
    if (c.inside) {
      EXPECT_EQ(RelativeBelow(c.path, c.folder), c.below) << c.path;
    }
  }
  EXPECT_EQ(ParentFolder("D:\\a\\b"), "D:\\a");
  EXPECT_EQ(ParentFolder("D:\\a"), "D:\\");
  EXPECT_EQ(ParentFolder("\\\\nas\\home\\x"), "\\\\nas\\home");
  EXPECT_EQ(ParentFolder("\\\\nas\\home"), "");
  EXPECT_TRUE(IsSamePath("C:\\Docs\\", "c:\\docs"));
  EXPECT_FALSE(IsSamePath("C:\\Docs\\a", "C:\\Docs"));
}

}  // namespace
}  // namespace vestrand::paths
