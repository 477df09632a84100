#include "relocation/FormFields.h"

#include <stdexcept>

namespace vestrand {

namespace {

constexpr int kFirstFrameRows = 6;

constexpr Control Plus(Control c, int n) { return static_cast<Control>(static_cast<int>(c) + n); }

// Rows 1 to 6 lie in the first frame and rows 7 to 14 in the second; within a frame the
// check boxes follow one another in the enumeration, and so do the path boxes.
static_assert(Plus(Control::Check1, 5) == Control::Check6 && Plus(Control::Check7, 7) == Control::Check14);
static_assert(Plus(Control::Text1, 5) == Control::Text6 && Plus(Control::Text7, 7) == Control::Text14);

Control RowControl(int row, Control firstOfFirstFrame, Control firstOfSecondFrame) {
  if (row < 1 || row > kRowCount) throw std::out_of_range("row");
  return row <= kFirstFrameRows ? Plus(firstOfFirstFrame, row - 1)
                                : Plus(firstOfSecondFrame, row - kFirstFrameRows - 1);
}

}  // namespace

Control CheckOf(int row) { return RowControl(row, Control::Check1, Control::Check7); }

Control TextOf(int row) { return RowControl(row, Control::Text1, Control::Text7); }

}  // namespace vestrand
