// Hooks into GoogleTest's port layer. The distribution's GoogleTest implements its
// Notification with std::mutex, which the win32 thread model of mingw-w64 lacks;
// on Windows we provide it on a manual-reset event instead.
#ifndef VESTRAND_GTEST_CUSTOM_PORT_H
#define VESTRAND_GTEST_CUSTOM_PORT_H
#if defined(_WIN32) && defined(__MINGW32__)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {
class Notification {
 public:
  Notification() : event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { ::CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify() { ::SetEvent(event_); }
  void WaitForNotification() { ::WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};
}  // namespace testing::internal
#endif
#endif
