#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <type_traits>

#include "platform/SystemLibraries.h"
#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"

namespace vestrand {

namespace {

// The shell's dialog needs COM on this thread for as long as it is open. A thread that
// already has it keeps it; a failed start (another apartment model) is not undone.
class ComApartment {
 public:
  ComApartment() noexcept
      : result_(syslib::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) syslib::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT result_;
};

using UniqueItemIdList = UniqueCoTaskMem<std::remove_pointer_t<PIDLIST_ABSOLUTE>>;

// BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_STATUSTEXT
constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_STATUSTEXT;
static_assert(kBrowseFlags == 7, "the folder dialog's flags");

// `data` is the start folder, alive for the whole dialog (it belongs to BrowseFolder's frame).
int CALLBACK OnBrowseEvent(HWND dialog, UINT message, LPARAM param, LPARAM data) {
  if (message == BFFM_INITIALIZED) {
    ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
  } else if (message == BFFM_SELCHANGED) {
    // A virtual folder has no path: the status line then keeps what it showed.
    wchar_t path[MAX_PATH] = {};
    if (syslib::SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(param), path)) {
      ::SendMessageW(dialog, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
    }
  }
  return 0;
}

}  // namespace

std::string Win32Dialogs::BrowseFolder(const std::string& title, const std::string& startFolder) {
  const ComApartment com;
  const std::wstring wideTitle = Wide(title);
  const std::wstring start = Wide(startFolder);

  BROWSEINFOW info{};
  info.hwndOwner = Owner();
  info.pidlRoot = nullptr;
  info.pszDisplayName = nullptr;
  info.lpszTitle = wideTitle.c_str();
  info.ulFlags = kBrowseFlags;
  info.lpfn = OnBrowseEvent;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());

  const UniqueItemIdList chosen(syslib::SHBrowseForFolderW(&info));
  if (!chosen) return std::string();  // cancelled
  wchar_t path[MAX_PATH] = {};
  if (!syslib::SHGetPathFromIDListW(chosen.get(), path)) return std::string();
  return Narrow(path);
}

}  // namespace vestrand
