#include "updater/core/titles.h"

#include <string>

#include "updater/core/texts.h"

namespace morvane::updater {

Text WaitingTitle(std::string_view currentVersion) {
  return ConcatText({kWaitingTitlePrefix, currentVersion});
}

Text UpToDateTitle(std::string_view currentVersion) {
  return ConcatText({kUpToDateHead, currentVersion, kUpToDateTail});
}

Text NewVersionTitle(std::string_view latestVersion) {
  return ConcatText({kNewVersionHead, latestVersion, kNewVersionTail});
}

ProgressTitleParts ProgressTitle(int64_t position) {
  std::string digits = std::to_string(position);
  return {Text(kProgressHead), ConcatText({kProgressMiddle, digits, "%"})};
}

}  // namespace morvane::updater
