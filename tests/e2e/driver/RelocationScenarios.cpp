// Whole relocations of the real program under Wine, driven through its window as a user
// would, against a real registry and real files. A manifest of every file (path, size,
// hash) taken before the run proves afterwards that nothing was lost.
#include "e2e/driver/RelocationFixture.h"

namespace vestrand::e2e {
namespace {

struct RunCase {
  const char* name;
  const wchar_t* version;
  bool xp;  // Windows XP's layout: music, pictures and videos inside the documents folder
  Control mode;
  std::set<int> unticked;
  bool undo = false;  // then the run's registry file is imported
};

class Relocations : public Relocation, public ::testing::WithParamInterface<RunCase> {};

TEST_P(Relocations, Run) {
  const RunCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(
      Prepare(c.version, c.xp, c.xp ? L"D:\\Personal" : L"D:\\Win7User", c.mode, c.unticked));
  RunAnsweringTheShell();
  ExpectRelocated();
  ExpectShellRestarted();
  if (c.undo) ExpectUndoneByTheRegistryFile();
}

// Every row ticked in each mode on both families; rows left unticked; and XP's media
// folders left unticked while the documents folder that holds them is moved.
INSTANTIATE_TEST_SUITE_P(
    Each, Relocations,
    ::testing::Values(RunCase{"win7_copy", L"win7", false, Control::OptionCopy, {}},
                      RunCase{"win7_move", L"win7", false, Control::OptionMove, {}, true},
                      RunCase{"win7_discard", L"win7", false, Control::OptionDont, {}},
                      RunCase{"win7_move_some_unticked", L"win7", false, Control::OptionMove, {3, 10}},
                      RunCase{"xp_copy", L"winxp", true, Control::OptionCopy, {}},
                      RunCase{"xp_move", L"winxp", true, Control::OptionMove, {}, true},
                      RunCase{"xp_discard", L"winxp", true, Control::OptionDont, {}},
                      RunCase{"xp_copy_some_unticked", L"winxp", true, Control::OptionCopy, {2, 5}},
                      RunCase{"xp_move_media_unticked", L"winxp", true, Control::OptionMove, {11, 12, 13}}),
    [](const ::testing::TestParamInfo<RunCase>& run) { return std::string(run.param.name); });

}  // namespace
}  // namespace vestrand::e2e
