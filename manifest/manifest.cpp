#include "manifest/manifest.h"

namespace morvane {

Text TextBetween(std::string_view source, std::string_view startMarker, std::string_view endMarker) {
  const int64_t n = TextLength(source);
  // A missing start marker (-1) is used as it is: the tail then begins at byte
  // length(startMarker) - 1, which the manifests in the field rely on.
  const int64_t p = FindText(source, startMarker);
  const int64_t s = p + TextLength(startMarker);
  const Text tail = MidText(source, s, n);
  const int64_t q = FindText(tail, endMarker);
  return MidText(tail, 1, q - 1);
}

bool IsNewerVersion(std::string_view latest, std::string_view current) {
  return CompareText(latest, current) == 1;
}

ManifestFields ReadManifest(std::string_view fetched) {
  ManifestFields f;
  f.block = TextBetween(fetched, kStartMarker, kEndMarker);
  f.latestVersion = TextBetween(f.block, kVersionLabel, kFieldEnd);
  f.releaseNotes = TextBetween(f.block, kNotesLabel, kFieldEnd);
  f.downloadAddress = TextBetween(f.block, kAddressLabel, kFieldEnd);
  return f;
}

}  // namespace morvane
