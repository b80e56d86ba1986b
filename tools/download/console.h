// The few console facilities the tool needs, per system.
#pragma once

#include <string>
#include <vector>

namespace morvane::tools {

// The command-line arguments as UTF-8 (on Windows read as UTF-16 and converted).
std::vector<std::string> Utf8Arguments(int argc, char** argv);
bool StdoutIsTerminal();
// From now on Ctrl+C (or SIGTERM) only raises a flag that Interrupted() reads.
void StopOnInterrupt();
bool Interrupted();

}  // namespace morvane::tools
