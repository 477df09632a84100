// The main window's controls and the fields a run reads from them. The window is the
// only store of the user's choices; the logic reaches it through MainForm.
#ifndef VESTRAND_RELOCATION_FORMFIELDS_H
#define VESTRAND_RELOCATION_FORMFIELDS_H

#include <string>

namespace vestrand {

// Every control of the main window, in the order of the layout table.
// clang-format off
enum class Control : int {
  Frame1,
  Check1, Check2, Check3, Check4, Check5, Check6,
  Text1, Text2, Text3, Text4, Text5, Text6,
  Frame4, Image1,
  Frame2,
  Check7, Check8, Check9, Check10, Check11, Check12, Check13, Check14,
  Text7, Text8, Text9, Text10, Text11, Text12, Text13, Text14,
  Frame5, CkLogoff, OptionCopy, OptionMove, OptionDont,
  Frame3, Label1, Text15, Label2, Label3, Command1,
  Count
};
// clang-format on

constexpr int kControlCount = static_cast<int>(Control::Count);
constexpr int kRowCount = 14;

// Row k (1..14) is shown by the check box and the path box whose names end in k.
Control CheckOf(int row);
Control TextOf(int row);

// The field names the runs use.
constexpr Control kTargetRoot = Control::Text15;

// Screen position of the main window, in twips.
struct TwipsPoint {
  int left = 0;
  int top = 0;
};

class MainForm {
 public:
  virtual ~MainForm() = default;
  virtual std::string GetText(Control c) = 0;
  virtual void SetText(Control c, const std::string& text) = 0;
  // Check boxes: 0 cleared, 1 ticked. Option buttons: 1 when selected.
  virtual int GetValue(Control c) = 0;
  virtual void SetValue(Control c, int value) = 0;
  virtual void SetEnabled(Control c, bool enabled) = 0;
  virtual void SetVisible(Control c, bool visible) = 0;
  virtual void SetCaption(Control c, const std::string& caption) = 0;
  // A locked text box takes focus and can be selected from, but not typed into.
  virtual void SetLocked(Control c, bool locked) = 0;
  virtual void SetWindowCaption(const std::string& caption) = 0;
  // Shows the window, not modal.
  virtual void Show() = 0;
  // The main window's place on the screen and its enabled state.
  virtual TwipsPoint GetWindowPosition() = 0;
  virtual void MoveWindowTo(int leftTwips, int topTwips) = 0;
  virtual void SetWindowEnabled(bool enabled) = 0;
};

}  // namespace vestrand

#endif
