#include <gtest/gtest.h>

#include "ui/MainWindowLayout.h"

namespace vestrand {
namespace {

TEST(Layout, TwipsToPixelsAtCommonDpis) {
  struct Case {
    int twips, dpi, pixels;
  };
  const Case cases[] = {{6150, 96, 410}, {7005, 96, 467}, {1215, 96, 81}, {1580, 96, 105},
                        {1590, 96, 106}, {6150, 144, 615}, {270, 120, 23}, {7, 96, 0},
                        {8, 96, 1},      {-15, 96, -1}};
  for (const Case& c : cases) EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << "@" << c.dpi;
  EXPECT_EQ(PixelsToTwips(410, 96), 6150);
  EXPECT_EQ(PixelsToTwips(615, 144), 6150);
}

TEST(Layout, NestedContainersAddUp) {
  struct Case {
    Control c;
    TwipsRect r;
  };
  const Case cases[] = {
      {Control::Check1, {120, 240, 1215, 270}},
      {Control::Text5, {1320, 1680, 3015, 270}},      // belongs to the window itself
      {Control::Image1, {4530, 1745, 1395, 480}},     // inside Frame4 inside Frame1
      {Control::Check14, {120, 5280, 1215, 270}},
      {Control::Command1, {4700, 6565, 1320, 300}},
      {Control::OptionDont, {4920, 6000, 1095, 255}},
  };
  for (const Case& c : cases) {
    const TwipsRect r = AbsoluteTwips(c.c);
    EXPECT_EQ(r.left, c.r.left) << LayoutOf(c.c).name;
    EXPECT_EQ(r.top, c.r.top) << LayoutOf(c.c).name;
    EXPECT_EQ(r.width, c.r.width);
    EXPECT_EQ(r.height, c.r.height);
  }
}

TEST(Layout, TableRowsMatchTheirControls) {
  for (int i = 0; i < kControlCount; ++i) {
    EXPECT_EQ(static_cast<int>(MainWindowLayout()[static_cast<std::size_t>(i)].control), i);
  }
}

TEST(Layout, FocusOrderIsTheDesignedOne) {
  int count = 0;
  const auto order = ControlsInTabOrder(count);
  std::vector<std::string> focusable;
  for (int i = 0; i < count; ++i) {
    const ControlLayout& s = LayoutOf(order[static_cast<std::size_t>(i)]);
    if (s.kind != ControlKind::Frame && s.kind != ControlKind::Label) focusable.push_back(s.name);
  }
  const std::vector<std::string> expected = {
      "Check1", "Check2", "Check3", "Check4", "Check5", "Check6", "Check7", "Check8", "Check9",
      "Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7", "Text8", "Text9",
      "Command1", "Check10", "Text10", "Check11", "Text11", "Check12", "Text12", "Check13",
      "Text13", "Text15", "Check14", "Text14", "OptionCopy", "OptionMove", "OptionDont",
      "CkLogoff"};
  EXPECT_EQ(focusable, expected);
}

}  // namespace
}  // namespace vestrand
