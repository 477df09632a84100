// The shell's copy and move of folders, and the creation of a folder path level by level:
// the decisions, kept apart from the Windows calls so they can be checked without Windows.
#ifndef VESTRAND_PLATFORM_SHELLFILEOPERATIONS_H
#define VESTRAND_PLATFORM_SHELLFILEOPERATIONS_H

#include <optional>
#include <string>
#include <vector>

namespace vestrand {

// Every level of `path`, top down, each ending in a backslash, in the order
// MakeDirectory creates them: "D:\a\b" gives "D:\", "D:\a\", "D:\a\b\".
// The empty path names nothing and gives no level.
std::vector<std::string> DirectoryPrefixes(const std::string& path);

// One path as the shell's item list wants it: UTF-16 with one NUL appended, so that
// c_str() ends in two. Nothing for the empty text (to the shell that means the current
// folder) or for text holding a NUL (it would split into several items).
std::optional<std::u16string> ShellItemList(const std::string& path);

}  // namespace vestrand

#endif
