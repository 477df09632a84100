// Runs that never ended (the process was ended by force, the power failed) leave a
// record without its last line beside the relocated folders. The next start finds it and
// tells the user where the run stopped, once.
#ifndef VESTRAND_STARTUP_INTERRUPTEDRUNS_H
#define VESTRAND_STARTUP_INTERRUPTEDRUNS_H

#include "platform/Services.h"

namespace vestrand {

// Looks in the folders that hold the rows' current locations (a run's target root is one
// of them) and shows one box for each record of a run that did not end, then marks it seen.
void TellOfInterruptedRuns(Services& services);

}  // namespace vestrand

#endif
