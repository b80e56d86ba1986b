#include "updater/core/script.h"

#include <string>

namespace morvane::updater {
namespace {

std::string DoublePercent(std::string_view folder) {
  std::string out;
  out.reserve(folder.size());
  for (char c : folder) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

}  // namespace

Text ReplacementScript(std::string_view folder, uint32_t processId) {
  const std::string dir = DoublePercent(folder);
  const std::string pid = std::to_string(processId);
  return ConcatText({"@echo off\r\n",
                     "taskkill /pid ", pid, " /f\r\n",
                     "del \"", dir, "\\morvane.exe\"\r\n",
                     "ren \"", dir, "\\morvane.bak\" \"morvane.exe\"\r\n",
                     "call \"", dir, "\\morvane.exe\"\r\n",
                     "del %0"});
}

}  // namespace morvane::updater
