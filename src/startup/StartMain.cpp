#include "startup/StartMain.h"

#include "platform/OsVersion.h"
#include "relocation/FolderCatalogue.h"
#include "relocation/PathRules.h"
#include "relocation/UserTexts.h"
#include "startup/InterruptedRuns.h"

namespace vestrand {

namespace {

void FallbackRead(Registry& registry, MainForm& form, const FolderRow& row) {
  form.SetText(TextOf(row.row), ReadUserValue(registry, kShellFoldersKey, row.valueName));
}

void ApplyNt5Treatment(Registry& registry, MainForm& form, const FolderRow& row) {
  const Control check = CheckOf(row.row);
  const Control text = TextOf(row.row);
  if (!form.GetText(text).empty()) return;
  const bool offer = row.nt5 == Nt5Treatment::OfferReadShellFolders;
  form.SetValue(check, offer ? 1 : 0);
  if (offer || row.nt5 == Nt5Treatment::HideReadShellFolders) {
    form.SetEnabled(check, offer);
    form.SetVisible(check, offer);
    form.SetVisible(text, offer);
  }
  if (row.nt5 != Nt5Treatment::Untick) FallbackRead(registry, form, row);
}

// A row is only offered when its path could be relocated: an absolute path that names a
// folder. Anything else read from the registry (a relative path, an unexpanded
// %VARIABLE%, a number where a path belongs, a bare drive root or a trailing
// backslash) would give the run no sound new location.
void WithdrawUnsafeRows(MainForm& form) {
  for (int k = 1; k <= kRowCount; ++k) {
    const std::string path = form.GetText(TextOf(k));
    if (path.empty()) continue;
    if (paths::IsAbsolutePath(path) && !paths::FolderNameOf(path).empty()) continue;
    form.SetValue(CheckOf(k), 0);
    form.SetEnabled(CheckOf(k), false);
  }
}

}  // namespace

bool StartMain(Services& services, const std::function<MainForm&()>& mainForm) {
  OsVersionInfo info;
  GetOsVersion(services.host, info);
  const OsFamily family = FamilyOfVersion(info.Version);
  if (family == OsFamily::None) return false;

  const bool nt5 = family == OsFamily::NT5;
  const bool fixedD = services.host.GetDriveType("D:") == kDriveFixed;
  MainForm& form = mainForm();
  if (fixedD) form.SetText(kTargetRoot, nt5 ? kProposedTargetNT5 : kProposedTargetNT6);
  form.SetWindowCaption(MainWindowCaption(info.Name));
  for (int k = 1; k <= kRowCount; ++k) {
    form.SetValue(CheckOf(k), 1);
    form.SetLocked(TextOf(k), true);
  }
  form.SetValue(Control::OptionMove, 1);
  TellOfInterruptedRuns(services);
  form.Show();

  for (const FolderRow& row : FolderCatalogue()) {
    if (CaptionDependsOnFamily(row)) form.SetCaption(CheckOf(row.row), nt5 ? row.nt5Caption : row.caption);
  }

  for (const FolderRow& row : FolderCatalogue()) {
    form.SetText(TextOf(row.row), ReadUserValue(services.registry, ReadKeyOf(row), row.valueName));
  }

  if (nt5) {
    for (const FolderRow& row : FolderCatalogue()) ApplyNt5Treatment(services.registry, form, row);
    WithdrawUnsafeRows(form);
    return true;
  }

  for (const FolderRow& row : FolderCatalogue()) {
    if (row.fallback && form.GetText(TextOf(row.row)).empty()) FallbackRead(services.registry, form, row);
  }
  for (const FolderRow& row : FolderCatalogue()) {
    const std::string path = form.GetText(TextOf(row.row));
    const bool available = row.nt6 == Nt6Treatment::FolderMustExist ? services.files.DirExists(path) : !path.empty();
    if (!available) {
      form.SetValue(CheckOf(row.row), 0);
      form.SetEnabled(CheckOf(row.row), false);
    }
  }
  WithdrawUnsafeRows(form);
  return true;
}

}  // namespace vestrand
