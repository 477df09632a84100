#include "platform/RegistryData.h"

#include "platform/Services.h"
#include "platform/Text.h"

namespace vestrand {

namespace {

std::u16string Utf16FromBytes(const std::vector<std::uint8_t>& data) {
  std::u16string text;
  text.reserve(data.size() / 2);
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  }
  return text;
}

}  // namespace

bool IsStringType(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

std::string FormatRegistryData(std::uint32_t type, const std::vector<std::uint8_t>& data) {
  switch (type) {
    case kRegSz:
    case kRegExpandSz:
    case kRegMultiSz: {
      std::u16string text = Utf16FromBytes(data);
      // The stored size counts the terminating NUL; drop that one, keep inner separators.
      if (!text.empty() && text.back() == u'\0') text.pop_back();
      if (type != kRegMultiSz) {
        // A REG_SZ written without care may carry more than one NUL; the text ends at the first.
        const auto nul = text.find(u'\0');
        if (nul != std::u16string::npos) text.resize(nul);
      }
      return Utf16ToUtf8(text);
    }
    case kRegBinary: {
      static const char kHex[] = "0123456789ABCDEF";
      std::string out;
      for (std::uint8_t b : data) {
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 0x0F]);
        out.push_back(' ');
      }
      return out;
    }
    case kRegDword: {
      if (data.size() < 4) return std::string();
      const std::uint32_t v = static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
                              (static_cast<std::uint32_t>(data[2]) << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
      return std::to_string(v);
    }
    default: return std::string();
  }
}

std::vector<std::uint8_t> StringValueData(const std::string& value) {
  const std::u16string wide = Utf8ToUtf16(value);
  std::vector<std::uint8_t> data;
  data.reserve((wide.size() + 1) * 2);
  for (char16_t c : wide) {
    data.push_back(static_cast<std::uint8_t>(c & 0xFF));
    data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

}  // namespace vestrand
