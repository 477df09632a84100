// What the main window's events do, apart from the window toolkit: the start button,
// the browse label, the path boxes and the two links (notes, web page).
#ifndef VESTRAND_UI_MAINWINDOWEVENTS_H
#define VESTRAND_UI_MAINWINDOWEVENTS_H

#include <string>

#include "platform/Services.h"
#include "relocation/FormFields.h"

namespace vestrand {

// The project's web page, opened by the picture.
extern const char* const kProjectWebPage;

// What the main window's two links open (the notes window, the web page): the two things
// only the window toolkit can do.
class MainWindowLinks {
 public:
  virtual ~MainWindowLinks() = default;
  // Shows the one notes window, creating it when it is not open.
  virtual void ShowNotes() = 0;
  // Opens an address in the default browser; the outcome is not looked at.
  virtual void OpenWebPage(const std::string& address) = 0;
};

enum class FormEvent { Click, DoubleClick };

// The relocation runs the start button chooses between; replaceable so that the choice
// itself can be checked without running one.
using RunFunction = void (*)(Services&, MainForm&);
struct RunChoice {
  RunFunction nt5;
  RunFunction nt6;
};
RunChoice DefaultRuns();

// Start button: asks the version again and runs the matching relocation for the six
// known versions only; any other version does nothing.
void StartButtonClicked(Services& services, MainForm& form, const RunChoice& runs);
// Browse label: the picked folder goes into the target root; a cancel shows a hint.
void BrowseLabelClicked(Services& services, MainForm& form);
// Double click on a path box: its folder opens in Explorer.
void PathBoxDoubleClicked(Services& services, MainForm& form, Control box);

// Routes one event of one control; returns true when the control handles that event.
bool HandleFormEvent(Services& services, MainForm& form, MainWindowLinks& links, Control control, FormEvent event,
                     const RunChoice& runs);

}  // namespace vestrand

#endif
