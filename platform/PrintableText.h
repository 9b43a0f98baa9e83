// Text from outside (a damaged file, a bad answer) quoted for a message or a
// log line, so the line stays one line of plain text whatever the input held.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vrel {

// Between quote characters: printable ASCII as it stands, any other byte as
// \xNN, cut after maxChars characters with "..." before the closing quote.
std::string printableQuote(std::string_view bytes, std::size_t maxChars = 60, char quote = '"');
// The same for UTF-16 text: units up to 0xFF as \xNN, above as \uNNNN.
std::string printableQuote(std::u16string_view text, std::size_t maxChars = 60, char quote = '"');

}  // namespace vrel
