#include "ui/NoteText.h"

#include <array>

namespace vestrand {

const char* const kNoteAuthor = "Vestrand Team";
const char* const kNoteContactAddress = "feedback@vestrand.example";

std::string NoteFormCaption() { return std::string("Vestrand帮助文档 - By ") + kNoteAuthor; }

std::string NoteText() {
  const std::array<std::string, 17> lines = {
      "简要说明：",
      "执行本操作之前,关闭其他程序,否则可能会有调用中的文件无法转移。",
      "如果弹窗“文件正在使用”,请选择【跳过】。",
      "如果弹窗“复制失败”之类的，不影响转移效果。",
      "如果您觉得影响了，选择“舍弃文件”模式，然后自己复制文件。",
      "自动识别操作系统,XP,2003,Vista,Win 7,Win 8 ！",
      "执行中,会结束桌面进程,执行完毕之后,桌面重建！",
      "执行完毕之后,建议立即注销或者重启一次,才会完全生效！【强烈推荐】",
      "",
      "复制文件模式：将系统原路径的目录复制到新设置的路径，原路径文件(夹)保留。",
      "移动文件模式：将系统原路径的目录移动到新设置的路径，原路径文件删除。【推荐】",
      "舍弃文件模式：在新设置的路径创建系统目录，原路径文件(夹)保留,同复制文件模式。",
      "",
      "小贴士：",
      "双击路径框：跳转到该路径，如路径不存在，则打开“我的文档”。",
      std::string("如发现Bug，或者有什么建议，可以邮件到：") + kNoteContactAddress,
      std::string(58, ' ') + "2013/9/27 星期五，By " + kNoteAuthor,
  };
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i != 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

}  // namespace vestrand
