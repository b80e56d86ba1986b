#include <signal.h>
#include <unistd.h>

#include "tools/download/console.h"

namespace morvane::tools {
namespace {
volatile sig_atomic_t gInterrupted = 0;
void OnSignal(int) { gInterrupted = 1; }
}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

void StopOnInterrupt() {
  struct sigaction action{};
  action.sa_handler = OnSignal;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() { return gInterrupted != 0; }

}  // namespace morvane::tools
