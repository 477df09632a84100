#include "platform/HostServices.h"

namespace vestrand {

namespace {

bool EqualsIgnoringAsciiCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return i == a.size() && b[i] == '\0';
}

}  // namespace

ProgramLocation LocateProgram(const std::string& commandLine) {
  ProgramLocation location;
  location.program = commandLine.substr(0, commandLine.find_first_of(" \t"));
  if (EqualsIgnoringAsciiCase(location.program, "taskkill.exe")) {
    location.source = ProgramSource::SystemDirectory;
  } else if (EqualsIgnoringAsciiCase(location.program, "explorer.exe")) {
    location.source = ProgramSource::WindowsDirectory;
  }
  return location;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '\\' ? folder + name : folder + '\\' + name;
}

std::string ModuleFolder(const std::string& moduleFileName) {
  const std::size_t slash = moduleFileName.rfind('\\');
  if (slash == std::string::npos) return std::string();
  if (slash == 2 && moduleFileName[1] == ':') return moduleFileName.substr(0, 3);
  return moduleFileName.substr(0, slash);
}

}  // namespace vestrand
