// The Win32 half of the version query: what Windows reports to the program.
#include <windows.h>

#include <string>

#include "platform/SystemLibraries.h"
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

std::string Win32Host::RealWindowsVersion() {
  // A program whose manifest names no newer Windows is told 6.2 by Windows 8.1 to 11; ntdll says the truth.
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (syslib::RtlGetVersion(&info) != 0) return std::string();
  return std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) + "." +
         std::to_string(info.dwBuildNumber);
}

}  // namespace vestrand
