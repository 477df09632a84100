// The Win32 layer against Wine's real registry, file system, shell, processes and windows.
#include <windows.h>

#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cwctype>
#include <optional>

#include "platform/Win32Services.h"
#include "platform/Win32Text.h"
#include "support/WinTestSupport.h"
#include "ui/MainWindow.h"
#include "ui/ResourcePicture.h"

namespace vestrand {
namespace {

using namespace tests;

// Each type read as text; writes make the key path and store one terminated text; what was
// read whole is put back exactly after one: type and bytes, or no value at all.
TEST(Registry, ReadsWritesAndRestoresExactly) {
  const std::string key = "Software\\VestrandTest";
  ::SHDeleteKeyW(HKEY_CURRENT_USER, Wide(key).c_str());
  std::wstring longPath = L"C:\\";  // longer than the first buffer
  while (longPath.size() < 3000) longPath += L"长目录名称\\";
  const std::uint32_t kUntouched = 77;  // a type no read may leave behind
  const struct {
    std::string key, name;
    std::optional<std::uint32_t> type;  // none: no value, and the type read is left as it was
    std::wstring text;                  // stored with its terminator
    std::string read;
  } rows[] = {{key, "expand", REG_EXPAND_SZ, L"%SystemRoot%\\x", Narrow(Expand(L"%SystemRoot%\\x"))},
              {key, "spaces", REG_SZ, L"  D:\\个人\\😀 Фото  ", "D:\\个人\\😀 Фото"},
              {key, "long", REG_SZ, longPath, Narrow(longPath)},
              {key + "\\a\\b", "x", std::nullopt, L"", ""}};
  Win32Registry registry;
  for (const auto& r : rows) {
    const auto* text = reinterpret_cast<const std::uint8_t*>(r.text.c_str());
    const std::vector<std::uint8_t> bytes(text, text + (r.type ? r.text.size() + 1 : 0) * sizeof(wchar_t));
    if (r.type) SetRaw(Wide(r.key), Wide(r.name), *r.type, bytes.data(), static_cast<DWORD>(bytes.size()));
    std::uint32_t type = kUntouched;
    EXPECT_EQ(registry.RegReadValue(kHkeyCurrentUser, r.key, r.name, type), r.read) << r.name;
    EXPECT_EQ(type, r.type.value_or(kUntouched)) << r.name;
    const RegistryValue saved = registry.RegReadRaw(kHkeyCurrentUser, r.key, r.name).value();
    EXPECT_EQ(saved.exists, r.type.has_value()) << r.name;
    EXPECT_EQ(saved.data, bytes) << r.name;
    EXPECT_TRUE(registry.RegWriteValue(kHkeyCurrentUser, r.key, r.name, "D:\\新位置", kRegSz)) << r.name;
    const RegistryValue written = registry.RegReadRaw(kHkeyCurrentUser, r.key, r.name).value();
    EXPECT_EQ(written.type, static_cast<std::uint32_t>(REG_SZ)) << r.name;
    EXPECT_EQ(written.data.size(), 7 * sizeof(wchar_t)) << r.name;  // one terminator
    EXPECT_EQ(ReadValue(Wide(r.key), Wide(r.name)), L"D:\\新位置") << r.name;
    EXPECT_TRUE(registry.RegRestoreValue(kHkeyCurrentUser, r.key, r.name, saved)) << r.name;
    const RegistryValue back = registry.RegReadRaw(kHkeyCurrentUser, r.key, r.name).value();
    EXPECT_EQ(back.exists, saved.exists) << r.name;
    EXPECT_EQ(back.type, saved.type) << r.name;
    EXPECT_EQ(back.data, bytes) << r.name;
  }
}

// Runs a Unix program on Windows paths until `done`. Wine 8 makes no junctions, but shows a Unix symbolic link
// as a folder: the tests link with ln, and remove trees with rm, which does not follow links.
template <typename F>
bool RunUnix(std::wstring command, std::initializer_list<std::wstring> paths, F done) {
  for (std::wstring path : paths) {
    std::replace(path.begin(), path.end(), L'\\', L'/');
    command += L" \"" + Expand(L"%WINEPREFIX%/dosdevices/") + wchar_t(std::towlower(path[0])) + path.substr(1) + L"\"";
  }
  return Win32Host().StartCommand("Z:\\bin\\" + Narrow(command), kShowMinimized).ok && WaitUntil(10000, done);
}

// The run's own changes to the target. (The shell's carrying, onto a folder of the same name too: end to end.)
TEST(Files, TheRunsOwnChanges) {
  const std::wstring d = L"D:\\vestrand-svc-files";
  ASSERT_TRUE(RunUnix(L"rm -rf", {d}, [&] { return !PathExists(d); }));
  ASSERT_TRUE(CreateDirectories(d));
  Win32FileSystem files;
  // A new target root is made private, the user still writing the undo file into it (which list: natively).
  const std::string root = Narrow(d), undo = root + "\\Vestrand-还原-20261206-153000.reg";
  EXPECT_TRUE(files.ProtectPrivateFolder(root));
  // The undo file and the record never replace a file.
  EXPECT_TRUE(files.WriteNewFile(undo, std::string("\xFF\xFE\0\0", 4)));
  EXPECT_FALSE(files.WriteNewFile(undo, "second"));
  EXPECT_FALSE(files.WriteNewFile(root + "\\missing\\x.txt", "x"));
  EXPECT_EQ(ReadFile(Wide(undo)), std::string("\xFF\xFE\0\0", 4));
  EXPECT_TRUE(files.SetFileAttributes(undo, FILE_ATTRIBUTE_READONLY).ok);
  EXPECT_NE(files.GetFileAttributes(undo) & FILE_ATTRIBUTE_READONLY, 0u);
  // The target's own desktop.ini, put back after the shell's copy: hidden, it stays so.
  const std::string ini = root + "\\desktop.ini";
  const DWORD kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  ASSERT_TRUE(files.WriteNewFile(ini, "[.ShellClassInfo] the shell's") &&
              files.SetFileAttributes(ini, kHiddenSystem).ok);
  EXPECT_TRUE(files.OverwriteFile(ini, "[its own]"));
  EXPECT_EQ(ReadFile(Wide(ini)), "[its own]");
  EXPECT_EQ(files.GetFileAttributes(ini) & kHiddenSystem, kHiddenSystem);
  EXPECT_FALSE(files.RemoveEmptyDirectory(root));  // not empty
  EXPECT_TRUE(CreateDirectories(d + L"\\e") && files.RemoveEmptyDirectory(root + "\\e"));
  EXPECT_FALSE(PathExists(d + L"\\e"));
}

// Two names are one file exactly when their keys are equal, as Wine's file system (which folds as NTFS
// does) finds a file made under one name by the other. Texts longer than a path take another way.
TEST(Files, NameKeysFoldAsTheFileSystem) {
  const struct {
    std::string a, b;
    bool one;
  } rows[] = {{"łódź.jpg", "Łódź.jpg", true},
              {"ǆ", "Ǆ", true},
              {"ệ", "Ệ", true},
              {"ⅰ", "Ⅰ", true},
              {"ⓐ", "Ⓐ", true},
              {"αβγ", "ΑΒΓ", true},
              {"я", "Я", true},
              {"ß", "SS", false},
              {"ı", "I", false},
              {"i", "İ", false},
              {std::string(600, 'a') + "\\Łódź", std::string(600, 'A') + "\\łÓDŹ", true}};
  for (const auto& r : rows) {
    EXPECT_EQ(Win32FileSystem().NameKey(r.a) == Win32FileSystem().NameKey(r.b), r.one) << r.a << " " << r.b;
    const std::wstring a = L"C:\\vestrand-svc-names\\" + Wide(r.a), b = L"C:\\vestrand-svc-names\\" + Wide(r.b);
    if (r.a.size() > 255 || !WriteFile(a, "x")) continue;
    EXPECT_EQ(PathExists(b), r.one) << r.a << " " << r.b;
    ::DeleteFileW(a.c_str());
  }
}

// Through links, what a carry would meet: each file once, though a link leads back up; with its last write.
TEST(Files, ListsThroughLinksEachFolderOnce) {
  const std::wstring root = L"C:\\vestrand-svc-links", target = root + L"\\T", elsewhere = root + L"\\E";
  const auto removed = [&] { return !PathExists(root); };  // rm's last step
  ASSERT_TRUE(!PathExists(root) || RunUnix(L"rm -rf", {root}, removed));
  ASSERT_TRUE(WriteFile(target + L"\\sub\\own.txt", "own") && WriteFile(elsewhere + L"\\far.txt", "far!"));
  for (const auto& [link, to] :
       {std::pair{target + L"\\link", elsewhere}, {target + L"\\again", elsewhere}, {target + L"\\sub\\up", target}}) {
    if (!RunUnix(L"ln -s", {to, link}, [&] { return IsDirectory(link); })) GTEST_SKIP() << "no links here";
  }
  std::multiset<std::string> seen;
  for (const FileEntry& e : Win32FileSystem().ListFilesThroughLinks(Narrow(target))) {
    seen.insert(e.relativePath.substr(e.relativePath.rfind('\\') + 1) + " " + std::to_string(e.size) + " " +
                std::to_string(e.lastWrite != 0));
  }
  EXPECT_EQ(seen, (std::multiset<std::string>{"far.txt 4 1", "own.txt 3 1"}));
  EXPECT_TRUE(RunUnix(L"rm -rf", {root}, removed));  // other walks would not end
}

// The volume of a path, also of one not made yet (Wine's are NTFS, 4 KiB clusters). A file is in use when its
// holder shares less than the carry needs: reading for a copy, also deleting for a move. (Wine names no holder.)
TEST(Files, VolumesAndFilesInUse) {
  const struct {
    std::string path, facts;
  } volumes[] = {{"C:\\", "NTFS acls 4096"},
                 {"C:\\vestrand-no-such\\deeper\\x.txt", "NTFS acls 4096"},
                 {"D:", "NTFS acls 4096"},
                 {"Q:\\no drive", "unknown"}};
  Win32FileSystem files;
  for (const auto& r : volumes) {
    const std::optional<VolumeFacts> f = files.VolumeFactsOf(r.path);
    EXPECT_EQ(f ? f->fileSystem + (f->persistentAcls ? " acls " : " ") + std::to_string(f->clusterBytes) : "unknown",
              r.facts);
  }
  const std::wstring file = L"C:\\vestrand-svc-held\\邮件.pst";
  ASSERT_TRUE(WriteFile(file, "mail"));
  const DWORD kEverything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const struct {
    std::optional<DWORD> holderShares;  // none: no holder
    bool inUseForCopy, inUseForMove;
  } uses[] = {
      {std::nullopt, false, false}, {0, true, true}, {FILE_SHARE_READ, false, true}, {kEverything, false, false}};
  for (const auto& r : uses) {
    const UniqueFileHandle holder(::CreateFileW(r.holderShares ? file.c_str() : L"", GENERIC_READ | GENERIC_WRITE,
                                                r.holderShares.value_or(0), nullptr, OPEN_EXISTING, 0, nullptr));
    const std::vector<std::string> paths = {"C:\\vestrand-svc-held\\gone.txt", Narrow(file)};  // the second held
    const auto held = [&](bool forMove) { return files.FilesInUse(paths, forMove) == std::vector<std::size_t>{1}; };
    EXPECT_EQ(held(false), r.inUseForCopy) << r.holderShares.value_or(kEverything);
    EXPECT_EQ(held(true), r.inUseForMove) << r.holderShares.value_or(kEverything);
    EXPECT_TRUE(r.holderShares || files.ProgramsHolding(Narrow(file)).empty());
  }
}

// The sync roots of this user, registered in the 64-bit view or named by the OneDrive variables; the client
// named plainly or by its id; each folder once; other users' folders left out. And the real version.
TEST(Host, SyncRootsAndRealVersion) {
  std::string sid;
  ASSERT_TRUE(CurrentUserSid(sid));
  const std::wstring manager = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\SyncRootManager\\";
  const struct {
    std::wstring client, sid, name, folder;  // a client's key "<client>!<sid>!Personal", its name, the folder
  } rows[] = {{L"VestrandCloud", Wide(sid), L"Vestrand 云盘", L"C:\\同步\\Vestrand\\"},
              {L"VestrandBox", Wide(sid), L"@C:\\Box\\box.dll,-100", L"%SystemDrive%\\Box"},
              {L"VestrandOther", L"S-1-5-21-1-2-3-1001", L"Other", L"C:\\Other"}};
  const auto key = [&](const auto& r) { return manager + r.client + L"!" + r.sid + L"!Personal"; };
  for (const auto& r : rows) {
    SetTextValue(key(r), L"DisplayNameResource", r.name, REG_EXPAND_SZ, HKEY_LOCAL_MACHINE);
    SetTextValue(key(r) + L"\\UserSyncRoots", r.sid, r.folder, REG_EXPAND_SZ, HKEY_LOCAL_MACHINE);
  }
  ::SetEnvironmentVariableW(L"OneDrive", L"c:\\同步\\VESTRAND");
  ::SetEnvironmentVariableW(L"OneDriveCommercial", L"C:\\Users\\Ann\\OneDrive - Contoso");
  ::SetEnvironmentVariableW(L"OneDriveConsumer", L"D:\\OneDrive\\");
  std::multiset<std::pair<std::string, std::string>> roots;  // folder, client
  for (const SyncRoot& root : Win32Host().SyncRoots()) roots.emplace(root.folder, root.client);
  for (const auto& r : rows) ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, key(r).c_str());
  for (const wchar_t* v : {L"OneDrive", L"OneDriveConsumer", L"OneDriveCommercial"})
    ::SetEnvironmentVariableW(v, nullptr);
  EXPECT_EQ(roots,
            (std::multiset<std::pair<std::string, std::string>>{{"C:\\Box", "VestrandBox"},
                                                                {"C:\\同步\\Vestrand", "Vestrand 云盘"},
                                                                {"C:\\Users\\Ann\\OneDrive - Contoso", "OneDrive"},
                                                                {"D:\\OneDrive", "OneDrive"}}));
  EXPECT_EQ(Win32Host().RealWindowsVersion(), "6.1.7601");  // what Wine's default prefix runs as
}

// The started program sees the environment set before. Windows that answer the news of it slowly (busy, not
// yet counted as hung) must not hold a run up: the program tells them, but waits only a few seconds in all.
TEST(Host, StartCommandAndEnvironment) {
  Win32Host host;
  const std::wstring marker = L"C:\\vestrand-svc-env.txt";
  ::DeleteFileW(marker.c_str());
  host.SetEnvironmentVariable("VESTRAND_SVC_PROBE", "D:\\Win7User\\Temp Files");
  ASSERT_TRUE(host.StartCommand("cmd.exe /c echo [%VESTRAND_SVC_PROBE%]> " + Narrow(marker), kShowMinimized).ok);
  EXPECT_TRUE(WaitUntil(30000, [&] { return ReadFile(marker) == "[D:\\Win7User\\Temp Files]\r\n"; }));
  EXPECT_EQ(host.StartCommand("vestrand-no-such-program.exe /x", kShowNormal).error,
            static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  std::atomic<int> ready{0};
  const auto busy = [](void* count) WINAPI -> DWORD {
    const UniqueWindow w(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr));
    ++*static_cast<std::atomic<int>*>(count);
    ::Sleep(4000);  // handles no messages meanwhile
    return 0;
  };
  std::vector<UniqueHandle> threads(4);
  for (UniqueHandle& t : threads) t.reset(::CreateThread(nullptr, 0, busy, &ready, 0, nullptr));
  ASSERT_TRUE(WaitUntil(10000, [&] { return ready == 4; }));
  const DWORD start = ::GetTickCount();
  host.BroadcastEnvironmentChange();
  EXPECT_LT(::GetTickCount() - start, 3000u) << "each slow window would cost up to two seconds";
  for (UniqueHandle& t : threads) ::WaitForSingleObject(t.get(), 10000);
}

// The tips come with the mouse. A path box's tip is its whole text, and only when that does not fit.
// A double click on a path box reaches the program as that box's event. The picture shown is found and read.
TEST(Windows, TipsDoubleClicksAndPicture) {
  MainWindow form;
  ASSERT_TRUE(form.Create(::GetModuleHandleW(nullptr)));
  ::SendMessageW(form.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form.ControlHandle(Control::Text15)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  HWND tips = nullptr;  // the one tooltip window the main window owns
  while ((tips = ::FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr)) != nullptr &&
         ::GetWindow(tips, GW_OWNER) != form.Handle()) {}
  ASSERT_NE(tips, nullptr);
  const char* const longPath = "C:\\Users\\用户\\AppData\\Local\\Microsoft\\Windows\\INetCache\\IE";
  form.SetText(Control::Text4, longPath);
  form.SetText(Control::Text1, "D:\\桌面");
  for (const auto& [control, tip] : {std::pair{Control::Text15, "双击本框体浏览目标路径……"},
                                     {Control::Label1, "浏览目标路径……"},
                                     {Control::Text4, longPath},
                                     {Control::Text1, ""}}) {
    wchar_t buffer[512] = {};
    const auto id = reinterpret_cast<UINT_PTR>(form.ControlHandle(control));
    TTTOOLINFOW tool{TTTOOLINFOW_V2_SIZE, 0, form.Handle(), id, RECT(), nullptr, buffer, 0, nullptr};
    ::SendMessageW(tips, TTM_GETTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(Narrow(buffer), tip) << static_cast<int>(control);
  }
  std::vector<std::pair<Control, FormEvent>> events;
  form.onFormEvent = [&events](Control c, FormEvent e) { events.emplace_back(c, e); };
  ::SendMessageW(form.ControlHandle(Control::Text4), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  EXPECT_EQ(std::count(events.begin(), events.end(), std::pair{Control::Text4, FormEvent::DoubleClick}), 1);
  ::DestroyWindow(form.Handle());
  const std::wstring program = Wide(Win32Host().ProgramFolder()) + L"\\Vestrand.exe";
  const HMODULE exe = ::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr) << "Vestrand.exe must be built beside the tests";
  EXPECT_TRUE(ResourcePicture().Load(exe, kPictureResourceId));
  ::FreeLibrary(exe);
}

// A namesake of the system's program beside this one, where the usual search looks first, does not stand in for
// it. The watcher, told that the program ended while the shell is down, starts one shell: none when the run said
// the shell is back, none when one runs. Only its own command line makes the program a watcher.
TEST(Host, SystemProgramAndShellWatcher) {
  const std::wstring trap = Wide(Win32Host().ProgramFolder()) + L"\\taskkill.exe";
  ASSERT_TRUE(WriteFile(trap, "not a program"));
  const WinResult ended = Win32Host().StartCommand("taskkill.exe /f /im explorer.exe", kShowMinimized);
  ::DeleteFileW(trap.c_str());
  ASSERT_TRUE(ended.ok) << ended.error;
  ASSERT_TRUE(WaitUntil(10000, [] { return Processes(L"explorer.exe").empty(); }));
  const struct {
    const char* name;
    bool back;
    std::size_t shells;
  } rows[] = {{"the run brought the shell back", true, 0}, {"no shell", false, 1}, {"a shell runs", false, 1}};
  int code = -1;
  for (const auto& r : rows) {
    std::wstring line = L"\"C:\\a b\\Vestrand.exe\" --vestrand-shell-watch";  // it takes the two events over
    for (const bool set : {true, r.back}) {
      line += L" " + std::to_wstring(reinterpret_cast<std::uintptr_t>(::CreateEventW(nullptr, TRUE, set, nullptr)));
    }
    EXPECT_TRUE(RunAsShellWatcher(line.c_str(), code) && code == 0) << r.name;
    EXPECT_EQ(Processes(L"explorer.exe").size(), r.shells) << r.name;
  }
  for (const wchar_t* other : {L"Vestrand.exe", L"Vestrand --vestrand-shell-watch 4", L"a --vestrand-shell-watch"}) {
    EXPECT_FALSE(RunAsShellWatcher(other, code)) << Narrow(other);
  }
  for (DWORD pid : Processes(L"explorer.exe")) EndProcess(pid);
}

}  // namespace
}  // namespace vestrand
