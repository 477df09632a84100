#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fake/FakeServices.h"
#include "platform/HostServices.h"
#include "platform/CenteredMessageBox.h"
#include "platform/ShellFileOperations.h"
#include "platform/OpenFolder.h"
#include "relocation/PathRules.h"

namespace vestrand {
namespace {

using Levels = std::vector<std::string>;

TEST(DirectoryPrefixes, TopDownEachWithBackslash) {
  const std::pair<std::string, Levels> cases[] = {
      {"D:\\Win7User\\Desktop", {"D:\\", "D:\\Win7User\\", "D:\\Win7User\\Desktop\\"}},
      {"D:\\Win7User\\Desktop\\", {"D:\\", "D:\\Win7User\\", "D:\\Win7User\\Desktop\\"}},
      {"D:\\Win7User", {"D:\\", "D:\\Win7User\\"}},
      {"D:\\Win7User\\", {"D:\\", "D:\\Win7User\\"}},
      {"D:\\", {"D:\\"}},
      {"D:", {"D:\\"}},
      {"E:\\My Documents\\Saved Games", {"E:\\", "E:\\My Documents\\", "E:\\My Documents\\Saved Games\\"}},
      {"D:\\个人资料\\我的 文档", {"D:\\", "D:\\个人资料\\", "D:\\个人资料\\我的 文档\\"}},
      {"Desktop", {"Desktop\\"}},
      {"", {}},
  };
  for (const auto& [path, levels] : cases) EXPECT_EQ(DirectoryPrefixes(path), levels) << path;
}

TEST(GetFolderName, TextAfterLastBackslash) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Users\\Ann\\Desktop", "Desktop"},
      {"C:\\Users\\Ann\\Desktop\\", ""},
      {"Desktop", "Desktop"},
      {"", ""},
      {"D:\\", ""},
      {"C:\\Documents and Settings\\Ann\\My Documents", "My Documents"},
      {"C:\\用户\\安\\桌面", "桌面"},
      {"C:/Users/Ann/Desktop", "C:/Users/Ann/Desktop"},  // only the backslash separates
  };
  for (const auto& [path, name] : cases) EXPECT_EQ(paths::FolderNameOf(path), name) << path;
}

TEST(ShellOperationResult, MapsReturnValues) {
  const std::pair<int, int> cases[] = {{0, 1}, {7, 0}, {1, -1}, {2, -1}, {0x402, -1},
                                       {0x71, -1}, {-1, -1}, {6, -1}, {8, -1}};
  for (const auto& [shell, result] : cases) EXPECT_EQ(ShellOperationResult(shell), result) << shell;
}

TEST(ShellItemList, OneItemEndingInTwoNuls) {
  const std::optional<std::u16string> desktop = ShellItemList("D:\\Win7User\\桌面");
  ASSERT_TRUE(desktop);
  EXPECT_EQ(*desktop, std::u16string(u"D:\\Win7User\\桌面\0", 15));
  EXPECT_EQ(desktop->c_str()[15], u'\0');  // the second terminator
  // The empty text would name the current folder; a NUL would make a second item.
  EXPECT_FALSE(ShellItemList(""));
  EXPECT_FALSE(ShellItemList(std::string("C:\\a\0C:\\b", 9)));
}

TEST(RoundHalfToEven, HalvesGoToEvenNeighbour) {
  const std::pair<double, double> cases[] = {
      {200.5, 200}, {201.5, 202}, {0.5, 0},      {1.5, 2},      {-0.5, 0},   {-1.5, -2},
      {-200.5, -200}, {200.4999, 200}, {200.5001, 201}, {-3.7, -4}, {42, 42}, {-7, -7}};
  for (const auto& [in, out] : cases) EXPECT_EQ(RoundHalfToEven(in), out) << in;
}

TEST(CenteredPosition, BoxCentreOverMainCentre) {
  struct Case {
    ScreenRect main;
    ScreenRect box;
    int x;
    int y;
  };
  const Case cases[] = {
      {{100, 100, 600, 400}, {0, 0, 300, 120}, 200, 190},
      {{100, 100, 600, 400}, {700, 500, 1000, 620}, 200, 190},  // where the box starts does not matter
      {{100, 100, 601, 400}, {0, 0, 300, 120}, 200, 190},       // 200.5 -> 200
      {{100, 100, 603, 400}, {0, 0, 300, 120}, 202, 190},       // 201.5 -> 202
      {{100, 100, 600, 401}, {0, 0, 300, 120}, 200, 190},       // 190.5 -> 190
      {{100, 100, 600, 403}, {0, 0, 300, 120}, 200, 192},       // 191.5 -> 192
      {{100, 100, 300, 200}, {0, 0, 400, 300}, 0, 0},          // larger box: offset -100, -100
      {{100, 100, 301, 201}, {0, 0, 400, 300}, 0, 0},          // -0.5 on both axes -> 0
      {{-1000, -500, -600, -200}, {0, 0, 300, 120}, -950, -410},  // a window left of the screen
  };
  for (const Case& c : cases) {
    const ScreenPoint p = CenteredPosition(c.main, c.box);
    EXPECT_EQ(p.x, c.x) << c.main.left << "," << c.main.top << "," << c.main.right;
    EXPECT_EQ(p.y, c.y) << c.main.left << "," << c.main.top << "," << c.main.bottom;
  }
  // A box taller and wider than the window ends up with a negative offset from its corner.
  const ScreenPoint big = CenteredPosition({100, 100, 300, 200}, {0, 0, 500, 400});
  EXPECT_LT(big.x, 100);
  EXPECT_LT(big.y, 100);
  EXPECT_EQ(big.x, -50);
  EXPECT_EQ(big.y, -50);
}

TEST(CenteredPosition, ExtremeRectanglesStayInRange) {
  constexpr std::int32_t lo = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t hi = std::numeric_limits<std::int32_t>::max();
  // A box as wide as the whole coordinate range, over a window at the far edge.
  const ScreenPoint below = CenteredPosition({lo, lo, lo + 2, lo + 2}, {lo, lo, hi, hi});
  EXPECT_EQ(below.x, std::numeric_limits<int>::min());
  EXPECT_EQ(below.y, std::numeric_limits<int>::min());
  const ScreenPoint above = CenteredPosition({hi - 2, hi - 2, hi, hi}, {hi, hi, lo, lo});
  EXPECT_EQ(above.x, std::numeric_limits<int>::max());
  EXPECT_EQ(above.y, std::numeric_limits<int>::max());
}

TEST(OpenFolder, CommandLineIsPathUnchanged) {
  const std::pair<std::string, std::string> cases[] = {
      {"D:\\Win7User\\Desktop", "explorer.exe D:\\Win7User\\Desktop"},
      {"C:\\Documents and Settings\\Ann\\My Documents",
       "explorer.exe C:\\Documents and Settings\\Ann\\My Documents"},
      {" D:\\x ", "explorer.exe  D:\\x "},
      {"D:\\个人资料\\桌面", "explorer.exe D:\\个人资料\\桌面"},
      {"", "explorer.exe "},
  };
  for (const auto& [path, line] : cases) EXPECT_EQ(OpenFolderCommandLine(path), line) << path;
}

TEST(OpenFolder, StartsExplorerShownNormally) {
  fake::FakeMachine m;
  OpenFolder(m.host, "D:\\Win7User\\My Music");
  EXPECT_EQ(m.trace, fake::Trace{"StartCommand(explorer.exe D:\\Win7User\\My Music, 1)"});
}

TEST(OpenFolder, FailedStartIsSwallowed) {
  fake::FakeMachine m;
  m.host.failingCommands.insert("explorer.exe D:\\gone");
  OpenFolder(m.host, "D:\\gone");
  OpenFolder(m.host, "");
  EXPECT_EQ(m.trace, (fake::Trace{"StartCommand(explorer.exe D:\\gone, 1) -> failed",
                                  "StartCommand(explorer.exe , 1)"}));
  EXPECT_FALSE(m.host.ended);
}

TEST(LocateProgram, SystemProgramsFromSystemFolders) {
  struct Case {
    std::string commandLine;
    ProgramSource source;
    std::string program;
  };
  const Case cases[] = {
      {"taskkill.exe /f /im explorer.exe", ProgramSource::SystemDirectory, "taskkill.exe"},
      {"TASKKILL.EXE /f /im explorer.exe", ProgramSource::SystemDirectory, "TASKKILL.EXE"},
      {"explorer.exe", ProgramSource::WindowsDirectory, "explorer.exe"},
      {"explorer.exe D:\\Win7User\\Desktop", ProgramSource::WindowsDirectory, "explorer.exe"},
      {"Explorer.Exe\tD:\\x", ProgramSource::WindowsDirectory, "Explorer.Exe"},
      {"explorer.exe ", ProgramSource::WindowsDirectory, "explorer.exe"},
      // Not the bare system programs: left to the usual search.
      {"explorer D:\\x", ProgramSource::SearchPath, "explorer"},
      {"explorer.exe.bat", ProgramSource::SearchPath, "explorer.exe.bat"},
      {"my explorer.exe", ProgramSource::SearchPath, "my"},
      {"C:\\Tools\\explorer.exe D:\\x", ProgramSource::SearchPath, "C:\\Tools\\explorer.exe"},
      {"\"explorer.exe\" D:\\x", ProgramSource::SearchPath, "\"explorer.exe\""},
      {"cmd.exe /c exit", ProgramSource::SearchPath, "cmd.exe"},
      {" explorer.exe", ProgramSource::SearchPath, ""},
      {"", ProgramSource::SearchPath, ""},
  };
  for (const Case& c : cases) {
    const ProgramLocation location = LocateProgram(c.commandLine);
    EXPECT_EQ(location.source, c.source) << c.commandLine;
    EXPECT_EQ(location.program, c.program) << c.commandLine;
  }
}

TEST(HostPaths, JoinAndModuleFolder) {
  EXPECT_EQ(JoinPath("C:\\Windows\\system32", "taskkill.exe"), "C:\\Windows\\system32\\taskkill.exe");
  EXPECT_EQ(JoinPath("C:\\", "explorer.exe"), "C:\\explorer.exe");
  const std::pair<std::string, std::string> modules[] = {
      {"C:\\Program Files\\Vestrand\\Vestrand.exe", "C:\\Program Files\\Vestrand"},
      {"D:\\下载\\Vestrand.exe", "D:\\下载"},
      {"C:\\Vestrand.exe", "C:\\"},
      {"\\\\server\\share\\Vestrand.exe", "\\\\server\\share"},
      {"Vestrand.exe", ""},
  };
  for (const auto& [module, folder] : modules) EXPECT_EQ(ModuleFolder(module), folder) << module;
}

}  // namespace
}  // namespace vestrand
