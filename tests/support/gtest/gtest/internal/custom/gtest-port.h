// GoogleTest's port hook. The distribution's GoogleTest builds its Notification on std::mutex,
// which mingw-w64's win32 thread model lacks; on Windows it waits on a manual-reset event instead.
#ifndef VESTRAND_GTEST_CUSTOM_PORT_H
#define VESTRAND_GTEST_CUSTOM_PORT_H
#if defined(_WIN32) && defined(__MINGW32__)
#include "platform/Win32Handles.h"

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {
class Notification {
 public:
  void Notify() { ::SetEvent(event_.get()); }
  void WaitForNotification() { ::WaitForSingleObject(event_.get(), INFINITE); }

 private:
  vestrand::UniqueHandle event_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};
}  // namespace testing::internal
#endif
#endif
