// The program's entry procedure: detects the Windows family, prepares and shows the
// main window and fills it from the registry.
#ifndef VESTRAND_STARTUP_STARTMAIN_H
#define VESTRAND_STARTUP_STARTMAIN_H

#include <functional>

#include "platform/Services.h"
#include "relocation/FormFields.h"

namespace vestrand {

// `mainForm` creates the main window on its first call. Returns true when the window was
// shown; false when the Windows version has no family and nothing was created.
bool StartMain(Services& services, const std::function<MainForm&()>& mainForm);

}  // namespace vestrand

#endif
