#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "fake/FakeServices.h"
#include "ui/MainWindowEvents.h"
#include "ui/MainWindowLayout.h"

namespace vestrand {
namespace {

using fake::FakeMachine;
using fake::Trace;

// Records which run the start button chose, into the machine's own trace.
Trace* g_runLog = nullptr;
void RecordNt5(Services&, MainForm&) { g_runLog->push_back("RunTransferNT5"); }
void RecordNt6(Services&, MainForm&) { g_runLog->push_back("RunTransferNT6"); }
const RunChoice kRecordingRuns{&RecordNt5, &RecordNt6};

struct RecordingWindows final : MainWindowLinks {
  explicit RecordingWindows(Trace& t) : trace(t) {}
  void ShowNotes() override { trace.push_back("ShowNotes()"); }
  void OpenWebPage(const std::string& address) override {
    trace.push_back("OpenWebPage(" + address + ")");
  }
  Trace& trace;
};

struct EventsTest : ::testing::Test {
  FakeMachine m;
  RecordingWindows windows{m.trace};
  void SetUp() override {
    g_runLog = &m.trace;
    m.form.traceForm = true;
  }
  bool Fire(Control c, FormEvent e) {
    return HandleFormEvent(m.services, m.form, windows, c, e, kRecordingRuns);
  }
};

TEST_F(EventsTest, StartButtonRunsOnlyForTheSixExactVersions) {
  struct Case {
    std::uint32_t major, minor;
    const char* run;  // nullptr: nothing starts
  };
  const Case cases[] = {
      {5, 0, "RunTransferNT5"}, {5, 1, "RunTransferNT5"}, {5, 2, "RunTransferNT5"},
      {6, 0, "RunTransferNT6"}, {6, 1, "RunTransferNT6"}, {6, 2, "RunTransferNT6"},
      {6, 3, nullptr},          {10, 0, nullptr},         {5, 3, nullptr},
      {4, 0, nullptr},          {6, 10, nullptr},         {5, 10, nullptr},
  };
  for (const Case& c : cases) {
    m.trace.clear();
    m.host.SetVersion(c.major, c.minor, 1);
    EXPECT_TRUE(Fire(Control::Command1, FormEvent::Click));
    Trace expected{"QueryOsVersion()"};
    if (c.run != nullptr) expected.push_back(c.run);
    EXPECT_EQ(m.trace, expected) << c.major << "." << c.minor;
  }
}

TEST_F(EventsTest, RealRunsStartOnlyOnAKnownVersion) {
  // With no target root a run begins by asking for one; the cancelled picker stops it.
  for (const auto& [major, minor, starts] :
       {std::tuple{5u, 1u, true}, std::tuple{6u, 1u, true}, std::tuple{6u, 3u, false}}) {
    FakeMachine fresh;
    fresh.host.SetVersion(major, minor, 1);
    fresh.form.State(Control::Text15).text = "";
    HandleFormEvent(fresh.services, fresh.form, windows, Control::Command1, FormEvent::Click,
                    DefaultRuns());
    ASSERT_FALSE(fresh.trace.empty());
    EXPECT_EQ(fresh.trace.front(), "QueryOsVersion()");
    const bool asked = fresh.trace.size() > 1 && fresh.trace[1].rfind("BrowseFolder(", 0) == 0;
    EXPECT_EQ(asked, starts) << major << "." << minor;
    if (!starts) {
      EXPECT_EQ(fresh.trace.size(), 1u);
    }
    EXPECT_FALSE(fresh.host.ended);
  }
}

TEST_F(EventsTest, StartButtonAsksTheVersionAfreshEachTime) {
  m.host.SetVersion(6, 1, 7601);
  Fire(Control::Command1, FormEvent::Click);
  m.host.SetVersion(5, 1, 2600);
  Fire(Control::Command1, FormEvent::Click);
  m.host.version = RawOsVersion{};  // the query fails: no version, no run
  Fire(Control::Command1, FormEvent::Click);
  EXPECT_EQ(m.trace, (Trace{"QueryOsVersion()", "RunTransferNT6", "QueryOsVersion()",
                            "RunTransferNT5", "QueryOsVersion()"}));
}

TEST_F(EventsTest, BrowsePutsTheChosenFolderIntoTheTargetRoot) {
  for (const std::string chosen : {"D:\\", "E:\\Data\\My Files", "D:\\新建文件夹"}) {
    m.trace.clear();
    m.form.State(Control::Text15).text = "D:\\Win7User";
    m.dialogs.browseResults = {chosen};
    EXPECT_TRUE(Fire(Control::Label2, FormEvent::Click));
    EXPECT_EQ(m.trace, (Trace{"BrowseFolder(先选择好将要转到文件夹的路径：, C:\\Program Files\\Vestrand)",
                              "SetText(Text15, " + chosen + ")"}));
    EXPECT_EQ(m.form.GetText(Control::Text15), chosen);
  }
}

TEST_F(EventsTest, CancelledBrowseShowsTheCentredHintAndKeepsTheTarget) {
  for (const std::string before : {"D:\\Win7User", ""}) {
    m.trace.clear();
    m.form.State(Control::Text15).text = before;
    m.host.programFolder = "Z:\\opt\\vestrand";
    EXPECT_TRUE(Fire(Control::Label2, FormEvent::Click));
    EXPECT_EQ(m.trace,
              (Trace{"BrowseFolder(先选择好将要转到文件夹的路径：, Z:\\opt\\vestrand)",
                     "CenterMsgBox(恐怕您没有选择目标文件夹哟,请先选择好将要转到文件夹的路径,"
                     "消息框要长才显眼!, 64, 友情提示:)"}));
    EXPECT_EQ(m.form.GetText(Control::Text15), before);
  }
}

TEST_F(EventsTest, DoubleClickOnEveryPathBoxOpensItsOwnText) {
  std::vector<Control> boxes;
  for (int k = 1; k <= kRowCount; ++k) boxes.push_back(TextOf(k));
  boxes.push_back(Control::Text15);
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    m.form.State(boxes[i]).text = "C:\\Users\\Ann\\Box " + std::to_string(i + 1);
  }
  m.form.State(Control::Text9).text = "";  // an empty box still starts Explorer
  for (Control box : boxes) {
    m.trace.clear();
    EXPECT_TRUE(Fire(box, FormEvent::DoubleClick));
    EXPECT_EQ(m.trace, (Trace{"StartCommand(explorer.exe " + m.form.GetText(box) + ", 1)"}))
        << fake::ControlName(box);
  }
}

TEST_F(EventsTest, OtherControlsAndEventsDoNothing) {
  // Clicks on path boxes, check boxes and frames, double clicks on anything but a path
  // box: no handler, and nothing happens.
  for (const ControlLayout& entry : MainWindowLayout()) {
    const bool clickable = entry.control == Control::Command1 || entry.control == Control::Label2 ||
                           entry.control == Control::Label3 || entry.control == Control::Image1;
    const bool pathBox = entry.kind == ControlKind::TextBox;
    m.trace.clear();
    if (!clickable) {
      EXPECT_FALSE(Fire(entry.control, FormEvent::Click)) << entry.name;
      EXPECT_TRUE(m.trace.empty()) << entry.name;
    }
    if (!pathBox) {
      m.trace.clear();
      EXPECT_FALSE(Fire(entry.control, FormEvent::DoubleClick)) << entry.name;
      EXPECT_TRUE(m.trace.empty()) << entry.name;
    }
  }
}

TEST_F(EventsTest, NotesLabelAndPictureUseTheWindowToolkit) {
  EXPECT_TRUE(Fire(Control::Label3, FormEvent::Click));
  EXPECT_TRUE(Fire(Control::Label3, FormEvent::Click));
  EXPECT_TRUE(Fire(Control::Image1, FormEvent::Click));
  EXPECT_EQ(m.trace, (Trace{"ShowNotes()", "ShowNotes()",
                            std::string("OpenWebPage(") + kProjectWebPage + ")"}));
  EXPECT_EQ(std::string(kProjectWebPage).rfind("https://", 0), 0u);
}

}  // namespace
}  // namespace vestrand
