// How a stored registry value becomes display text. The registry calls themselves live
// in the Win32 layer; this part is portable.
#ifndef VESTRAND_PLATFORM_REGISTRYDATA_H
#define VESTRAND_PLATFORM_REGISTRYDATA_H

#include <cstdint>
#include <string>
#include <vector>

namespace vestrand {

// The text of a value of `type` whose stored bytes are `data` (string data as UTF-16LE,
// as the wide registry calls return it). REG_EXPAND_SZ comes back unexpanded; the
// caller expands it. Unknown types give the empty text. Not trimmed.
std::string FormatRegistryData(std::uint32_t type, const std::vector<std::uint8_t>& data);

// True for the types whose data is text (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ).
bool IsStringType(std::uint32_t type);

// The bytes stored for a string value: UTF-16LE with one terminating NUL.
std::vector<std::uint8_t> StringValueData(const std::string& value);

}  // namespace vestrand

#endif
