// The replacement script bat.bat: six lines, CR LF between them and none after the last.
//
//   @echo off
//   taskkill /pid <updater's process id> /f
//   del "<folder>\morvane.exe"
//   ren "<folder>\morvane.bak" "morvane.exe"
//   call "<folder>\morvane.exe"
//   del %0
//
// Line 2 ends this updater only, by its process id, never every process that happens to share
// its file name. The folder stands in double quotes, so blanks and parentheses are safe; a "%" in
// it is doubled, because cmd expands "%" inside quotes too.
#pragma once

#include <cstdint>
#include <string_view>

#include "manifest/text.h"

namespace morvane::updater {

// `folder` is the program folder without a trailing backslash, already in the code page cmd
// reads the script in. Its bytes are copied as they are apart from the doubling of "%" (in GBK
// the byte 0x25 is never the second byte of a character, so this cannot split one).
Text ReplacementScript(std::string_view folder, uint32_t processId);

}  // namespace morvane::updater
