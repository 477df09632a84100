// Opens a folder in Explorer.
#ifndef VESTRAND_PLATFORM_OPENFOLDER_H
#define VESTRAND_PLATFORM_OPENFOLDER_H

#include <string>

#include "platform/Services.h"

namespace vestrand {

// "explorer.exe" + one space + the path, unchanged; shown normally; failures swallowed.
std::string OpenFolderCommandLine(const std::string& path);
void OpenFolder(Host& host, const std::string& path);

}  // namespace vestrand

#endif
