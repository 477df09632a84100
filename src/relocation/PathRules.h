// Path arithmetic for the relocation runs. Paths are Windows paths held as UTF-8 text
// with the backslash as the only separator; nothing here touches the file system.
#ifndef VESTRAND_RELOCATION_PATHRULES_H
#define VESTRAND_RELOCATION_PATHRULES_H

#include <functional>
#include <string>

namespace vestrand::paths {

// The text after the last backslash; the whole text when there is none. A path that
// ends in a backslash (or a drive root) has no folder name: the empty text.
std::string FolderNameOf(const std::string& path);

// Removes exactly one trailing backslash, if there is one ("D:\" becomes "D:").
std::string WithoutOneTrailingBackslash(const std::string& path);

// A drive letter, a colon and a backslash ("D:\..."), or a share ("\\server\share...").
bool IsAbsolutePath(const std::string& path);

// Every folder name after the drive (or in the share path) could be created as typed:
// none holds a character Windows forbids in names, and none ends in a space or a full
// stop, which Windows drops silently and so would name a different folder.
bool HasUsableFolderNames(const std::string& absolutePath);

// How two names are told apart: the text as the file system compares names (its own case
// folding, FileSystem::NameKey). Two names with one key are one file.
using Fold = std::function<std::string(const std::string&)>;

// Whether `path` is `folder` or lies below it, comparing whole folder names as the file
// system does; doubled and trailing backslashes do not count.
bool IsSameOrInside(const std::string& path, const std::string& folder, const Fold& fold);
bool IsSamePath(const std::string& a, const std::string& b, const Fold& fold);

// The part of `path` below `folder`, with a leading backslash ("\My Music"), as spelled
// in `path`; the empty text when both name the same folder. Requires IsSameOrInside.
std::string RelativeBelow(const std::string& path, const std::string& folder);

// The folder holding `path`: "D:\a\b" gives "D:\a", "D:\a" gives "D:\". A drive root,
// a share ("\\server\share") and a path that is not absolute have none: the empty text.
std::string ParentFolder(const std::string& path);

// "D:" alone names the current folder of drive D:, not its root: it is given a backslash;
// any other path is returned as it is.
std::string DriveRootAware(const std::string& path);

}  // namespace vestrand::paths

#endif
