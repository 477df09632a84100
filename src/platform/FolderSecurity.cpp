#include "platform/FolderSecurity.h"

namespace vestrand {

std::string PrivateFolderSecurity(const std::string& userSid) {
  // OICI: inherited by files and folders; FA: full control; SY, BA: SYSTEM, Administrators.
  return "O:" + userSid + "D:P(A;OICI;FA;;;" + userSid + ")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
}

}  // namespace vestrand
