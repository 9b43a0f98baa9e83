// Reading back the answer of the rights tool, "RILO.OUT": one line per
// mail store, "store","1" when the account has its rights, "store","0"
// when it has not.
#pragma once

#include <string>

namespace vrel::restore {

// The failed-store list of RILO.OUT's text: each line of at least 8
// characters ending in "0" (in quotes) without its last four characters,
// followed by two CR LF pairs.
std::string failedStoreList(const std::string& riloOut);

}  // namespace vrel::restore
