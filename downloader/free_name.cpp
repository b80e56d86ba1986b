#include "downloader/free_name.h"

namespace morvane::download {

std::string NumberedName(std::string_view path, int number) {
  size_t nameStart = path.find_last_of("/\\");
  nameStart = nameStart == std::string_view::npos ? 0 : nameStart + 1;
  size_t dot = path.find('.', nameStart);
  if (dot == std::string_view::npos) dot = path.size();
  std::string result(path.substr(0, dot));
  result += "(" + std::to_string(number) + ")";
  result += path.substr(dot);
  return result;
}

}  // namespace morvane::download
