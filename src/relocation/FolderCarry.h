// The carrying itself: each ticked row's registry values, then its files by transfer
// mode, and where the row is settled once the shell is done with it.
#ifndef VESTRAND_RELOCATION_FOLDERCARRY_H
#define VESTRAND_RELOCATION_FOLDERCARRY_H

#include <cstddef>
#include <string>

#include "platform/Services.h"
#include "relocation/RunPlan.h"
#include "relocation/RunRecord.h"
#include "relocation/SavedRegistry.h"

namespace vestrand {

// Where a row ends up: the folder the registry names now, and how it got there.
struct Settled {
  std::string location;
  RowOutcome outcome = RowOutcome::LeftAlone;
  std::size_t files = 0;
};

// The per-row work of a ticked row: both registry values, then the files by transfer mode.
// A row that travels inside an outer row's folder is settled by its own files: pointed back
// when they stayed with the outer folder, counted when some of them did.
Settled TransferFolder(Services& s, const RowPlan& p, const std::string& root, Mode mode, const Snapshot& saved);

// A row that an unforeseen error stopped half-way: settled by what really arrived, the
// registry put back unless its folder did.
Settled SettleInterrupted(Services& s, const RowPlan& p, Mode mode, const Snapshot& saved);

// An unticked row that really went along inside a moved folder is pointed at where it
// arrived; nothing when it did not go along.
std::optional<Settled> FollowOuterFolder(Services& s, const RowPlan& p, const Snapshot& saved);

// Whatever the run starts from now on, the restarted shell first of all, inherits the new
// temporary folder; the old one may be gone.
void ShareNewTempFolder(Host& host, const std::string& location);

}  // namespace vestrand

#endif
