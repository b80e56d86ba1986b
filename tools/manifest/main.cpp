// morvane-manifest: writes and checks the site's update manifest (update.txt) with the same
// reading as the launcher and the updater.
//
//   morvane-manifest make --version V (--notes TEXT | --notes-file FILE) --address URL [--output FILE]
//   morvane-manifest check [FILE | -] [--current VERSION]
//
// Input and messages are UTF-8; the manifest is written in GBK. check exits 0 when the manifest
// is fine, 1 when it has warnings, 2 on errors; make exits 0 or 2.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "build_config.h"
#include "tools/manifest/check.h"
#include "tools/manifest/encoding.h"
#include "tools/manifest/make.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "common/win32/text_win32.h"
#endif

namespace morvane::manifest_tool {
namespace {

constexpr char kUsage[] =
    "usage: morvane-manifest make --version V (--notes TEXT | --notes-file FILE) --address URL [--output FILE]\n"
    "       morvane-manifest check [FILE | -] [--current VERSION]\n";

int Usage(const std::string& why) {
  std::cerr << "morvane-manifest: " << why << "\n" << kUsage;
  return 2;
}

bool ReadAll(const std::string& path, std::string* out) {
  if (path == "-") {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    out->assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return !std::cin.bad();
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

int Make(const std::vector<std::string>& args) {
  MakeInput input;
  std::string output, notesFile;
  bool haveVersion = false, haveNotes = false, haveAddress = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (i + 1 >= args.size()) return Usage("missing value after " + a);
    const std::string& v = args[++i];
    if (a == "--version") { input.version = v; haveVersion = true; }
    else if (a == "--notes") { input.notes = v; haveNotes = true; }
    else if (a == "--notes-file") { notesFile = v; haveNotes = true; }
    else if (a == "--address") { input.address = v; haveAddress = true; }
    else if (a == "--output") output = v;
    else return Usage("unknown option " + a);
  }
  if (!haveVersion || !haveNotes || !haveAddress) return Usage("make needs --version, --notes (or --notes-file) and --address");
  if (!notesFile.empty() && !ReadAll(notesFile, &input.notes)) {
    std::cerr << "morvane-manifest: cannot read " << notesFile << "\n";
    return 2;
  }
  const MakeResult r = MakeManifest(input);
  if (!r.ok) {
    std::cerr << "morvane-manifest: refused: " << r.error << "\n";
    return 2;
  }
  if (output.empty()) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::cout.write(r.manifest.data(), static_cast<std::streamsize>(r.manifest.size()));
    std::cout.flush();
    return std::cout ? 0 : 2;
  }
  // Written beside the target and renamed over it, so a failed write never leaves half a manifest.
  const std::string temp = output + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(r.manifest.data(), static_cast<std::streamsize>(r.manifest.size()));
    if (!out.flush()) {
      std::remove(temp.c_str());
      std::cerr << "morvane-manifest: cannot write " << temp << "\n";
      return 2;
    }
  }
#ifdef _WIN32
  const bool renamed = ::MoveFileExW(Utf8ToWide(temp).c_str(), Utf8ToWide(output).c_str(), MOVEFILE_REPLACE_EXISTING);
#else
  const bool renamed = std::rename(temp.c_str(), output.c_str()) == 0;
#endif
  if (!renamed) {
    std::remove(temp.c_str());
    std::cerr << "morvane-manifest: cannot write " << output << "\n";
    return 2;
  }
  std::cerr << "morvane-manifest: wrote " << output << " (" << r.manifest.size() << " bytes, GBK)\n";
  return 0;
}

int Check(const std::vector<std::string>& args) {
  std::string path = "-";
  std::string current = config::kCurrentVersion;
  bool havePath = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--current") {
      if (i + 1 >= args.size()) return Usage("missing value after --current");
      current = args[++i];
    } else if (!havePath) {
      path = args[i];
      havePath = true;
    } else {
      return Usage("unexpected argument " + args[i]);
    }
  }
  std::string file;
  if (!ReadAll(path, &file)) {
    std::cerr << "morvane-manifest: cannot read " << path << "\n";
    return 2;
  }
  const CheckReport r = CheckManifest(file, current);
  auto show = [](const Text& gbk) { return "\"" + GbkToUtf8Display(gbk) + "\""; };
  std::cout << "block:            "
            << (r.blockFound ? "found (" + std::to_string(r.fields.block.size()) + " bytes)" : std::string("not found"))
            << "\n"
            << "version:          " << show(r.fields.latestVersion) << "\n"
            << "release notes:    " << show(r.fields.releaseNotes) << "\n"
            << "download address: " << show(r.fields.downloadAddress) << "\n"
            << "a program of version \"" << current << "\" would update: " << (r.wouldUpdate ? "yes" : "no") << "\n";
  for (const Finding& f : r.findings) {
    std::cout << (f.severity == Severity::kError ? "error: " : "warning: ") << f.message << "\n";
  }
  const int status = r.ExitStatus();
  std::cout << (status == 0 ? "fine" : status == 1 ? "warnings" : "errors") << "\n";
  return status;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) return Usage("no verb given");
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "make") return Make(rest);
  if (args[0] == "check") return Check(rest);
  if (args[0] == "--help" || args[0] == "-h") {
    std::cout << kUsage;
    return 0;
  }
  return Usage("unknown verb " + args[0]);
}

}  // namespace
}  // namespace morvane::manifest_tool

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  ::SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(morvane::WideToUtf8(argv[i]));
  return morvane::manifest_tool::Run(args);
}
#else
int main(int argc, char** argv) {
  return morvane::manifest_tool::Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
