#include "platform/OpenFolder.h"

namespace vestrand {

std::string OpenFolderCommandLine(const std::string& path) { return "explorer.exe " + path; }

void OpenFolder(Host& host, const std::string& path) {
  // A folder that cannot be shown is not worth a message: the user simply sees no
  // Explorer window and the main window carries on.
  static_cast<void>(host.StartCommand(OpenFolderCommandLine(path), kShowNormal));
}

}  // namespace vestrand
