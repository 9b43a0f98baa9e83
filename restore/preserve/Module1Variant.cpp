#include "restore/preserve/Module1.h"

#include "platform/Text.h"

#include <cmath>
#include <cstdlib>
#include <ostream>

namespace vrel::restore {

std::string RegVariant::asText() const {
  switch (m_v.index()) {
    case 1:
      return std::get<1>(m_v);
    case 2: {
      const Bytes& b = std::get<2>(m_v);
      return utf16leToUtf8(b.data(), b.size());
    }
    case 3:
      return std::to_string(std::get<3>(m_v));
    default:
      return {};
  }
}

const Bytes& RegVariant::bytes() const {
  static const Bytes kNone;
  return isBytes() ? std::get<2>(m_v) : kNone;
}

std::optional<std::int32_t> RegVariant::toLong() const {
  switch (m_v.index()) {
    case 0:
      return 0;
    case 3:
      return std::get<3>(m_v);
    case 1: {
      const std::string t = trim(std::get<1>(m_v));
      // strtod would also take hexadecimal and "inf"; VB's conversion does not.
      if (t.empty() || t.find_first_of("xXpPiInN") != std::string::npos) return std::nullopt;
      char* end = nullptr;
      const double d = std::strtod(t.c_str(), &end);
      if (end != t.c_str() + t.size() || !std::isfinite(d)) return std::nullopt;
      const double r = std::nearbyint(d);  // the default rounding mode: half to even
      if (r < -2147483648.0 || r > 2147483647.0) return std::nullopt;
      return static_cast<std::int32_t>(r);
    }
    default:
      return std::nullopt;
  }
}

void PrintTo(const RegVariant& v, std::ostream* os) {
  if (v.isEmpty())
    *os << "Empty";
  else if (v.isText())
    *os << "text \"" << v.asText() << '"';
  else if (v.isLong())
    *os << "long " << v.asText();
  else {
    *os << "bytes {";
    for (std::uint8_t b : v.bytes()) *os << ' ' << static_cast<int>(b);
    *os << " }";
  }
}

}  // namespace vrel::restore
