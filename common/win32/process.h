// Program folder and process start, UTF-16 throughout.
#pragma once

#include <string>

namespace morvane {

// The folder of the running executable, without a trailing backslash ("C:" for C:\update.exe).
std::wstring ProgramFolder();
// The file name of the running executable, without its folder.
std::wstring ProgramFileName();

// Starts `application` with `commandLine` (exactly as given) and the show state, without waiting
// for it to end: returns once it is ready for input or after 1000 ms. The executable is named
// explicitly, so a blank in its path can never make Windows start another program.
bool StartProcess(const std::wstring& application, const std::wstring& commandLine, int showState);

}  // namespace morvane
