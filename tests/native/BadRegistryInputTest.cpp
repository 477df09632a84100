// Registry values that do not name a folder: the program starts, shows what it read,
// offers only rows it can relocate soundly, and a run never writes a relative location.
#include <gtest/gtest.h>

#include "fake/FakeServices.h"
#include "relocation/FolderCatalogue.h"
#include "relocation/RunTransfer.h"
#include "startup/StartMain.h"

namespace vestrand {
namespace {

using fake::FakeMachine;

struct BadValue {
  const char* what;
  const char* shown;  // what the path box holds after start-up
  bool offered;
};

const BadValue kBadValues[] = {
    {"relative path", "Desktop", false},
    {"unknown variable left unexpanded", "%NOSUCHVAR%\\Desktop", false},
    {"a number where a path belongs", "5", false},
    {"trailing backslash", "C:\\Users\\Ann\\Desktop\\", false},
    {"bare drive root", "C:\\", false},
    {"drive-relative path", "C:Desktop", false},
    {"sound absolute path", "C:\\Users\\Ann\\Desktop", true},
    {"share path", "\\\\server\\share\\Desktop", true},
};

TEST(BadRegistryInput, OnlySoundRowsAreOfferedOnBothFamilies) {
  for (const bool nt5 : {false, true}) {
    for (const BadValue& v : kBadValues) {
      FakeMachine m;
      m.host.SetVersion(nt5 ? 5 : 6, 1);
      m.registry.Set(kUserShellFoldersKey, "Desktop", v.shown);
      // Every form of the value exists as a folder, so only the form decides.
      m.files.AddDirectory("C:\\Users\\Ann\\Desktop");
      m.files.AddDirectory("\\\\server\\share\\Desktop");
      m.files.AddDirectory("Desktop");
      ASSERT_TRUE(StartMain(m.services, [&m]() -> MainForm& { return m.form; }));
      SCOPED_TRACE(std::string(v.what) + (nt5 ? " on NT 5.x" : " on NT 6.x"));
      EXPECT_EQ(m.form.GetText(Control::Text1), v.shown);
      EXPECT_EQ(m.form.GetValue(Control::Check1), v.offered ? 1 : 0);
      EXPECT_EQ(m.form.State(Control::Check1).enabled, v.offered);
    }
  }
}

TEST(BadRegistryInput, ARunNeverWritesFromARelativeLocation) {
  // Even if such a row reached a run ticked, it gets neither a location nor a file operation.
  for (const bool nt5 : {false, true}) {
    for (int row : {1, 11}) {
      FakeMachine m;
      m.form.State(Control::Text15).text = "D:\\Personal";
      m.files.drives.insert("D:");
      m.files.AddDirectory("My Video");  // exists relative to the current folder
      for (int k = 1; k <= kRowCount; ++k) m.form.State(CheckOf(k)).value = 0;
      m.form.State(TextOf(row)).text = "My Video";
      m.form.State(CheckOf(row)).value = 1;
      m.form.State(Control::OptionMove).value = 1;
      m.form.State(Control::CkLogoff).value = 0;
      nt5 ? RunTransferNT5(m.services, m.form) : RunTransferNT6(m.services, m.form);
      for (const std::string& line : m.trace) {
        EXPECT_EQ(line.rfind("RegWriteValue", 0), std::string::npos) << line;
        EXPECT_EQ(line.rfind("ShellMoveFiles", 0), std::string::npos) << line;
      }
      EXPECT_TRUE(m.host.ended);
      EXPECT_TRUE(m.files.IsDirectory("My Video"));
    }
  }
}

}  // namespace
}  // namespace vestrand
