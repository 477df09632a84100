// UTF-8 inside the program, UTF-16 at the Windows API: converted here, once.
#ifndef VESTRAND_PLATFORM_WIN32TEXT_H
#define VESTRAND_PLATFORM_WIN32TEXT_H

#include <string>

#include "platform/Text.h"

namespace vestrand {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16");

inline std::wstring Wide(const std::string& text) {
  const std::u16string u = Utf8ToUtf16(text);
  return std::wstring(u.begin(), u.end());
}

inline std::string Narrow(const std::wstring& text) { return Utf16ToUtf8(std::u16string(text.begin(), text.end())); }

inline std::string Narrow(const wchar_t* text) { return text == nullptr ? std::string() : Narrow(std::wstring(text)); }

}  // namespace vestrand

#endif
