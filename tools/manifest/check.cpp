#include "tools/manifest/check.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "downloader/address.h"
#include "tools/manifest/encoding.h"

namespace morvane::manifest_tool {
namespace {

struct Label {
  std::string_view gbk;        // the label as the programs look for it
  std::string_view asciiColon; // the same label typed with an ASCII colon
  const char* name;            // UTF-8, for messages
};

// "最新版:V", "更新说明:", "下载地址:" with the ASCII colon instead of the full-width one.
const Label kVersion{kVersionLabel, "\xD7\xEE\xD0\xC2\xB0\xE6:V", "\xE6\x9C\x80\xE6\x96\xB0\xE7\x89\x88\xEF\xBC\x9AV"};
const Label kNotes{kNotesLabel, "\xB8\xFC\xD0\xC2\xCB\xB5\xC3\xF7:", "\xE6\x9B\xB4\xE6\x96\xB0\xE8\xAF\xB4\xE6\x98\x8E\xEF\xBC\x9A"};
const Label kAddress{kAddressLabel, "\xCF\xC2\xD4\xD8\xB5\xD8\xD6\xB7:", "\xE4\xB8\x8B\xE8\xBD\xBD\xE5\x9C\xB0\xE5\x9D\x80\xEF\xBC\x9A"};

// The markers as they look in a file saved as UTF-8: "开始", "结束".
constexpr std::string_view kUtf8Start = "////\xE5\xBC\x80\xE5\xA7\x8B";
constexpr std::string_view kUtf8End = "////\xE7\xBB\x93\xE6\x9D\x9F";

std::string Quote(std::string_view gbk) { return "\"" + GbkToUtf8Display(gbk) + "\""; }

size_t Count(std::string_view haystack, std::string_view needle) {
  size_t n = 0;
  for (size_t at = haystack.find(needle); at != std::string_view::npos; at = haystack.find(needle, at + 1)) ++n;
  return n;
}

// Dotted decimal numbers ("0.10" -> {0, 10}); nothing for any other form.
std::optional<std::vector<unsigned long>> Numbers(std::string_view v) {
  std::vector<unsigned long> parts;
  unsigned long cur = 0;
  bool digit = false;
  for (char c : v) {
    if (c >= '0' && c <= '9') {
      if (cur > 100000000UL) return std::nullopt;
      cur = cur * 10 + static_cast<unsigned long>(c - '0');
      digit = true;
    } else if (c == '.' && digit) {
      parts.push_back(cur);
      cur = 0;
      digit = false;
    } else {
      return std::nullopt;
    }
  }
  if (!digit) return std::nullopt;
  parts.push_back(cur);
  return parts;
}

int CompareNumbers(std::vector<unsigned long> a, std::vector<unsigned long> b) {
  while (a.size() < b.size()) a.push_back(0);
  while (b.size() < a.size()) b.push_back(0);
  return a < b ? -1 : (a == b ? 0 : 1);
}

class Checker {
 public:
  Checker(std::string_view file, std::string_view current) : file_(file), current_(current) {}

  CheckReport Run() {
    report_.fields = ReadManifest(file_);
    CheckEncoding();
    CheckMarkers();
    const ManifestFields& f = report_.fields;
    report_.wouldUpdate = IsNewerVersion(f.latestVersion, current_);
    CheckField(kVersion, f.latestVersion, true);
    CheckField(kNotes, f.releaseNotes, false);
    CheckField(kAddress, f.downloadAddress, true);
    CheckVersion();
    CheckAddress();
    return std::move(report_);
  }

 private:
  void Error(std::string m) { report_.findings.push_back({Severity::kError, std::move(m)}); }
  void Warn(std::string m) { report_.findings.push_back({Severity::kWarning, std::move(m)}); }

  void CheckEncoding() {
    const std::string_view f = file_;
    if (f.substr(0, 2) == "\xFF\xFE" || f.substr(0, 2) == "\xFE\xFF" ||
        (f.size() >= 2 && f.find('\0') != std::string_view::npos && Count(f, std::string_view("\0", 1)) * 4 >= f.size())) {
      Error("the file is stored as UTF-16: the programs read no block from it; save it as GBK");
    } else if (f.substr(0, 3) == "\xEF\xBB\xBF" || f.find(kUtf8Start) != std::string_view::npos ||
               f.find(kUtf8End) != std::string_view::npos) {
      Error("the file is stored as UTF-8: the programs read no block from it; save it as GBK");
    } else if (f.find('\0') != std::string_view::npos) {
      Warn("the file holds a zero byte: the programs ignore everything from it on");
    }
  }

  void CheckMarkers() {
    const Text text = BytesToText(file_);
    const int64_t start = FindText(text, kStartMarker);
    if (start < 0) {
      if (text.find(kStartMarker) != std::string::npos) {
        Error("the start marker \"////开始\" follows an unpaired byte of 0x80 or above, so the programs do not see it");
      } else {
        Error("no start marker \"////开始\": the programs then read from byte 7 of the file on");
      }
    }
    const Text tail = start < 0 ? Text() : MidText(text, start + TextLength(kStartMarker), TextLength(text));
    if (start >= 0 && FindText(tail, kEndMarker) < 0) {
      Error("no end marker \"////结束\" after the start marker: the programs read no block");
    }
    report_.blockFound = start >= 0 && FindText(tail, kEndMarker) >= 0;
    if (report_.blockFound && report_.fields.block.empty()) Error("the block between the markers is empty");
    if (Count(text, kStartMarker) > 1) Warn("the start marker stands more than once: only the first block is read");
  }

  void CheckField(const Label& label, const Text& value, bool required) {
    const Text& block = report_.fields.block;
    if (block.empty()) return;
    const std::string name = label.name;
    const int64_t at = FindText(block, label.gbk);
    if (at < 0) {
      std::string why = "the label \"" + name + "\" is missing";
      if (block.find(label.gbk) != std::string::npos) {
        why = "the label \"" + name + "\" follows an unpaired byte of 0x80 or above, so the programs do not see it";
      } else if (block.find(label.asciiColon) != std::string::npos) {
        why = "the label \"" + name + "\" is written with an ASCII colon; the programs need the full-width one (：)";
      }
      why += value.empty() ? "" : "; the programs read " + Quote(value) + " in its place";
      required ? Error(why) : Warn(why);
      return;
    }
    const Text after = MidText(block, at + TextLength(label.gbk), TextLength(block));
    if (FindText(after, kFieldEnd) < 0) {
      std::string why = "no \"</p>\" after the label \"" + name + "\": the programs read it as empty";
      required ? Error(why) : Warn(why);
    }
    for (const Label* other : {&kVersion, &kNotes, &kAddress}) {
      if (other != &label && value.find(other->gbk) != std::string::npos) {
        std::string why = "the value of \"" + name + "\" runs on into the label \"" + other->name +
                          "\": a \"</p>\" is missing after it, or the value holds that label";
        required ? Error(why) : Warn(why);
        break;
      }
    }
    if (Count(block, label.gbk) > 1) {
      Warn("the label \"" + name + "\" stands more than once in the block: the programs take the first");
    }
  }

  void CheckVersion() {
    const Text& v = report_.fields.latestVersion;
    if (report_.fields.block.empty()) return;
    if (v.empty()) {
      Error("the version is empty: no program will ever update");
      return;
    }
    for (unsigned char c : v) {
      if (c <= 0x20 || c == 0x7F) {
        Error("the version " + Quote(v) + " holds a blank, a line break or a control character: it " +
              "compares greater than the version it stands for, so every start would find an update " +
              "(an endless update loop)");
        break;
      }
    }
    const auto latestNumbers = Numbers(v);
    const auto currentNumbers = Numbers(current_);
    if (latestNumbers && currentNumbers) {
      const int asNumber = CompareNumbers(*latestNumbers, *currentNumbers);
      const int asText = CompareText(v, current_);
      if (asNumber > 0 && asText <= 0) {
        Warn("the version " + Quote(v) + " is higher than " + Quote(current_) + " as a number but not as " +
             "text; the programs compare text, so they will not update (write it so that it also sorts " +
             "higher byte by byte)");
      } else if (asNumber <= 0 && asText > 0) {
        Warn("the version " + Quote(v) + " is not higher than " + Quote(current_) + " as a number but is " +
             "as text; the programs compare text, so they will update");
      }
    }
  }

  void CheckAddress() {
    const Text& a = report_.fields.downloadAddress;
    if (report_.fields.block.empty() || FindText(report_.fields.block, kAddressLabel) < 0) return;
    if (a.empty()) {
      const Text& block = report_.fields.block;
      const Text after = MidText(block, FindText(block, kAddressLabel) + TextLength(kAddressLabel), TextLength(block));
      if (FindText(after, kFieldEnd) >= 0) Error("the download address is empty: the updater cannot download anything");
      return;
    }
    std::string lower;
    for (char c : a.substr(0, 8)) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto parsed = download::ParseAddress(a);
    if (lower.rfind("https://", 0) == 0) {
      Error("the download address " + Quote(a) + " is https: the updater's downloader takes http only");
    } else if (!parsed) {
      Error("the updater's downloader refuses the address " + Quote(a) +
            " (it needs http://host/path: a scheme it takes, a host, and a \"/\" after the host)");
    } else if (parsed->scheme != "http") {
      Error("the download address " + Quote(a) + " uses " + parsed->scheme +
            ": the updater's downloader transfers http only");
    } else if (a.find(' ') != std::string::npos) {
      Warn("the download address " + Quote(a) + " holds blanks: they are sent as %20");
    }
  }

  std::string_view file_;
  std::string_view current_;
  CheckReport report_;
};

}  // namespace

int CheckReport::ExitStatus() const {
  int status = 0;
  for (const Finding& f : findings) status = std::max(status, f.severity == Severity::kError ? 2 : 1);
  return status;
}

CheckReport CheckManifest(std::string_view file, std::string_view currentVersion) {
  return Checker(file, currentVersion).Run();
}

}  // namespace morvane::manifest_tool
