#include "tools/manifest/make.h"

#include "manifest/manifest.h"
#include "tools/manifest/check.h"
#include "tools/manifest/encoding.h"

namespace morvane::manifest_tool {
namespace {

MakeResult Refuse(std::string why) { return MakeResult{false, {}, std::move(why)}; }

// What a value must not contain, or the programs would cut it short or read another field in it.
std::string Forbidden(std::string_view gbk) {
  for (std::string_view piece : {kFieldEnd, kStartMarker, kEndMarker, kVersionLabel, kNotesLabel, kAddressLabel}) {
    if (gbk.find(piece) != std::string_view::npos) {
      return "\"" + GbkToUtf8Display(piece) + "\"";
    }
  }
  return {};
}

}  // namespace

MakeResult MakeManifest(const MakeInput& in) {
  if (in.version.empty()) return Refuse("the version is empty");
  for (unsigned char c : in.version) {
    if (c <= 0x20 || c >= 0x7F) {
      return Refuse("the version \"" + in.version + "\" must be printable ASCII without blanks or line " +
                    "breaks (a blank or line break makes every start find an update)");
    }
  }
  std::optional<std::string> notes = Utf8ToGbk(in.notes);
  if (!notes) return Refuse("the release notes are not UTF-8 or hold a character that GBK cannot write");
  if (notes->find('\0') != std::string::npos) return Refuse("the release notes hold a zero byte");
  for (unsigned char c : in.address) {
    if (c <= 0x20 || c >= 0x7F) {
      return Refuse("the address \"" + in.address + "\" must be printable ASCII without blanks (write a blank as %20)");
    }
  }
  for (const auto& [what, value] : {std::pair<const char*, std::string_view>{"version", in.version},
                                    {"release notes", *notes}, {"address", in.address}}) {
    const std::string bad = Forbidden(value);
    if (!bad.empty()) return Refuse(std::string("the ") + what + " holds " + bad + ", which the programs would misread");
  }

  const std::string crlf = "\r\n";
  const std::string manifest = std::string(kStartMarker) + crlf + std::string(kVersionLabel) + in.version +
                               std::string(kFieldEnd) + crlf + std::string(kNotesLabel) + *notes +
                               std::string(kFieldEnd) + crlf + std::string(kAddressLabel) + in.address +
                               std::string(kFieldEnd) + crlf + std::string(kEndMarker) + crlf;

  // The same reading as the programs': the manifest is written only if it reads back as meant.
  const CheckReport report = CheckManifest(manifest, "");
  for (const Finding& f : report.findings) {
    if (f.severity == Severity::kError) return Refuse(f.message);
  }
  if (report.fields.latestVersion != in.version || report.fields.releaseNotes != *notes ||
      report.fields.downloadAddress != in.address) {
    return Refuse("the manifest would not read back as given (a value contains bytes the programs misread)");
  }
  return MakeResult{true, manifest, {}};
}

}  // namespace morvane::manifest_tool
