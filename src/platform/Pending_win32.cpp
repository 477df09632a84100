// Provisional wrappers, to be replaced one by one by their own modules.
#include <windows.h>

#include "platform/Win32Services.h"
#include "platform/Win32Text.h"

namespace vestrand {

const wchar_t* const kDefaultMessageTitle = L"Vestrand";

void Win32FileSystem::MakeDirectory(const std::string&) {}
HostResult Win32FileSystem::SetFileAttributes(const std::string&, std::uint32_t) {
  return HostResult::Failure(ERROR_CALL_NOT_IMPLEMENTED);
}
int Win32FileSystem::ShellCopyFiles(const std::string&, const std::string&) { return -1; }
int Win32FileSystem::ShellMoveFiles(const std::string&, const std::string&) { return -1; }

HostResult Win32Host::StartCommand(const std::string&, int) {
  return HostResult::Failure(ERROR_CALL_NOT_IMPLEMENTED);
}
void Win32Host::Sleep(unsigned milliseconds) { ::Sleep(milliseconds); }
void Win32Host::SysLogoff() {}
std::string Win32Host::ProgramFolder() { return std::string(); }
void Win32Host::SetEnvironmentVariable(const std::string&, const std::string&) {}
void Win32Host::BroadcastEnvironmentChange() {}
void Win32Host::EndProgram() { ::ExitProcess(0); }

std::string Win32Dialogs::BrowseFolder(const std::string&, const std::string&) { return std::string(); }
void Win32Dialogs::MessageBox(const std::string& text, unsigned flags,
                              const std::optional<std::string>& title) {
  ::MessageBoxW(owner_, Wide(text).c_str(), title ? Wide(*title).c_str() : kDefaultMessageTitle, flags);
}
void Win32Dialogs::CenterMsgBox(const std::string& text, unsigned flags, const std::string& title) {
  MessageBox(text, flags, title);
}

}  // namespace vestrand
