// The registry and directory wrappers against Wine's real registry and file system.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"

namespace vestrand {
namespace {

const char* const kScratch = "Software\\VestrandTest\\Registry";
const wchar_t* const kScratchW = L"Software\\VestrandTest\\Registry";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\VestrandTest"); }
  void TearDown() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\VestrandTest"); }

  static void Put(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    UniqueHKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kScratchW, 0, nullptr, 0, KEY_WRITE, nullptr,
                                key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }
  static void PutText(const wchar_t* name, DWORD type, const std::wstring& text) {
    Put(name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  std::string Read(const std::string& name, std::uint32_t& type) {
    return registry.RegReadValue(kHkeyCurrentUser, kScratch, name, type);
  }

  Win32Registry registry;
};

TEST_F(RegistryTest, ReadsEachTypeAsText) {
  wchar_t profile[MAX_PATH] = {};
  ::ExpandEnvironmentStringsW(L"%USERPROFILE%", profile, MAX_PATH);
  PutText(L"expand", REG_EXPAND_SZ, L"%USERPROFILE%\\Desktop");
  PutText(L"spaces", REG_SZ, L"  C:\\Some Path  ");
  const DWORD zero = 0, all = 0xFFFFFFFFu;
  Put(L"dword0", REG_DWORD, &zero, 4);
  Put(L"dwordmax", REG_DWORD, &all, 4);
  const BYTE bin[] = {0x0A, 0x1B};
  Put(L"binary", REG_BINARY, bin, 2);
  Put(L"binaryempty", REG_BINARY, nullptr, 0);
  const BYTE be[] = {0, 0, 0, 1};
  Put(L"bigendian", REG_DWORD_BIG_ENDIAN, be, 4);
  const BYTE qword[8] = {1};
  Put(L"qword", REG_QWORD, qword, 8);
  PutText(L"chinese", REG_SZ, L"D:\\个人\\桌面");
  PutText(L"emoji", REG_SZ, L"D:\\Files\\\U0001F600 Фото");

  struct Case {
    const char* name;
    std::string expected;
    std::uint32_t type;
  };
  const Case cases[] = {
      {"expand", Narrow(profile) + "\\Desktop", REG_EXPAND_SZ},
      {"spaces", "C:\\Some Path", REG_SZ},
      {"dword0", "0", REG_DWORD},
      {"dwordmax", "4294967295", REG_DWORD},
      {"binary", "0A 1B", REG_BINARY},
      {"binaryempty", "", REG_BINARY},
      {"bigendian", "", REG_DWORD_BIG_ENDIAN},
      {"qword", "", REG_QWORD},
      {"chinese", "D:\\个人\\桌面", REG_SZ},
      {"emoji", "D:\\Files\\😀 Фото", REG_SZ},
  };
  for (const Case& c : cases) {
    std::uint32_t type = 0;
    EXPECT_EQ(Read(c.name, type), c.expected) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
  }
}

TEST_F(RegistryTest, MissingKeyOrValueReadsEmptyAndKeepsTheType) {
  PutText(L"present", REG_SZ, L"x");
  std::uint32_t type = 0;
  EXPECT_EQ(Read("absent", type), "");
  EXPECT_EQ(type, 0u);
  type = 77;
  EXPECT_EQ(registry.RegReadValue(kHkeyCurrentUser, "Software\\VestrandTest\\Nowhere", "x", type), "");
  EXPECT_EQ(type, 77u);
}

TEST_F(RegistryTest, ValueLongerThanTheFirstBufferIsReadWhole) {
  std::wstring longPath = L"C:\\";
  while (longPath.size() < 3000) longPath += L"长目录名称\\";
  PutText(L"long", REG_SZ, longPath);
  std::uint32_t type = 0;
  EXPECT_EQ(Read("long", type), Narrow(longPath.substr(0, longPath.size())));
}

TEST_F(RegistryTest, WritesCreateTheKeyPathAndOverwrite) {
  const std::string deep = std::string(kScratch) + "\\a\\b\\c";
  EXPECT_TRUE(registry.RegWriteValue(kHkeyCurrentUser, deep, "Desktop", "D:\\Win7User\\Desktop", kRegSz));
  EXPECT_TRUE(registry.RegWriteValue(kHkeyCurrentUser, deep, "Desktop", "D:\\新位置\\桌面", kRegSz));
  std::uint32_t type = 0;
  EXPECT_EQ(registry.RegReadValue(kHkeyCurrentUser, deep, "Desktop", type), "D:\\新位置\\桌面");
  EXPECT_EQ(type, static_cast<std::uint32_t>(REG_SZ));

  // Stored as one value of UTF-16 text with exactly one terminator.
  UniqueHKey key;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(deep).c_str(), 0, KEY_READ, key.put()), ERROR_SUCCESS);
  DWORD values = 0;
  ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                     nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(values, 1u);
  DWORD size = 0;
  ASSERT_EQ(::RegQueryValueExW(key.get(), L"Desktop", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
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

TEST_F(RegistryTest, RefusesToStoreNonText) {
  EXPECT_FALSE(registry.RegWriteValue(kHkeyCurrentUser, kScratch, "n", "5", kRegDword));
}

TEST(DirExistsTest, OnlyExistingDirectories) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring dir = std::wstring(temp) + L"vestrand 目录测试";
  ::CreateDirectoryW(dir.c_str(), nullptr);
  const std::wstring file = dir + L"\\file.txt";
  {
    UniqueFileHandle f(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(f);
  }
  Win32FileSystem fs;
  struct Case {
    std::string path;
    bool expected;
  };
  const Case cases[] = {
      {Narrow(dir), true},
      {Narrow(dir) + "\\", true},
      {Narrow(file), false},
      {Narrow(dir) + "\\missing", false},
      {"C:\\", true},
      {"", false},
      {"Q:\\", false},
  };
  for (const Case& c : cases) EXPECT_EQ(fs.DirExists(c.path), c.expected) << c.path;
  ::DeleteFileW(file.c_str());
  ::RemoveDirectoryW(dir.c_str());
}

TEST(OsVersionQueryTest, ReportsWhatWindowsSays) {
  Win32Host host;
  const RawOsVersion raw = host.QueryOsVersion();
  ASSERT_TRUE(raw.queried);
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  ASSERT_TRUE(::GetVersionExW(&info));
  EXPECT_EQ(raw.majorVersion, info.dwMajorVersion);
  EXPECT_EQ(raw.minorVersion, info.dwMinorVersion);
  EXPECT_EQ(raw.platformId, 2u);
  EXPECT_EQ(host.GetDriveType("C:"), static_cast<unsigned>(DRIVE_FIXED));
  EXPECT_EQ(host.GetDriveType("Q:"), static_cast<unsigned>(DRIVE_NO_ROOT_DIR));
}

}  // namespace
}  // namespace vestrand
