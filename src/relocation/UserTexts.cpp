#include "relocation/UserTexts.h"

#include "platform/Text.h"

namespace vestrand {

namespace {

std::string Quoted(const std::string& text) { return "“" + text + "”"; }

// One named thing a line, and a mark when there were more than were named.
std::string Listed(std::size_t count, const std::vector<std::string>& named) {
  std::string text;
  for (const std::string& one : named) text += "\n" + one;
  if (count > named.size()) text += "\n……";
  return text;
}

}  // namespace

std::string MainWindowCaption(const std::string& windowsName) {
  return std::string(kProductName) + " For " + windowsName;
}

std::string NotAFullPathRefusal(const std::string& target) {
  return "目标文件夹" + Quoted(target) +
         "不是完整的路径。请以盘符开头(例如 D:\\Personal),或使用 \\\\服务器\\共享 的形式。";
}

std::string UnusableNamesRefusal(const std::string& target) {
  return "目标文件夹" + Quoted(target) + "含有无效的文件夹名:名称中不能有 \\ / : * ? \" < > |,也不能以空格或句点结尾。";
}

std::string TargetInsideFolderRefusal(const std::string& target, const std::string& folder) {
  return "目标文件夹" + Quoted(target) + "就是或位于要转移的文件夹" + Quoted(folder) +
         "之中,文件夹不能转移到它自己里面。请另选一个目标文件夹。";
}

std::string SameNameRefusal(const std::string& first, const std::string& second, const std::string& newLocation) {
  return "文件夹" + Quoted(first) + "和" + Quoted(second) + "同名,都会被转移到" + Quoted(newLocation) +
         ",其中的同名文件会互相覆盖。请只勾选其中一个,或先给其中一个文件夹改名。";
}

std::string FilesWouldBeReplacedRefusal(std::size_t count, const std::vector<std::string>& named) {
  return "目标文件夹中已有同名的文件夹,其中 " + std::to_string(count) + " 个文件会被覆盖:" + Listed(count, named) +
         "\n请先移走或改名这些文件,或另选一个目标文件夹。";
}

std::string SyncFolderRefusal(std::size_t count, const std::vector<std::string>& named) {
  return "有 " + std::to_string(count) + " 个文件夹位于同步软件(例如 OneDrive)备份的文件夹中:" + Listed(count, named) +
         "\n把它们移出去,同步软件会当作删除,云端和其他电脑上的这些文件也会消失。"
         "请先在同步软件中停止这些文件夹的备份,或改用“复制文件”模式。";
}

std::string FilesInUseRefusal(std::size_t count, const std::vector<std::string>& named) {
  return "有 " + std::to_string(count) + " 个文件正被其他程序使用,无法转移:" + Listed(count, named) +
         "\n请先关闭这些程序,再开始转移。";
}

std::string PathsTooLongRefusal(std::size_t count, const std::vector<std::string>& named) {
  return "有 " + std::to_string(count) +
         " 个文件或文件夹的路径太长,系统无法转移(文件路径须少于 260 个字符,文件夹路径须少于 248 个字符):" +
         Listed(count, named) + "\n请先缩短这些文件夹或文件的名称,或选一个更短的目标路径。";
}

std::string FilesTooLargeRefusal(std::size_t count, const std::vector<std::string>& named,
                                 const std::string& fileSystem) {
  return "目标驱动器是 " + fileSystem + " 格式,不能存放 4 GB 或更大的文件,要转移的文件中有 " + std::to_string(count) +
         " 个:" + Listed(count, named) + "\n请另选一个 NTFS 格式的驱动器,或先把这些文件移到别处。";
}

std::string TargetNotProtectedRefusal(const std::string& target) {
  return "无法设置目标文件夹" + Quoted(target) +
         "的访问权限。为了不让这台电脑的其他用户读到您的文件,转移没有开始,什么都没有改动。";
}

std::string ShortenedInTheMiddle(const std::string& path) {
  constexpr std::size_t kShown = 80;
  const std::u16string wide = Utf8ToUtf16(path);
  if (wide.size() <= kShown) return path;
  const std::size_t half = (kShown - 1) / 2;
  return Utf16ToUtf8(wide.substr(0, half)) + "…" + Utf16ToUtf8(wide.substr(wide.size() - half));
}

std::string NotEnoughSpaceRefusal(const std::string& needed, const std::string& targetFolder, const std::string& free) {
  return "目标驱动器的空间不够:要转移的文件约 " + needed + ",而" + Quoted(targetFolder) + "所在的驱动器只剩 " + free +
         "。请先腾出空间,或另选一个目标文件夹。";
}

std::string TargetNotCreatedRefusal(const std::string& target) {
  return "无法创建目标文件夹" + Quoted(target) + "。请检查驱动器是否存在、是否有写入权限,以及是否有同名的文件。";
}

std::string UndoFileNotWrittenRefusal(const std::string& target) {
  return "无法在目标文件夹" + Quoted(target) + "中写入注册表还原文件,为了能够撤销,转移没有开始。请检查是否有写入权限。";
}

std::string NeedsAttentionHint(bool recorded, const std::string& recordFile) {
  return "有些文件夹没有完整转移,或注册表拒绝了写入。" +
         (recorded ? "详情请看记录文件:\n" + recordFile : std::string("记录文件也无法写入,请检查目标文件夹。"));
}

std::string RunInterruptedText(const std::string& recordFile, const std::string& undoFileName) {
  return "转移中途出现意外错误,已停止。桌面已重新启动。" +
         (recordFile.empty() ? std::string("记录文件无法写入,请查看目标文件夹。")
                             : "已转移和未转移的文件夹请看记录文件:\n" + recordFile + "\n") +
         "要撤销,请双击目标文件夹中的 " + undoFileName + "。";
}

std::string InterruptedRunHint(const std::string& recordFile, const std::string& undoFile, const std::string& caption,
                               const std::string& oldLocation, const std::string& newLocation, bool registryMoved,
                               const std::vector<std::string>& notStarted) {
  std::string text = "上次的文件夹转移没有完成就被中断了。\n记录文件:" + recordFile + "\n还原文件:" + undoFile + "\n";
  if (!caption.empty()) {
    text += "\n中断时正在转移" + Quoted(caption) + ":它的文件一部分还在原位置" + Quoted(oldLocation) +
            ",一部分已在新位置" + Quoted(newLocation) + "。";
    text += registryMoved ? "注册表已经指向新位置,请把原位置剩下的文件手动移动到新位置。\n"
                          : "注册表仍指向原位置,请把新位置中的文件手动移回原位置。\n";
  }
  if (!notStarted.empty()) {
    text += "\n没有开始转移的文件夹保持原样,可以再运行一次本程序来转移:";
    for (std::size_t i = 0; i < notStarted.size(); ++i) text += (i == 0 ? "" : "、") + notStarted[i];
    text += "\n";
  }
  return text + "\n如果想全部撤销,请先把已转移的文件夹移回原位置,再双击还原文件,然后注销并重新登录。";
}

}  // namespace vestrand
