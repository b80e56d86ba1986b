// GBK and UTF-8 for the manifest tool: operators type UTF-8, the site serves GBK.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace morvane::manifest_tool {

// Nothing when the input is not valid UTF-8 or a character has no GBK form.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);

// One two-byte GBK character as UTF-8; nothing when the pair is no GBK character.
std::optional<std::string> GbkPairToUtf8(std::string_view pair);

// GBK for reading on a terminal: bytes that form no GBK character are shown as \xNN, control
// characters as \r, \n, \t or \xNN, so that nothing in a value stays invisible.
std::string GbkToUtf8Display(std::string_view gbk);

}  // namespace morvane::manifest_tool
