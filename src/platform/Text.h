// Text inside the program is UTF-8; Windows takes UTF-16. These conversions are the
// only place the two meet, so they are portable and tested natively.
#ifndef VESTRAND_PLATFORM_TEXT_H
#define VESTRAND_PLATFORM_TEXT_H

#include <string>

namespace vestrand {

// Invalid input (a lone surrogate, a malformed UTF-8 sequence) becomes U+FFFD rather
// than being dropped, so that a damaged name is visible instead of silently shortened.
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);

// Removes leading and trailing space characters (only U+0020, as the registry read does).
std::string TrimSpaces(const std::string& text);

}  // namespace vestrand

#endif
