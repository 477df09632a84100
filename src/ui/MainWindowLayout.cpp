#include "ui/MainWindowLayout.h"

#include <algorithm>
#include <stdexcept>

#include "relocation/FolderCatalogue.h"

namespace vestrand {

namespace {

using C = Control;
using K = ControlKind;
constexpr C kWindow = C::Count;

// clang-format off
const MainWindowLayoutTable kLayout = {{
    {C::Frame1, K::Frame, kWindow, "推荐转移", 0, 0, 6135, 2415, 0},
    {C::Check1, K::CheckBox, C::Frame1, captions::kDesktop, 120, 240, 1215, 270, 1},
    {C::Check2, K::CheckBox, C::Frame1, captions::kDocuments, 120, 600, 1215, 270, 2},
    {C::Check3, K::CheckBox, C::Frame1, captions::kFavorites, 120, 960, 1215, 270, 3},
    {C::Check4, K::CheckBox, C::Frame1, captions::kCache, 120, 1320, 1215, 270, 4},
    {C::Check5, K::CheckBox, C::Frame1, captions::kCookies, 120, 1680, 1215, 270, 5},
    {C::Check6, K::CheckBox, C::Frame1, captions::kTemp, 120, 2040, 1215, 270, 6},
    {C::Text1, K::TextBox, C::Frame1, "", 1320, 240, 4695, 270, 11},
    {C::Text2, K::TextBox, C::Frame1, "", 1320, 600, 4695, 270, 12},
    {C::Text3, K::TextBox, C::Frame1, "", 1320, 960, 4695, 270, 13},
    {C::Text4, K::TextBox, C::Frame1, "", 1320, 1320, 4695, 270, 14},
    {C::Text5, K::TextBox, kWindow, "", 1320, 1680, 3015, 270, 15},
    {C::Text6, K::TextBox, kWindow, "", 1320, 2040, 3015, 270, 16},
    {C::Frame4, K::Frame, C::Frame1, "", 4440, 1580, 1575, 740, 34},
    {C::Image1, K::Picture, C::Frame4, "", 90, 165, 1395, 480, -1},
    {C::Frame2, K::Frame, kWindow, "进阶类别", 0, 2520, 6135, 3135, 7},
    {C::Check7, K::CheckBox, C::Frame2, captions::kContacts, 120, 240, 1215, 270, 8},
    {C::Check8, K::CheckBox, C::Frame2, captions::kDownloads, 120, 600, 1215, 270, 9},
    {C::Check9, K::CheckBox, C::Frame2, captions::kLinks, 120, 960, 1215, 270, 10},
    {C::Check10, K::CheckBox, C::Frame2, captions::kSearches, 120, 1320, 1215, 270, 22},
    {C::Check11, K::CheckBox, C::Frame2, captions::kVideos, 120, 1680, 1215, 270, 24},
    {C::Check12, K::CheckBox, C::Frame2, captions::kPictures, 120, 2040, 1215, 270, 26},
    {C::Check13, K::CheckBox, C::Frame2, captions::kMusic, 120, 2400, 1215, 270, 28},
    {C::Check14, K::CheckBox, C::Frame2, captions::kSavedGames, 120, 2760, 1215, 270, 32},
    {C::Text7, K::TextBox, C::Frame2, "", 1320, 240, 4695, 270, 17},
    {C::Text8, K::TextBox, C::Frame2, "", 1320, 600, 4575, 270, 18},
    {C::Text9, K::TextBox, C::Frame2, "", 1320, 960, 4455, 270, 19},
    {C::Text10, K::TextBox, C::Frame2, "", 1320, 1320, 4335, 270, 23},
    {C::Text11, K::TextBox, C::Frame2, "", 1320, 1680, 4335, 270, 25},
    {C::Text12, K::TextBox, C::Frame2, "", 1320, 2040, 4455, 270, 27},
    {C::Text13, K::TextBox, C::Frame2, "", 1320, 2400, 4575, 270, 29},
    {C::Text14, K::TextBox, C::Frame2, "", 1320, 2760, 4695, 270, 33},
    {C::Frame5, K::Frame, kWindow, "转移模式", 0, 5760, 6135, 615, 36},
    {C::CkLogoff, K::CheckBox, C::Frame5, "执行注销", 120, 240, 1095, 255, 41},
    {C::OptionCopy, K::OptionButton, C::Frame5, "复制文件", 1680, 240, 1095, 255, 38},
    {C::OptionMove, K::OptionButton, C::Frame5, "移动文件", 3360, 240, 1095, 255, 39},
    {C::OptionDont, K::OptionButton, C::Frame5, "舍弃文件", 4920, 240, 1095, 255, 40},
    {C::Frame3, K::Frame, kWindow, "", 0, 6360, 6135, 615, 20},
    {C::Label1, K::Label, C::Frame3, "目标路径:", 120, 240, 1155, 240, 31},
    {C::Text15, K::TextBox, C::Frame3, "", 1320, 220, 2535, 270, 30},
    {C::Label2, K::Label, C::Frame3, "...", 3960, 220, 375, 270, 35},
    {C::Label3, K::Label, C::Frame3, "?", 4440, 225, 180, 270, 37},
    {C::Command1, K::PushButton, C::Frame3, "开始执行转移", 4700, 205, 1320, 300, 21},
}};
// clang-format on

}  // namespace

const MainWindowLayoutTable& MainWindowLayout() { return kLayout; }

const ControlLayout& LayoutOf(Control c) {
  const int i = static_cast<int>(c);
  if (i < 0 || i >= kControlCount) throw std::out_of_range("control");
  return kLayout[static_cast<std::size_t>(i)];
}

TwipsRect AbsoluteTwips(Control c) {
  const ControlLayout& entry = LayoutOf(c);
  TwipsRect r{entry.left, entry.top, entry.width, entry.height};
  for (Control parent = entry.container; parent != kWindow; parent = LayoutOf(parent).container) {
    r.left += LayoutOf(parent).left;
    r.top += LayoutOf(parent).top;
  }
  return r;
}

std::vector<Control> ControlsInTabOrder() {
  std::vector<const ControlLayout*> entries;
  for (const ControlLayout& s : kLayout) {
    if (s.tabIndex >= 0) entries.push_back(&s);
  }
  std::sort(entries.begin(), entries.end(),
            [](const ControlLayout* a, const ControlLayout* b) { return a->tabIndex < b->tabIndex; });
  std::vector<Control> order;
  for (const ControlLayout* entry : entries) order.push_back(entry->control);
  return order;
}

}  // namespace vestrand
