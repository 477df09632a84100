#include <windows.h>

#include "platform/Win32Services.h"

namespace vestrand {

void Win32Host::SysLogoff() {
  // A plain log-off: running programs are asked to close, nothing is forced. The
  // program ends right after, so a refusal has nobody to be reported to.
  ::ExitWindowsEx(EWX_LOGOFF, 0);
}

}  // namespace vestrand
