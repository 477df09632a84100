// Decisions behind the host services that need no Windows to be made.
#ifndef VESTRAND_PLATFORM_HOSTSERVICES_H
#define VESTRAND_PLATFORM_HOSTSERVICES_H

#include <string>

namespace vestrand {

// Where a command line's program is taken from.
enum class ProgramSource {
  SearchPath,        // the system's usual search, starting beside the program
  SystemDirectory,   // e.g. C:\Windows\system32
  WindowsDirectory,  // e.g. C:\Windows
};

struct ProgramLocation {
  ProgramSource source = ProgramSource::SearchPath;
  std::string program;  // the command line's first token, as written
};

// The system programs the relocation starts are taken from the system's own folders (for
// a 32-bit Vestrand on 64-bit Windows, the native system folder), so that a namesake
// lying beside Vestrand.exe or in the current folder is never run.
// Everything else is left to the usual search.
ProgramLocation LocateProgram(const std::string& commandLine);

// `folder` and `name` joined by exactly one backslash.
std::string JoinPath(const std::string& folder, const std::string& name);

// The folder holding a module, from its full file name: no trailing backslash, except
// for a drive root, which keeps it ("C:\"), since "C:" alone means the current folder.
std::string ModuleFolder(const std::string& moduleFileName);

}  // namespace vestrand

#endif
