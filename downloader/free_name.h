// The names tried when the target file already exists: "name(1).ext" up to "name(99).ext".
#pragma once

#include <string>
#include <string_view>

namespace morvane::download {

inline constexpr int kLastNumberedName = 99;

// `path` with "(number)" inserted before the first "." of its file name (the part after the last
// "/" or "\"), or appended when the file name has no ".".
std::string NumberedName(std::string_view path, int number);

}  // namespace morvane::download
