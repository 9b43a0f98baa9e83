// The summary line of ExMerge's own log and the two counts in it:
//   [12/7/2026 14:05:09] 12 mailboxes successfully processed. 0 mailboxes were not processed.
// read as the VB code reads it, with InStr, Mid and Val, each step on its own
// so a line of another shape still gives what can be read.
#pragma once

#include <string>
#include <vector>

namespace vrel::restore {

// The next-to-last line of the log's text, as reading line by line to the
// end sees it (CR, LF and CR LF each end a line); empty for a file of one
// line.
std::string exMergeSummaryLine(const std::string& text);

struct ExMergeSummary {
  long restored = 0;
  long failed = 0;
  // Why a step that reads the first or the second count failed ("Invalid
  // procedure call or argument"), in order.
  std::vector<std::string> restoredErrors;
  std::vector<std::string> failedErrors;
};

ExMergeSummary readExMergeSummary(const std::string& line);

}  // namespace vrel::restore
