#include <gtest/gtest.h>

#include "platform/FolderSecurity.h"
#include "platform/RegistryData.h"
#include "platform/Services.h"
#include "platform/Text.h"
#include "relocation/RunRecord.h"

namespace vestrand {
namespace {

std::vector<std::uint8_t> Utf16Bytes(const std::u16string& s, bool terminator) {
  std::vector<std::uint8_t> out;
  for (char16_t c : s) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  if (terminator) {
    out.push_back(0);
    out.push_back(0);
  }
  return out;
}

TEST(Text, RoundTripsEveryPlane) {
  const char* samples[] = {"", "D:\\Win7User", "C:\\用户\\桌面", "Файлы", "emoji 😀 ok",
                           "tab\tand\nline"};
  for (const char* s : samples) {
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(s)), s);
  }
  EXPECT_EQ(Utf8ToUtf16("😀"), std::u16string(u"\xD83D\xDE00"));
}

TEST(Text, MalformedInputBecomesReplacementNotSilence) {
  EXPECT_EQ(Utf8ToUtf16(std::string("a\xFF" "b")), u"a\xFFFD" u"b");
  EXPECT_EQ(Utf8ToUtf16(std::string("\xE4\xB8")), u"\xFFFD\xFFFD");   // truncated sequence
  EXPECT_EQ(Utf8ToUtf16(std::string("\xC0\xAF")), u"\xFFFD\xFFFD");   // overlong
  EXPECT_EQ(Utf16ToUtf8(std::u16string(u"x\xD800y")), "x\xEF\xBF\xBDy");  // lone surrogate
}

TEST(Text, TrimOnlySpaces) {
  const std::pair<const char*, const char*> cases[] = {
      {"  a b  ", "a b"}, {"   ", ""}, {"", ""}, {"\tx\t", "\tx\t"}, {"C:\\x ", "C:\\x"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(TrimSpaces(in), out) << in;
}

TEST(RegistryFormat, ByType) {
  struct Case {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    std::string expected;
  };
  const Case cases[] = {
      {kRegSz, Utf16Bytes(u"C:\\Users\\Ann\\Desktop ", true), "C:\\Users\\Ann\\Desktop "},
      {kRegSz, Utf16Bytes(u"no terminator", false), "no terminator"},
      {kRegSz, Utf16Bytes(std::u16string(u"path\0\0", 6), true), "path"},
      {kRegSz, Utf16Bytes(u"D:\\我的文档", true), "D:\\我的文档"},
      {kRegSz, {}, ""},
      {kRegExpandSz, Utf16Bytes(u"%USERPROFILE%\\Desktop", true), "%USERPROFILE%\\Desktop"},
      {kRegMultiSz, Utf16Bytes(std::u16string(u"a\0b\0", 4), true), std::string("a\0b\0", 4)},
      {kRegBinary, {0x0A, 0x1B}, "0A 1B "},
      {kRegBinary, {}, ""},
      {kRegDword, {0, 0, 0, 0}, "0"},
      {kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
      {kRegDword, {0x10, 0, 0, 0}, "16"},
      {kRegDword, {0x10}, ""},
      {kRegDwordBigEndian, {0, 0, 0, 1}, ""},
      {6, Utf16Bytes(u"\\Registry\\x", true), ""},
      {11, {1, 0, 0, 0, 0, 0, 0, 0}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatRegistryData(c.type, c.data), c.expected) << "type " << c.type;
  }
}

TEST(RegistryFormat, StoredStringIsUtf16WithOneTerminator) {
  EXPECT_EQ(StringValueData("D:\\桌面"), Utf16Bytes(u"D:\\桌面", true));
  EXPECT_EQ(StringValueData("").size(), 2u);
}

// The undo file as the Registry Editor reads it back: each kind of value on its line.
TEST(RegistryFormat, UndoFileLines) {
  struct Case {
    RegistryValue value;
    const char* line;
  };
  const auto text = [](std::uint32_t type, const std::u16string& s) {
    return RegistryValue{true, type, Utf16Bytes(s, true)};
  };
  const Case cases[] = {
      {text(kRegSz, u"D:\\Win7User\\\"引号\""), "\"v\"=\"D:\\\\Win7User\\\\\\\"引号\\\"\""},
      {text(kRegExpandSz, u"%A%"), "\"v\"=hex(2):25,00,41,00,25,00,00,00"},
      {RegistryValue{}, "\"v\"=-"},
      {RegistryValue{true, kRegDword, {0x78, 0x56, 0x34, 0x12}}, "\"v\"=dword:12345678"},
      // Text the quoted form would not carry exactly: a line break, a missing terminator.
      {text(kRegSz, u"a\nb"), "\"v\"=hex(1):61,00,0a,00,62,00,00,00"},
      {RegistryValue{true, kRegSz, {0x61, 0x00}}, "\"v\"=hex(1):61,00"},
  };
  for (const Case& c : cases) {
    const std::string file = RegistryUndoFile({{"Environment", "v", c.value}});
    ASSERT_EQ(file.substr(0, 2), "\xFF\xFE");
    std::u16string wide;
    for (std::size_t i = 2; i + 1 < file.size(); i += 2) {
      wide += static_cast<char16_t>(static_cast<std::uint8_t>(file[i]) |
                                    (static_cast<std::uint8_t>(file[i + 1]) << 8));
    }
    EXPECT_EQ(Utf16ToUtf8(wide), std::string("Windows Registry Editor Version 5.00\r\n\r\n") +
                                     "[HKEY_CURRENT_USER\\Environment]\r\n" + c.line + "\r\n\r\n");
  }
  // Long data wraps as the Registry Editor wraps it, and every key gets its own block.
  const std::string two = RegistryUndoFile({{"A", "x", text(kRegExpandSz, std::u16string(60, u'x'))},
                                            {"B", "y", RegistryValue{}}});
  std::string narrow;
  for (std::size_t i = 2; i < two.size(); i += 2) narrow += two[i];
  EXPECT_NE(narrow.find(",\\\r\n  78,00"), std::string::npos);
  EXPECT_NE(narrow.find("\r\n\r\n[HKEY_CURRENT_USER\\B]\r\n\"y\"=-\r\n"), std::string::npos);
}

// A new target root is the user's alone, as a profile folder is: owned by the user, a
// protected list (nothing inherited from the drive's root) of full control, inherited by
// everything below, for the user, SYSTEM and the Administrators group only.
TEST(FolderSecurity, PrivateToTheUser) {
  EXPECT_EQ(PrivateFolderSecurity("S-1-5-21-1-2-3-1001"),
            "O:S-1-5-21-1-2-3-1001D:P(A;OICI;FA;;;S-1-5-21-1-2-3-1001)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
}

}  // namespace
}  // namespace vestrand
