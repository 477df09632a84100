// The two relocation runs, one per Windows family. Both read their whole input from the
// main window and, unless the user cancels the folder picker or the target is refused,
// end the program.
#ifndef VESTRAND_RELOCATION_RUNTRANSFER_H
#define VESTRAND_RELOCATION_RUNTRANSFER_H

#include "platform/Services.h"
#include "relocation/FormFields.h"

namespace vestrand {

void RunTransferNT5(Services& services, MainForm& form);
void RunTransferNT6(Services& services, MainForm& form);

}  // namespace vestrand

#endif
