#include "relocation/RunRecord.h"

#include <algorithm>

namespace vestrand {

namespace {

const char* const kCrLf = "\r\n";
const char* const kUnderWayLine = "状态: 转移进行中。如果本记录的最后一行不是“转移结束”,说明转移被中断了。";
const char* const kPlannedLine = "要转移的文件夹:";
const char* const kPlannedItem = "  - ";
const char* const kOldPlace = "  原位置: ";
const char* const kGoingTo = "  正在转移到: ";
const char* const kNowAt = "  现位置: ";
const char* const kOutcome = "  结果: ";
const char* const kEndedLine = "转移结束";
const char* const kSeenLine = "(中断的转移已在下次启动时提示过)";

std::string OutcomeText(const RowRecord& row) {
  switch (row.outcome) {
    case RowOutcome::LeftAlone: return "未勾选,未改动";
    case RowOutcome::Moved: return "已移动到新位置";
    case RowOutcome::Copied: return "已复制到新位置,原文件夹保留";
    case RowOutcome::AlreadyInPlace: return "已在目标位置,无需转移";
    case RowOutcome::EmptyFolderMade: return "已新建空文件夹,原有文件留在原位置";
    case RowOutcome::PointedBack: return "文件没有被转移,注册表仍指向原位置";
    case RowOutcome::MovedInPart:
      return "只移动了一部分:原位置仍有 " + std::to_string(row.files) + " 个文件,请手动移动";
    case RowOutcome::CopiedInPart:
      return "只复制了一部分:有 " + std::to_string(row.files) + " 个文件没有复制,原文件夹保留";
    case RowOutcome::WriteRefused: return "注册表拒绝写入,此项未改动,文件未转移";
    case RowOutcome::Followed: return "随所在的文件夹一起移动,注册表已更新";
    case RowOutcome::FollowRefused: return "随所在的文件夹一起移动,但注册表拒绝写入新位置,请手动修改";
  }
  return std::string();
}

std::string Two(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

std::string Line(const std::string& text) { return text + kCrLf; }

std::string OrEmptyMark(const std::string& path) { return path.empty() ? std::string("(空)") : path; }

bool StartsWith(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace

std::string TimeStamp(const LocalTime& t) {
  return std::to_string(t.year) + Two(t.month) + Two(t.day) + "-" + Two(t.hour) + Two(t.minute) + Two(t.second);
}

bool NeedsAttention(const RunRecord& record) {
  for (const RowRecord& row : record.rows) {
    switch (row.outcome) {
      case RowOutcome::PointedBack:
      case RowOutcome::MovedInPart:
      case RowOutcome::CopiedInPart:
      case RowOutcome::WriteRefused:
      case RowOutcome::FollowRefused: return true;
      default: break;
    }
  }
  return false;
}

void RunJournal::Begin(const RunRecord& r, const std::vector<std::string>& plannedCaptions) {
  const LocalTime& t = r.time;
  std::string text = "\xEF\xBB\xBF";
  text += Line("Vestrand 转移记录");
  text += Line("时间: " + std::to_string(t.year) + "-" + Two(t.month) + "-" + Two(t.day) + " " + Two(t.hour) + ":" +
               Two(t.minute) + ":" + Two(t.second));
  text += Line("Windows 版本: " + r.windowsVersion);
  text += Line("转移模式: " + r.mode);
  text += Line("目标路径: " + r.target +
               (!r.targetCreated    ? " (已存在,访问权限保持原样)"
                : r.targetProtected ? " (本次新建,只有您本人、SYSTEM 和管理员可以访问)"
                                    : " (本次新建,此驱动器不支持访问权限设置)"));
  text += Line("还原注册表: 双击 " + r.undoFileName + ",确认导入;先把文件夹移回原位置,再注销并重新登录。");
  text += Line(kUnderWayLine);
  text += Line(kPlannedLine);
  for (const std::string& caption : plannedCaptions) text += Line(kPlannedItem + caption);
  whole_ = files_.WriteNewFile(path_, text).ok;
  begun_ = true;
}

void RunJournal::Add(const std::string& text) {
  if (!begun_ || !whole_) return;
  whole_ = files_.AppendToFile(path_, text).ok;
}

void RunJournal::RowStarted(const std::string& caption, const std::string& oldLocation,
                            const std::string& newLocation) {
  Add(Line("") + Line(caption) + Line(kOldPlace + OrEmptyMark(oldLocation)) + Line(kGoingTo + newLocation));
}

void RunJournal::RowSettled(const RowRecord& row, bool started) {
  std::string text;
  if (!started) text = Line("") + Line(row.caption) + Line(kOldPlace + OrEmptyMark(row.oldLocation));
  Add(text + Line(kNowAt + OrEmptyMark(row.newLocation)) + Line(kOutcome + OutcomeText(row)));
}

void RunJournal::Ended(bool stoppedByError) {
  Add(Line("") + Line(stoppedByError ? std::string(kEndedLine) + ":中途出现意外错误,其后的文件夹没有转移。"
                                     : std::string(kEndedLine) + "。"));
}

std::string RecordSeenLine() { return Line(kSeenLine); }

std::optional<InterruptedRun> ReadInterruptedRecord(const std::string& text) {
  const std::vector<std::string> lines = Lines(text);
  bool underWay = false;
  for (const std::string& line : lines) {
    if (line == kUnderWayLine) underWay = true;
    if (StartsWith(line, kEndedLine) || line == kSeenLine) return std::nullopt;
  }
  if (!underWay) return std::nullopt;
  InterruptedRun run;
  std::vector<std::string> planned;
  std::vector<std::string> settled;
  std::string caption;
  std::string oldLocation;
  bool inPlanned = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (StartsWith(line, "还原注册表: 双击 ")) {
      const std::string rest = line.substr(std::string("还原注册表: 双击 ").size());
      run.undoFileName = rest.substr(0, rest.find(','));
    }
    if (line == kPlannedLine) {
      inPlanned = true;
      continue;
    }
    if (inPlanned && StartsWith(line, kPlannedItem)) {
      planned.push_back(line.substr(std::string(kPlannedItem).size()));
      continue;
    }
    inPlanned = false;
    if (StartsWith(line, kOldPlace) && i > 0) {
      caption = lines[i - 1];
      oldLocation = line.substr(std::string(kOldPlace).size());
    } else if (StartsWith(line, kGoingTo)) {
      run.caption = caption;
      run.oldLocation = oldLocation;
      run.newLocation = line.substr(std::string(kGoingTo).size());
    } else if (StartsWith(line, kOutcome)) {
      settled.push_back(caption);
      if (run.caption == caption) run = InterruptedRun{run.undoFileName, "", "", "", {}};
    }
  }
  for (const std::string& p : planned) {
    if (p != run.caption && std::find(settled.begin(), settled.end(), p) == settled.end()) run.notStarted.push_back(p);
  }
  return run;
}

}  // namespace vestrand
