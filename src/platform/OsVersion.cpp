#include "platform/OsVersion.h"

#include "platform/Text.h"

namespace vestrand {

namespace {

const char* NameFor(std::uint32_t platform, std::uint32_t major, std::uint32_t minor) {
  if (platform == 0) return "Win32s";
  if (platform == 1) {
    if (minor == 0) return "Windows 95";
    if (minor == 90) return "Windows ME";
    return "Windows 98";
  }
  if (platform == 2) {
    if (major == 5 && minor == 0) return "Windows 2000";
    if (major == 5 && minor == 1) return "Windows XP";
    if (major == 5 && minor == 2) return "Windows 2003";
    if (major == 6 && minor == 0) return "Windows Vista";
    if (major == 6 && minor == 1) return "Windows 7";
    if (major == 6 && minor == 2) return "Windows 8";
    return "Windows NT";
  }
  return nullptr;  // unknown platform: the name stays as it was
}

}  // namespace

void ApplyOsVersion(const RawOsVersion& raw, OsVersionInfo& info) {
  if (!raw.queried) return;
  info.PlatformId = static_cast<std::int32_t>(raw.platformId);
  if (const char* name = NameFor(raw.platformId, raw.majorVersion, raw.minorVersion)) { info.Name = name; }
  info.Version = std::to_string(raw.majorVersion) + "." + std::to_string(raw.minorVersion);
  info.Build = std::to_string(raw.buildNumber & 0xFFFFu);
  for (std::size_t i = 0; i < raw.servicePack.size(); ++i) {
    if (raw.servicePack[i] == u'\0') {
      info.ServicePack = Utf16ToUtf8(std::u16string(raw.servicePack.data(), i));
      break;
    }
  }
}

void GetOsVersion(Host& host, OsVersionInfo& info) { ApplyOsVersion(host.QueryOsVersion(), info); }

OsFamily FamilyOfVersion(const std::string& version) {
  if (version >= "5.0" && version < "6.0") return OsFamily::NT5;
  if (version >= "6.0") return OsFamily::NT6;
  return OsFamily::None;
}

OsFamily RunFamilyOfVersion(const std::string& version) {
  if (version == "5.0" || version == "5.1" || version == "5.2") return OsFamily::NT5;
  if (version == "6.0" || version == "6.1" || version == "6.2") return OsFamily::NT6;
  return OsFamily::None;
}

}  // namespace vestrand
