#include "relocation/RunRecord.h"


namespace vestrand {

namespace {

const char* const kCrLf = "\r\n";

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
    case RowOutcome::FollowRefused:
      return "随所在的文件夹一起移动,但注册表拒绝写入新位置,请手动修改";
  }
  return std::string();
}

std::string Two(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

}  // namespace

std::string TimeStamp(const LocalTime& t) {
  return std::to_string(t.year) + Two(t.month) + Two(t.day) + "-" + Two(t.hour) + Two(t.minute) +
         Two(t.second);
}

std::string RecordText(const RunRecord& r) {
  const LocalTime& t = r.time;
  std::string out = "\xEF\xBB\xBF";
  auto line = [&out](const std::string& text) { out += text + kCrLf; };
  line("Vestrand 转移记录");
  line("时间: " + std::to_string(t.year) + "-" + Two(t.month) + "-" + Two(t.day) + " " +
       Two(t.hour) + ":" + Two(t.minute) + ":" + Two(t.second));
  line("Windows 版本: " + r.windowsVersion);
  line("转移模式: " + r.mode);
  line("目标路径: " + r.target +
       (!r.targetCreated       ? " (已存在,访问权限保持原样)"
        : r.targetProtected    ? " (本次新建,只有您本人、SYSTEM 和管理员可以访问)"
                               : " (本次新建,此驱动器不支持访问权限设置)"));
  line("还原注册表: 双击 " + r.undoFileName + ",确认导入,然后注销并重新登录。");
  for (const RowRecord& row : r.rows) {
    line("");
    line(row.caption);
    line("  原位置: " + (row.oldLocation.empty() ? std::string("(空)") : row.oldLocation));
    line("  现位置: " + (row.newLocation.empty() ? std::string("(空)") : row.newLocation));
    line("  结果: " + OutcomeText(row));
  }
  return out;
}

bool NeedsAttention(const RunRecord& record) {
  for (const RowRecord& row : record.rows) {
    switch (row.outcome) {
      case RowOutcome::PointedBack:
      case RowOutcome::MovedInPart:
      case RowOutcome::CopiedInPart:
      case RowOutcome::WriteRefused:
      case RowOutcome::FollowRefused:
        return true;
      default:
        break;
    }
  }
  return false;
}

}  // namespace vestrand
