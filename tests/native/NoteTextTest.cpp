#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/NoteText.h"

namespace vestrand {
namespace {

std::vector<std::string> SplitOnCrLf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return lines;
    start = end + 2;
  }
}

TEST(NoteText, SeventeenLinesJoinedByCrLfWithoutATrailingBreak) {
  const std::string text = NoteText();
  const std::vector<std::string> lines = SplitOnCrLf(text);
  ASSERT_EQ(lines.size(), 17u);
  for (const std::string& line : lines) {  // no stray CR or LF inside a line
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
  }
  EXPECT_NE(text.substr(text.size() - 2), "\r\n");
  EXPECT_NE(text.back(), '\n');

  // Exactly two empty lines: after the general advice and after the three modes.
  std::vector<std::size_t> empty;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) empty.push_back(i + 1);
  }
  EXPECT_EQ(empty, (std::vector<std::size_t>{9, 13}));
}

TEST(NoteText, FixedLinesAreByteExact) {
  const std::vector<std::string> lines = SplitOnCrLf(NoteText());
  ASSERT_EQ(lines.size(), 17u);
  const std::pair<std::size_t, const char*> fixed[] = {
      {1, "简要说明："},
      {2, "执行本操作之前,关闭其他程序,否则可能会有调用中的文件无法转移。"},
      {3, "如果弹窗“文件正在使用”,请选择【跳过】。"},
      {4, "如果弹窗“复制失败”之类的，不影响转移效果。"},
      {5, "如果您觉得影响了，选择“舍弃文件”模式，然后自己复制文件。"},
      {6, "自动识别操作系统,XP,2003,Vista,Win 7,Win 8 ！"},
      {7, "执行中,会结束桌面进程,执行完毕之后,桌面重建！"},
      {8, "执行完毕之后,建议立即注销或者重启一次,才会完全生效！【强烈推荐】"},
      {10, "复制文件模式：将系统原路径的目录复制到新设置的路径，原路径文件(夹)保留。"},
      {11, "移动文件模式：将系统原路径的目录移动到新设置的路径，原路径文件删除。【推荐】"},
      {12, "舍弃文件模式：在新设置的路径创建系统目录，原路径文件(夹)保留,同复制文件模式。"},
      {14, "小贴士："},
      {15, "双击路径框：跳转到该路径，如路径不存在，则打开“我的文档”。"},
  };
  for (const auto& [number, expected] : fixed) EXPECT_EQ(lines[number - 1], expected) << number;

  EXPECT_EQ(lines[15], std::string("如发现Bug，或者有什么建议，可以邮件到：") + kNoteContactAddress);
  const std::string signature = std::string("2013/9/27 星期五，By ") + kNoteAuthor;
  EXPECT_EQ(lines[16], std::string(58, ' ') + signature);
  EXPECT_EQ(lines[16].find_first_not_of(' '), 58u);
}

TEST(NoteText, ContactAndAuthorAreTheProjectsOwn) {
  const std::string contact = kNoteContactAddress;
  EXPECT_NE(contact.find('@'), std::string::npos);
  EXPECT_EQ(contact.find(' '), std::string::npos);
  EXPECT_FALSE(std::string(kNoteAuthor).empty());
  EXPECT_EQ(NoteFormCaption(), std::string("Vestrand帮助文档 - By ") + kNoteAuthor);
}

}  // namespace
}  // namespace vestrand
