// Everything a run must refuse, looked at before anything changes: a refusal leaves the
// registry, the files, the window and the desktop shell exactly as they were.
#ifndef VESTRAND_RELOCATION_RUNCHECKS_H
#define VESTRAND_RELOCATION_RUNCHECKS_H

#include <optional>
#include <string>
#include <vector>

#include "platform/Services.h"
#include "relocation/RunPlan.h"

namespace vestrand {

// The refusal's text, or nothing when the run may go on. Fills each carried row's file
// list, and `existingAncestor` with the nearest folder of the root that exists (the root
// itself when it does).
std::optional<std::string> RefusalBeforeRun(Services& s, std::vector<RowPlan>& plan, const std::string& target,
                                            const std::string& root, Mode mode, std::string& existingAncestor);

}  // namespace vestrand

#endif
