#include "platform/PrintableText.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <type_traits>

namespace vrel {

namespace {

template <typename Unit>
std::string quoteUnits(std::basic_string_view<Unit> text, std::size_t maxChars, char quote) {
  std::string out(1, quote);
  const std::size_t shown = std::min(text.size(), maxChars);
  for (std::size_t i = 0; i < shown; ++i) {
    const auto u = static_cast<unsigned>(static_cast<std::make_unsigned_t<Unit>>(text[i]));
    if (u >= 0x20 && u < 0x7F) {
      out += static_cast<char>(u);
      continue;
    }
    char buf[8];
    if (u > 0xFF) std::snprintf(buf, sizeof buf, "\\u%04X", u);
    else std::snprintf(buf, sizeof buf, "\\x%02X", u);
    out += buf;
  }
  if (shown < text.size()) out += "...";
  return out + quote;
}

}  // namespace

std::string printableQuote(std::string_view bytes, std::size_t maxChars, char quote) {
  return quoteUnits(bytes, maxChars, quote);
}

std::string printableQuote(std::u16string_view text, std::size_t maxChars, char quote) {
  return quoteUnits(text, maxChars, quote);
}

}  // namespace vrel
