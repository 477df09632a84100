#include "relocation/FormFields.h"

#include <stdexcept>

namespace vestrand {

Control CheckOf(int row) {
  static constexpr Control kChecks[kRowCount] = {
      Control::Check1,  Control::Check2,  Control::Check3,  Control::Check4,  Control::Check5,
      Control::Check6,  Control::Check7,  Control::Check8,  Control::Check9,  Control::Check10,
      Control::Check11, Control::Check12, Control::Check13, Control::Check14};
  if (row < 1 || row > kRowCount) throw std::out_of_range("row");
  return kChecks[row - 1];
}

Control TextOf(int row) {
  static constexpr Control kTexts[kRowCount] = {
      Control::Text1,  Control::Text2,  Control::Text3,  Control::Text4,  Control::Text5,
      Control::Text6,  Control::Text7,  Control::Text8,  Control::Text9,  Control::Text10,
      Control::Text11, Control::Text12, Control::Text13, Control::Text14};
  if (row < 1 || row > kRowCount) throw std::out_of_range("row");
  return kTexts[row - 1];
}

}  // namespace vestrand
