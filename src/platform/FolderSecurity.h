// The protection a relocated folder keeps: on the system drive a profile folder is the
// user's alone, while a data drive's root lets every local user read what lies below it.
#ifndef VESTRAND_PLATFORM_FOLDERSECURITY_H
#define VESTRAND_PLATFORM_FOLDERSECURITY_H

#include <string>

namespace vestrand {

// A security descriptor (in the system's descriptor language) that makes the user the
// owner and gives full control to the user, SYSTEM and the Administrators group alone,
// inherited by every file and folder below; protected, so that nothing of the drive's
// own list comes through.
std::string PrivateFolderSecurity(const std::string& userSid);

}  // namespace vestrand

#endif
