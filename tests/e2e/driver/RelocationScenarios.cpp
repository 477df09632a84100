// Whole relocations of the real program under Wine, driven through its window as a user
// would, against a real registry and real files. A manifest of every file (path, size,
// hash) taken before the run proves afterwards that nothing was lost.
#include "e2e/driver/RelocationFixture.h"

namespace vestrand::e2e {
namespace {

TEST_F(Relocation, Windows7Copy) {
  Prepare(L"win7", false, L"D:\\Win7User", Control::OptionCopy, {3, 10});
  StartAndWaitForTheEnd();
  ExpectRelocated();
  ExpectShellRestarted();
}

TEST_F(Relocation, Windows7Move) {
  Prepare(L"win7", false, L"D:\\Win7User", Control::OptionMove, {3, 10});
  StartAndWaitForTheEnd();
  ExpectRelocated();
  ExpectShellRestarted();
}

TEST_F(Relocation, Windows7Discard) {
  Prepare(L"win7", false, L"D:\\Win7User", Control::OptionDont, {3, 10});
  StartAndWaitForTheEnd();
  ExpectRelocated();
  ExpectShellRestarted();
}

TEST_F(Relocation, WindowsXpCopy) {
  Prepare(L"winxp", true, L"D:\\Personal", Control::OptionCopy, {5});
  StartAndWaitForTheEnd();
  ExpectRelocated();
  ExpectShellRestarted();
}

// The default layout of Windows XP: music, pictures and videos inside the documents
// folder, every row ticked, move mode.
TEST_F(Relocation, WindowsXpDefaultLayoutMove) {
  Prepare(L"winxp", true, L"D:\\Personal", Control::OptionMove, {});
  StartAndWaitForTheEnd();
  ExpectRelocated();
  ExpectShellRestarted();
}

TEST_F(Relocation, WindowsXpDiscard) {
  Prepare(L"winxp", true, L"D:\\Personal", Control::OptionDont, {5});
  StartAndWaitForTheEnd();
  ExpectRelocated();
  ExpectShellRestarted();
}

TEST_F(RefusedTarget, MissingDrive) { ExpectRefused(L"Q:\\Personal"); }

TEST_F(RefusedTarget, InsideTheDocumentsFolder) {
  ExpectRefused(Expand(L"%USERPROFILE%\\Documents\\Backup"));
}

}  // namespace
}  // namespace vestrand::e2e
