#include "manifest/text.h"

#include <cstring>

namespace morvane {

int64_t TextLength(std::string_view text) {
  size_t zero = text.find('\0');
  return static_cast<int64_t>(zero == std::string_view::npos ? text.size() : zero);
}

namespace {
// Texts end at their first zero byte, whatever the view's size says.
std::string_view AsText(std::string_view s) { return s.substr(0, static_cast<size_t>(TextLength(s))); }
}  // namespace

int64_t FindText(std::string_view text, std::string_view pattern) {
  text = AsText(text);
  pattern = AsText(pattern);
  if (pattern.empty()) return text.empty() ? -1 : 1;
  size_t position = 0;  // 0-based here, 1-based in the result
  size_t remaining = text.size();
  while (remaining >= pattern.size()) {
    if (std::memcmp(text.data() + position, pattern.data(), pattern.size()) == 0) {
      return static_cast<int64_t>(position) + 1;
    }
    if (static_cast<unsigned char>(text[position]) >= 0x80) {
      // First byte of a two-byte character: step over its second byte too.
      if (position + 1 >= text.size()) return -1;
      ++position;
      --remaining;
    }
    ++position;
    --remaining;
  }
  return -1;
}

Text MidText(std::string_view text, int64_t start, int64_t count) {
  text = AsText(text);
  const auto n = static_cast<int64_t>(text.size());
  if (start < 1 || start > n || count <= 0) return Text();
  const int64_t available = n - start + 1;
  return Text(text.substr(static_cast<size_t>(start - 1),
                          static_cast<size_t>(count < available ? count : available)));
}

Text BytesToText(std::string_view bytes) { return Text(AsText(bytes)); }

int CompareText(std::string_view left, std::string_view right) {
  left = AsText(left);
  right = AsText(right);
  const size_t common = left.size() < right.size() ? left.size() : right.size();
  for (size_t i = 0; i < common; ++i) {
    const auto l = static_cast<unsigned char>(left[i]);
    const auto r = static_cast<unsigned char>(right[i]);
    if (l != r) return l < r ? -1 : 1;
  }
  if (left.size() == right.size()) return 0;
  return left.size() < right.size() ? -1 : 1;
}

Text ConcatText(std::initializer_list<std::string_view> parts) {
  Text out;
  for (std::string_view part : parts) out += AsText(part);
  return out;
}

}  // namespace morvane
