// The registry wrappers against Wine's real registry.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"
#include "support/WinTestSupport.h"

namespace vestrand {
namespace {

const char* const kScratch = "Software\\VestrandTest\\Registry";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\VestrandTest"); }
  void TearDown() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\VestrandTest"); }

  static void Put(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    tests::SetRaw(Wide(kScratch), name, type, data, size);
  }
  static void PutText(const wchar_t* name, DWORD type, const std::wstring& text) {
    tests::SetValue(Wide(kScratch), name, text, type);
  }

  Win32Registry registry;
};

TEST_F(RegistryTest, ReadsEachTypeAsText) {
  std::wstring longPath = L"C:\\";  // longer than the first buffer
  while (longPath.size() < 3000) longPath += L"长目录名称\\";
  PutText(L"expand", REG_EXPAND_SZ, L"%USERPROFILE%\\Desktop");
  PutText(L"spaces", REG_SZ, L"  C:\\Some Path  ");
  const DWORD zero = 0, all = 0xFFFFFFFFu;
  Put(L"dword0", REG_DWORD, &zero, 4);
  Put(L"dwordmax", REG_DWORD, &all, 4);
  const BYTE bin[] = {0x0A, 0x1B}, be[] = {0, 0, 0, 1}, qword[8] = {1};
  Put(L"binary", REG_BINARY, bin, 2);
  Put(L"binaryempty", REG_BINARY, nullptr, 0);
  Put(L"bigendian", REG_DWORD_BIG_ENDIAN, be, 4);
  Put(L"qword", REG_QWORD, qword, 8);
  PutText(L"chinese", REG_SZ, L"D:\\个人\\桌面");
  PutText(L"emoji", REG_SZ, L"D:\\Files\\\U0001F600 Фото");
  PutText(L"long", REG_SZ, longPath);
  wchar_t profile[MAX_PATH] = {};
  ::ExpandEnvironmentStringsW(L"%USERPROFILE%", profile, MAX_PATH);

  const struct {
    const char* key;
    const char* name;
    std::string expected;
    std::uint32_t type;  // 77: kept as it was
  } cases[] = {
      {kScratch, "expand", Narrow(profile) + "\\Desktop", REG_EXPAND_SZ},
      {kScratch, "spaces", "C:\\Some Path", REG_SZ},
      {kScratch, "dword0", "0", REG_DWORD},
      {kScratch, "dwordmax", "4294967295", REG_DWORD},
      {kScratch, "binary", "0A 1B", REG_BINARY},
      {kScratch, "binaryempty", "", REG_BINARY},
      {kScratch, "bigendian", "", REG_DWORD_BIG_ENDIAN},
      {kScratch, "qword", "", REG_QWORD},
      {kScratch, "chinese", "D:\\个人\\桌面", REG_SZ},
      {kScratch, "emoji", "D:\\Files\\😀 Фото", REG_SZ},
      {kScratch, "long", Narrow(longPath), REG_SZ},
      {kScratch, "absent", "", 77},
      {"Software\\VestrandTest\\Nowhere", "x", "", 77},
  };
  for (const auto& c : cases) {
    std::uint32_t type = 77;
    EXPECT_EQ(registry.RegReadValue(kHkeyCurrentUser, c.key, c.name, type), c.expected) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
  }
}

TEST_F(RegistryTest, WritesCreateTheKeyPathAndOverwrite) {
  const std::string deep = std::string(kScratch) + "\\a\\b\\c";
  EXPECT_TRUE(registry.RegWriteValue(kHkeyCurrentUser, deep, "Desktop", "D:\\Win7User\\Desktop", kRegSz));
  EXPECT_TRUE(registry.RegWriteValue(kHkeyCurrentUser, deep, "Desktop", "D:\\新位置\\桌面", kRegSz));
  EXPECT_FALSE(registry.RegWriteValue(kHkeyCurrentUser, kScratch, "n", "5", kRegDword));  // text only
  // Stored as one REG_SZ value of UTF-16 text with exactly one terminator.
  UniqueHKey key;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(deep).c_str(), 0, KEY_READ, key.put()), ERROR_SUCCESS);
  DWORD values = 0, size = 0, type = 0;
  ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
  EXPECT_EQ(values, 1u);
  wchar_t data[64] = {};
  size = sizeof data;
  ASSERT_EQ(::RegQueryValueExW(key.get(), L"Desktop", nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(Narrow(data), "D:\\新位置\\桌面");
  EXPECT_EQ(size, (std::wstring(L"D:\\新位置\\桌面").size() + 1) * sizeof(wchar_t));
}

// What is read whole is put back exactly: type and bytes, or no value at all.
TEST_F(RegistryTest, RawReadAndRestoreRoundTrip) {
  PutText(L"Expand", REG_EXPAND_SZ, L"%USERPROFILE%\\文档");
  const DWORD number = 7;
  Put(L"Number", REG_DWORD, &number, sizeof number);
  for (const char* name : {"Expand", "Number", "Missing"}) {
    const auto saved = registry.RegReadRaw(kHkeyCurrentUser, kScratch, name);
    ASSERT_TRUE(saved.has_value()) << name;
    EXPECT_EQ(saved->exists, std::string(name) != "Missing") << name;
    EXPECT_TRUE(registry.RegWriteValue(kHkeyCurrentUser, kScratch, name, "D:\\W\\x", kRegSz));
    EXPECT_TRUE(registry.RegRestoreValue(kHkeyCurrentUser, kScratch, name, *saved)) << name;
    const auto back = registry.RegReadRaw(kHkeyCurrentUser, kScratch, name);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->exists, saved->exists) << name;
    EXPECT_EQ(back->type, saved->type) << name;
    EXPECT_EQ(back->data, saved->data) << name;
  }
  const auto noKey = registry.RegReadRaw(kHkeyCurrentUser, std::string(kScratch) + "\\none", "x");
  ASSERT_TRUE(noKey.has_value());
  EXPECT_FALSE(noKey->exists);
}

}  // namespace
}  // namespace vestrand
