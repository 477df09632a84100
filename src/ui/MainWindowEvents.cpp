#include "ui/MainWindowEvents.h"

#include "platform/OpenFolder.h"
#include "platform/OsVersion.h"
#include "relocation/RunTransfer.h"
#include "relocation/UserTexts.h"

namespace vestrand {

const char* const kProjectWebPage = "https://vestrand.example/";

namespace {

bool IsPathBox(Control c) {
  if (c == Control::Text15) return true;
  for (int k = 1; k <= kRowCount; ++k) {
    if (TextOf(k) == c) return true;
  }
  return false;
}

}  // namespace

RunChoice DefaultRuns() { return {&RunTransferNT5, &RunTransferNT6}; }

void StartButtonClicked(Services& services, MainForm& form, const RunChoice& runs) {
  OsVersionInfo info;  // fresh: a failed query leaves the version empty
  GetOsVersion(services.host, info);
  switch (RunFamilyOfVersion(info.Version)) {
    case OsFamily::NT5: runs.nt5(services, form); break;
    case OsFamily::NT6: runs.nt6(services, form); break;
    case OsFamily::None: break;
  }
}

void BrowseLabelClicked(Services& services, MainForm& form) {
  const std::string chosen = services.dialogs.BrowseFolder(kPickTargetTitle, services.host.ProgramFolder());
  if (chosen.empty()) {
    services.dialogs.CenterMsgBox(kNoTargetBrowseHint, kMbIconInformation, kHintTitle);
    return;
  }
  form.SetText(kTargetRoot, chosen);
}

void PathBoxDoubleClicked(Services& services, MainForm& form, Control box) {
  OpenFolder(services.host, form.GetText(box));
}

bool HandleFormEvent(Services& services, MainForm& form, MainWindowLinks& links, Control control, FormEvent event,
                     const RunChoice& runs) {
  if (event == FormEvent::DoubleClick) {
    if (!IsPathBox(control)) return false;
    PathBoxDoubleClicked(services, form, control);
    return true;
  }
  switch (control) {
    case Control::Command1: StartButtonClicked(services, form, runs); return true;
    case Control::Label2: BrowseLabelClicked(services, form); return true;
    case Control::Label3: links.ShowNotes(); return true;
    case Control::Image1: links.OpenWebPage(kProjectWebPage); return true;
    default: return false;
  }
}

}  // namespace vestrand
