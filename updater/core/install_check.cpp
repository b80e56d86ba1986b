#include "updater/core/install_check.h"

namespace morvane::updater {
namespace {

uint32_t Le32(std::string_view bytes, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return v;
}

uint32_t Le16(std::string_view bytes, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

constexpr size_t kDosHeaderSize = 64;
constexpr size_t kLfanewOffset = 0x3C;
constexpr size_t kPeSignatureSize = 4;
constexpr size_t kFileHeaderSize = 20;
constexpr uint32_t kPe32Magic = 0x10B;
constexpr uint32_t kPe32PlusMagic = 0x20B;

}  // namespace

bool IsWindowsExecutable(std::string_view head, int64_t fileSize) {
  if (fileSize < 0 || head.size() < kDosHeaderSize || static_cast<uint64_t>(fileSize) < head.size()) return false;
  if (head[0] != 'M' || head[1] != 'Z') return false;
  const uint64_t peAt = Le32(head, kLfanewOffset);
  const uint64_t magicAt = peAt + kPeSignatureSize + kFileHeaderSize;
  if (peAt < kDosHeaderSize || magicAt + 2 > head.size()) return false;
  if (head.substr(static_cast<size_t>(peAt), kPeSignatureSize) != std::string_view("PE\0\0", 4)) return false;
  const uint32_t magic = Le16(head, static_cast<size_t>(magicAt));
  return magic == kPe32Magic || magic == kPe32PlusMagic;
}

bool ReadyToInstall(const TaskOutcome& outcome, std::string_view savePath, int64_t sizeOnDisk,
                    std::string_view head) {
  return outcome.result == TaskResult::kCompleted && !savePath.empty() && outcome.path == savePath &&
         outcome.length > 0 && outcome.received == outcome.length && sizeOnDisk == outcome.length &&
         IsWindowsExecutable(head, sizeOnDisk);
}

}  // namespace morvane::updater
