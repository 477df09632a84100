#include "relocation/PathRules.h"

#include <vector>

namespace vestrand::paths {

namespace {

// The non-empty names of a path, as spelled.
std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) names.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsUsableName(const std::string& name) {
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20) return false;
    switch (c) {
      case '<':
      case '>':
      case ':':
      case '"':
      case '/':
      case '|':
      case '?':
      case '*': return false;
      default: break;
    }
  }
  return name.back() != ' ' && name.back() != '.';
}

// Where the folder names begin: after "X:\" or after the leading "\\".
std::size_t NamesStart(const std::string& absolutePath) { return absolutePath.compare(0, 2, "\\\\") == 0 ? 2 : 3; }

}  // namespace

std::string FolderNameOf(const std::string& path) {
  const auto slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithoutOneTrailingBackslash(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return path.substr(0, path.size() - 1);
  return path;
}

bool IsAbsolutePath(const std::string& path) {
  if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && path[2] == '\\') return true;
  if (path.compare(0, 2, "\\\\") != 0) return false;
  const auto serverEnd = path.find('\\', 2);
  if (serverEnd == std::string::npos || serverEnd == 2) return false;
  const auto shareEnd = path.find('\\', serverEnd + 1);
  const std::size_t shareLength = (shareEnd == std::string::npos ? path.size() : shareEnd) - (serverEnd + 1);
  return shareLength > 0;
}

bool HasUsableFolderNames(const std::string& absolutePath) {
  for (const std::string& name : Components(absolutePath.substr(NamesStart(absolutePath)))) {
    if (!IsUsableName(name)) return false;
  }
  return true;
}

bool IsSameOrInside(const std::string& path, const std::string& folder, const Fold& fold) {
  const std::vector<std::string> inner = Components(path);
  const std::vector<std::string> outer = Components(folder);
  if (outer.empty() || inner.size() < outer.size()) return false;
  for (std::size_t i = 0; i < outer.size(); ++i) {
    if (fold(inner[i]) != fold(outer[i])) return false;
  }
  return true;
}

bool IsSamePath(const std::string& a, const std::string& b, const Fold& fold) {
  return IsSameOrInside(a, b, fold) && IsSameOrInside(b, a, fold);
}

std::string RelativeBelow(const std::string& path, const std::string& folder) {
  const std::vector<std::string> inner = Components(path);
  const std::size_t depth = Components(folder).size();
  std::string below;
  for (std::size_t i = depth; i < inner.size(); ++i) below += "\\" + inner[i];
  return below;
}

std::string ParentFolder(const std::string& path) {
  if (!IsAbsolutePath(path)) return std::string();
  const std::size_t start = NamesStart(path);
  std::vector<std::string> names = Components(path.substr(start));
  // A share's first two names are the server and the share: its root.
  const std::size_t rootNames = start == 2 ? 2 : 0;
  if (names.size() <= rootNames) return std::string();
  names.pop_back();
  std::string parent = path.substr(0, start);
  for (std::size_t i = 0; i < names.size(); ++i) {
    parent += names[i];
    if (i + 1 < names.size()) parent += '\\';
  }
  return parent;
}

std::string DriveRootAware(const std::string& path) { return path.size() == 2 && path[1] == ':' ? path + "\\" : path; }

}  // namespace vestrand::paths
