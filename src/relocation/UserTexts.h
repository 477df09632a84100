// Every text the user reads in the main window's caption, tooltips, pickers and message
// boxes, in one place. (The notes window's text is in ui/NoteText, the record file's
// lines in RunRecord.)
#ifndef VESTRAND_RELOCATION_USERTEXTS_H
#define VESTRAND_RELOCATION_USERTEXTS_H

#include <cstddef>
#include <string>
#include <vector>

namespace vestrand {

inline constexpr const char* kProductName = "Vestrand";
// "Vestrand For " and the Windows version's name.
std::string MainWindowCaption(const std::string& windowsName);

// The target proposed at start-up when D: is a fixed disk, per Windows family.
inline constexpr const char* kProposedTargetNT5 = "D:\\Personal";
inline constexpr const char* kProposedTargetNT6 = "D:\\Win7User";

// The tooltips of the target box and of its label.
inline constexpr const char* kTargetTooltip = "双击本框体浏览目标路径……";
inline constexpr const char* kTargetLabelTooltip = "浏览目标路径……";

// The title of every hint and refusal.
inline constexpr const char* kHintTitle = "友情提示:";
// The folder picker's title, from the browse label and from a run without a target.
inline constexpr const char* kPickTargetTitle = "先选择好将要转到文件夹的路径：";
// The picker was cancelled: from a run, and from the browse label.
inline constexpr const char* kNoTargetRunHint = "恐怕您没有选择目标文件夹哟,消息框要长才显眼!";
inline constexpr const char* kNoTargetBrowseHint =
    "恐怕您没有选择目标文件夹哟,请先选择好将要转到文件夹的路径,消息框要长才显眼!";
// The registry refused a folder's new location (a box with the default title).
inline constexpr const char* kWriteRefusedText = "Error";
// A window's message handler failed; the action was not completed.
inline constexpr const char* kUnexpectedErrorText = "程序出现意外错误,刚才的操作没有完成。";

// The transfer modes, as the run's record names them.
inline constexpr const char* kCopyModeName = "复制文件";
inline constexpr const char* kMoveModeName = "移动文件";
inline constexpr const char* kDiscardModeName = "舍弃文件";
inline constexpr const char* kNoModeName = "未选择";

// Refusals: the run changes nothing.
std::string NotAFullPathRefusal(const std::string& target);
std::string UnusableNamesRefusal(const std::string& target);
std::string TargetInsideFolderRefusal(const std::string& target, const std::string& folder);
std::string SameNameRefusal(const std::string& first, const std::string& second, const std::string& newLocation);
// `named` lists up to a few of the `count` files that would be replaced.
std::string FilesWouldBeReplacedRefusal(std::size_t count, const std::vector<std::string>& named);
// `named` lists up to ten of the `count` things a refusal is about.
std::string SyncFolderRefusal(std::size_t count, const std::vector<std::string>& named);
std::string FilesInUseRefusal(std::size_t count, const std::vector<std::string>& named);
std::string PathsTooLongRefusal(std::size_t count, const std::vector<std::string>& named);
std::string FilesTooLargeRefusal(std::size_t count, const std::vector<std::string>& named,
                                 const std::string& fileSystem);
std::string TargetNotProtectedRefusal(const std::string& target);
// A long path with its middle left out, so that a box shows both of its ends.
std::string ShortenedInTheMiddle(const std::string& path);
std::string NotEnoughSpaceRefusal(const std::string& needed, const std::string& targetFolder, const std::string& free);
inline constexpr const char* kRegistryUnreadableRefusal =
    "无法读取注册表中文件夹的当前位置,无法保存还原文件。什么都没有改动。";
std::string TargetNotCreatedRefusal(const std::string& target);
std::string UndoFileNotWrittenRefusal(const std::string& target);

// After a run: some folders were carried in part, or a registry write was refused.
std::string NeedsAttentionHint(bool recorded, const std::string& recordFile);
// A run stopped half-way by an unexpected error; `recordFile` empty when the record could
// not be written.
std::string RunInterruptedText(const std::string& recordFile, const std::string& undoFileName);

// At start-up: a run that never ended left this record. `caption` names the row that was
// under way (empty: it stopped between rows); `registryMoved` whether its registry values
// already name the new place.
std::string InterruptedRunHint(const std::string& recordFile, const std::string& undoFile, const std::string& caption,
                               const std::string& oldLocation, const std::string& newLocation, bool registryMoved,
                               const std::vector<std::string>& notStarted);

}  // namespace vestrand

#endif
