#include "platform/ShellFileOperations.h"

#include "platform/Text.h"

namespace vestrand {

std::vector<std::string> DirectoryPrefixes(const std::string& path) {
  std::vector<std::string> prefixes;
  if (path.empty()) return prefixes;
  std::string full = path;
  if (full.back() != '\\') full += '\\';
  for (std::size_t slash = full.find('\\'); slash != std::string::npos; slash = full.find('\\', slash + 1)) {
    prefixes.push_back(full.substr(0, slash + 1));
  }
  return prefixes;
}

std::optional<std::u16string> ShellItemList(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return std::nullopt;
  std::u16string list = Utf8ToUtf16(path);
  list.push_back(u'\0');
  return list;
}

}  // namespace vestrand
