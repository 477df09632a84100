// GoogleTest's port hook. The distribution's GoogleTest builds its Notification on std::mutex,
// which mingw-w64's win32 thread model lacks; on Windows it waits on a manual-reset event instead.
#ifndef VESTRAND_GTEST_CUSTOM_PORT_H
#define VESTRAND_GTEST_CUSTOM_PORT_H
#if defined(_WIN32) && defined(__MINGW32__)
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
