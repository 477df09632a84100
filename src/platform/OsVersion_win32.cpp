// The Win32 half of the version query: what Windows reports to the program.
#include <windows.h>

#include "platform/Win32Services.h"

namespace vestrand {

RawOsVersion Win32Host::QueryOsVersion() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)  // the program wants exactly what Windows reports to it
#endif
  const BOOL ok = ::GetVersionExW(&info);
  RawOsVersion raw;
  if (ok != TRUE) return raw;
  raw.queried = true;
  raw.majorVersion = info.dwMajorVersion;
  raw.minorVersion = info.dwMinorVersion;
  raw.buildNumber = info.dwBuildNumber;
  raw.platformId = info.dwPlatformId;
  for (std::size_t i = 0; i < raw.servicePack.size(); ++i) {
    raw.servicePack[i] = static_cast<char16_t>(info.szCSDVersion[i]);
  }
  return raw;
}

}  // namespace vestrand
