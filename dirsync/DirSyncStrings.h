// The syncher's string table (language 1033) and its lookup by ID.
#pragma once

#include <string>

namespace vrel::dirsync {

enum StringId : int {
  kErrorPrefix = 10000,      // "(error):"
  kInFormLoad = 10001,       // ") in procedure Form_Load of Form frmMain"
  kInLogInfo = 10002,        // ") in procedure synker_LogInfo of Form Form1"
  kErrorsFrame = 10003,
  kProgressFrame = 10004,
  kFormCaption = 10005,
  kOf = 10006,
};

// The string with that ID, at most 1,200 characters. Throws
// std::out_of_range for an ID the table lacks.
std::string myLoadResString(int id);

}  // namespace vrel::dirsync
