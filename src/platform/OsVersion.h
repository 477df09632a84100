// Windows version detection and the family decision made on its version text.
#ifndef VESTRAND_PLATFORM_OSVERSION_H
#define VESTRAND_PLATFORM_OSVERSION_H

#include <cstdint>
#include <string>

#include "platform/Services.h"

namespace vestrand {

struct OsVersionInfo {
  std::int32_t PlatformId = 0;
  std::string Name;
  std::string Version;      // "6.1"
  std::string ServicePack;  // cut at its first NUL
  std::string Build;        // low 16 bits of the build number, decimal
};

// Fills `info` from what the system reported; leaves it untouched when the query failed.
void ApplyOsVersion(const RawOsVersion& raw, OsVersionInfo& info);

// Queries the system and fills `info`.
void GetOsVersion(Host& host, OsVersionInfo& info);

enum class OsFamily { None, NT5, NT6 };

// Decided on the version text by plain comparison, as texts ("10.0" sorts below "5.0").
OsFamily FamilyOfVersion(const std::string& version);

// The start button accepts only these exact texts.
OsFamily RunFamilyOfVersion(const std::string& version);

}  // namespace vestrand

#endif
