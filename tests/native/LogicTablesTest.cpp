// Decision tables for the small pieces of portable logic, from path rules to the picture
// decoder, each against what Windows or an independent tool would make of the same input.
#include <gtest/gtest.h>

#include "fake/FakeServices.h"
#include "platform/CenteredMessageBox.h"
#include "platform/FolderSecurity.h"
#include "platform/HostServices.h"
#include "platform/RegistryData.h"
#include "platform/ShellFileOperations.h"
#include "platform/Text.h"
#include "relocation/FolderCatalogue.h"
#include "relocation/PathRules.h"
#include "relocation/RunRecord.h"
#include "relocation/SavedRegistry.h"
#include "ui/GifImage.h"
#include "ui/MainWindowLayout.h"
#include "ui/NoteText.h"

namespace vestrand {
namespace {

using namespace paths;

TEST(PathRules, AbsoluteUsableAndFolderName) {
  const struct {
    const char* path;
    bool absolute, usable;  // usable: every name in it one Windows accepts
    const char* folderName;
  } cases[] = {
      {"d:\\个人 文件\\2024", true, true, "2024"},
      {"\\\\nas\\home\\ann\\", true, true, ""},
      {"D:Personal", false, false, "D:Personal"},
      {"\\\\nas\\", false, false, ""},
      {" D:\\Personal", false, false, "Personal"},
      {"D:\\Personal ", true, false, "Personal "},
      {"D:\\Personal.\\x", true, false, "x"},
      {"D:\\a|b", true, false, "a|b"},
      {"D:\\a:b", true, false, "a:b"},
      {"\\\\\\share\\x", false, false, "x"},  // no server
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsAbsolutePath(c.path), c.absolute) << c.path;
    if (c.absolute) { EXPECT_EQ(HasUsableFolderNames(c.path), c.usable) << c.path; }
    EXPECT_EQ(FolderNameOf(c.path), c.folderName) << c.path;
  }
}

TEST(PathRules, InsideByWholeNamesWithoutCase) {
  const struct {
    const char *path, *folder;
    const char* below;  // the rest of the path below the folder; nullptr: not inside
  } cases[] = {
      {"c:\\DOCS\\my music\\", "C:\\docs\\", "\\my music"},
      {"C:\\Docs", "C:\\Docs\\", ""},
      {"C:\\Docs\\\\a\\b", "C:\\Docs", "\\a\\b"},
      {"C:\\Docs2\\a", "C:\\Docs", nullptr},
      {"C:\\Docs", "C:\\Docs\\a", nullptr},
      {"C:\\zoo\\x", "C:\\ZOO", "\\x"},
      {"\\\\nas\\home\\x", "\\\\NAS\\Home", "\\x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsSameOrInside(c.path, c.folder, fake::Upper), c.below != nullptr) << c.path << " in " << c.folder;
    if (c.below != nullptr) { EXPECT_EQ(RelativeBelow(c.path, c.folder), c.below) << c.path; }
  }
  EXPECT_EQ(ParentFolder("\\\\nas\\home"), "");  // a share's root has no parent
  EXPECT_EQ(DriveRootAware("D:"), "D:\\");       // "D:" alone is the drive's current folder
}

std::vector<std::uint8_t> Utf16Bytes(const std::u16string& s, bool terminator) {  // as the registry stores text
  std::vector<std::uint8_t> out;
  for (char16_t c : s) out.insert(out.end(), {std::uint8_t(c & 0xFF), std::uint8_t(c >> 8)});
  if (terminator) out.insert(out.end(), {0, 0});
  return out;
}

TEST(Text, Utf8AndUtf16) {
  for (const char* s : {"", "C:\\用户\\桌面", "Файлы ©", "emoji 😀 ok"}) EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(s)), s);
  EXPECT_EQ(Utf8ToUtf16("😀"), std::u16string(u"\xD83D\xDE00"));
  EXPECT_EQ(Utf16ToUtf8(u"\x0800"), "\xE0\xA0\x80");
  EXPECT_EQ(Utf8ToUtf16(std::string("a\xFF") + "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16(std::string("\xED\xA0\x80")), u"\xFFFD\xFFFD\xFFFD");  // a surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string(u"x\xD800y")), "x\xEF\xBF\xBDy");
  const std::pair<const char*, const char*> trims[] = {{"  a b  ", "a b"}, {"   ", ""}, {"\tx", "\tx"}};
  for (const auto& [in, out] : trims) EXPECT_EQ(TrimSpaces(in), out) << in;
}

TEST(RegistryFormat, ByTypeAndInTheUndoFile) {
  const struct {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    std::string text;
  } cases[] = {
      {kRegSz, Utf16Bytes(u"no terminator", false), "no terminator"},
      {kRegSz, Utf16Bytes(std::u16string(u"path\0\0", 6), true), "path"},
      {kRegMultiSz, Utf16Bytes(std::u16string(u"a\0b\0", 4), true), std::string("a\0b\0", 4)},
      {kRegBinary, {0x0A, 0x1B}, "0A 1B "},
      {kRegDword, {0x10, 0x01, 0, 0}, "272"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatRegistryData(c.type, c.data), c.text) << "type " << c.type;
  EXPECT_EQ(StringValueData("D:\\桌面"), Utf16Bytes(u"D:\\桌面", true));
  // The undo file as the Registry Editor reads it back: a line per value by kind, long data
  // wrapped as the Registry Editor wraps it, every key in its own block.
  const std::string file =
      RegistryUndoFile({{"A", "sz", RegistryValue{true, kRegSz, Utf16Bytes(u"D:\\W\\\"q\"", true)}},
                        {"A", "expand", RegistryValue{true, kRegExpandSz, Utf16Bytes(std::u16string(30, u'x'), true)}},
                        {"A", "none", RegistryValue{}},
                        {"A", "dword", RegistryValue{true, kRegDword, {0x78, 0x56, 0x34, 0x12}}},
                        // Text the quoted form would not carry exactly: a line break, a missing terminator.
                        {"A", "break", RegistryValue{true, kRegSz, Utf16Bytes(u"a\nb", true)}},
                        {"B", "cut", RegistryValue{true, kRegSz, {0x61, 0x00}}}});
  ASSERT_EQ(file.substr(0, 2), "\xFF\xFE");
  std::string narrow;
  for (std::size_t i = 2; i < file.size(); i += 2) narrow += file[i];
  EXPECT_EQ(narrow,
            "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n"
            "\"sz\"=\"D:\\\\W\\\\\\\"q\\\"\"\r\n"
            "\"expand\"=hex(2):78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,\\\r\n"
            "  00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,78,00,\\\r\n"
            "  78,00,78,00,78,00,78,00,78,00,78,00,78,00,00,00\r\n"
            "\"none\"=-\r\n\"dword\"=dword:12345678\r\n\"break\"=hex(1):61,00,0a,00,62,00,00,00\r\n\r\n"
            "[HKEY_CURRENT_USER\\B]\r\n\"cut\"=hex(1):61,00\r\n\r\n");
}

// A new target root is private as a profile is: nothing inherited, full control for the user, SYSTEM, Administrators.
TEST(FolderSecurity, PrivateToTheUser) {
  EXPECT_EQ(PrivateFolderSecurity("S-1-5-21-1-2-3-1001"),
            "O:S-1-5-21-1-2-3-1001D:P(A;OICI;FA;;;S-1-5-21-1-2-3-1001)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
}

TEST(Layout, GeometryAndFocusOrder) {
  EXPECT_EQ(PixelsToTwips(23, 120), 276);
  EXPECT_EQ(TwipsToPixels(270, 120), 23);                  // 22.5 rounds up
  const TwipsRect image = AbsoluteTwips(Control::Image1);  // inside Frame4 inside Frame1
  EXPECT_EQ(std::tie(image.left, image.top, image.width, image.height), std::make_tuple(4530, 1745, 1395, 480));
  // The whole focus order is shown end to end, in the real window; here its ends.
  EXPECT_EQ(ControlsInTabOrder().front(), Control::Frame1);
  EXPECT_EQ(ControlsInTabOrder().back(), Control::CkLogoff);
}

TEST(MessageBoxPosition, CentredOverTheMainWindowRoundingHalvesToEven) {
  const ScreenPoint down = CenteredPosition({100, 100, 601, 401}, {0, 0, 300, 120});  // 200.5, 190.5
  const ScreenPoint up = CenteredPosition({100, 100, 603, 403}, {0, 0, 300, 120});    // 201.5, 191.5
  EXPECT_EQ(std::make_tuple(down.x, down.y, up.x, up.y), std::make_tuple(200, 190, 202, 192));
}

TEST(SystemPrograms, TakenFromTheSystemsOwnFolders) {
  const struct {
    const char* commandLine;
    ProgramSource source;
  } cases[] = {
      {"TASKKILL.EXE /f /im explorer.exe", ProgramSource::SystemDirectory},
      {"Explorer.Exe\tD:\\x", ProgramSource::WindowsDirectory},
      {"C:\\Tools\\explorer.exe D:\\x", ProgramSource::SearchPath},
  };
  for (const auto& c : cases) EXPECT_EQ(LocateProgram(c.commandLine).source, c.source) << c.commandLine;
  EXPECT_EQ(JoinPath("C:\\", "explorer.exe"), "C:\\explorer.exe");
  EXPECT_EQ(ModuleFolder("C:\\Vestrand.exe"), "C:\\");
}

TEST(ShellRequests, ItemListsFoldersAndResults) {
  EXPECT_EQ(ShellItemList("D:\\W\\桌面"), std::u16string(u"D:\\W\\桌面\0", 8));  // and c_str's second NUL
  EXPECT_FALSE(ShellItemList(""));
  EXPECT_FALSE(ShellItemList(std::string("C:\\a\0C:\\b", 9)));
  EXPECT_EQ(DirectoryPrefixes("D:\\W\\Desktop"), (std::vector<std::string>{"D:\\", "D:\\W\\", "D:\\W\\Desktop\\"}));
}

TEST(Notes, InChineseWithTheProjectsAddressOnALineOfItsOwn) {
  EXPECT_TRUE(fake::Has(NoteText(), "\r\n如发现Bug，或者有什么建议，可以邮件到：feedback@vestrand.example\r\n"));
}

TEST(CatalogueNames, ValueNamesAreWindowsOwnAndEachTickBesideItsBox) {
  // Windows' own names, written here independently of the catalogue: the values under
  // Shell Folders / User Shell Folders, else the KNOWNFOLDERID (FOLDERID_...), and the environment's TEMP and TMP.
  // clang-format off
  const char* const names[] = {
      "Desktop", "Personal", "Favorites", "Cache", "Cookies", "TEMP",
      "{56784854-C6CB-462B-8169-88E350ACB882}", "{374DE290-123F-4565-9164-39C4925E467B}",  // Contacts, Downloads
      "{BFB9D5E0-C6A9-404C-B2B2-AE6DB6AF4968}", "{7D1D3A04-DEBB-4115-95CF-2F29DA2920DA}",  // Links, SavedSearches
      "My Video", "My Pictures", "My Music", "{4C5C32FF-BB9D-43B0-B5B4-2D72E54EAAA4}"};  // FOLDERID_SavedGames
  // clang-format on
  const char* const kSf = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  const char* const kUsf = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  ASSERT_EQ(std::size(names), FolderCatalogue().size());
  for (int k = 1; k <= kRowCount; ++k) {
    const FolderRow& r = CatalogueRow(k);
    const bool environment = std::string_view(names[k - 1]) == "TEMP";
    EXPECT_STREQ(r.firstWriteKey, environment ? "Environment" : kSf) << k;
    EXPECT_STREQ(r.secondWriteKey, environment ? "Environment" : kUsf) << k;
    EXPECT_STREQ(r.valueName, names[k - 1]) << k;
    EXPECT_STREQ(r.secondValueName, environment ? "TMP" : names[k - 1]) << k;
    EXPECT_EQ(AbsoluteTwips(CheckOf(k)).top, AbsoluteTwips(TextOf(k)).top) << "row " << k << "'s tick beside its box";
  }
}

std::vector<std::uint8_t> Bytes(const std::string& hex) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < hex.size(); i += 2) out.push_back(std::uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

// The picture decoder against ImageMagick's decoding of the same images: 7x9 interlaced with 4 colours (W, G, B:
// EF, 9F, 30 grey), and 4x2 with a colour table of its own instead of the file's and a transparent colour.
TEST(GifImage, MatchesAnIndependentDecoderAndRefusesDamagedData) {
  const auto interlaced = Bytes(
      "47494638396107000900F100003030309F9F9FEFEFEF00000021F904000000000021FF0B496D6167654D616769"
      "636B0E67616D6D613D302E343534353435002C000000000700090040020F942FA00BE1DFC4936CA1F372755515003B");
  const auto b = DecodeGif(interlaced.data(), interlaced.size()).value();  // throws, and fails, when refused
  EXPECT_EQ(std::make_pair(b.width, b.height), std::make_pair(7, 9));
  std::string letters;
  for (const auto p : b.pixels)
    letters += p == 0xFFEFEFEFu ? 'W' : p == 0xFF9F9F9Fu ? 'G' : p == 0xFF303030u ? 'B' : '?';
  EXPECT_EQ(letters, "WWWWWWWWWWWWWWGWGGGWGGGGGGGGGGGGGGBBBBBBGGBBBBBBBBBBBBBBBBBBBBB");
  auto transparent = Bytes("4749463839610400020070000021F90401000001002C000000000400020080FF00000000000203448E51003B");
  EXPECT_EQ(DecodeGif(transparent.data(), transparent.size()).value().pixels,
            (std::vector<std::uint32_t>{0xFFFF0000u, 0, 0, 0, 0, 0, 0, 0}));
  // Every truncation must come back cleanly, without reading past the data.
  for (std::size_t n = 0; n < interlaced.size() - 1; ++n) static_cast<void>(DecodeGif(interlaced.data(), n));
  transparent[6] = transparent[7] = 0xFF;  // 65535 wide
  EXPECT_FALSE(DecodeGif(transparent.data(), transparent.size()).has_value());
}

}  // namespace
}  // namespace vestrand
