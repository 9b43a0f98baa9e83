#include "dirsync/DirSyncStrings.h"

#include <map>
#include <stdexcept>

namespace vrel::dirsync {

namespace {

constexpr std::size_t kMaxLength = 1200;

const std::map<int, std::string>& table() {
  static const std::map<int, std::string> strings = {
      {kErrorPrefix, "(error):"},
      {kInFormLoad, ") in procedure Form_Load of Form frmMain"},
      {kInLogInfo, ") in procedure synker_LogInfo of Form Form1"},
      {kErrorsFrame, "Errors Encountered"},
      {kProgressFrame, "Progress"},
      {kFormCaption, "Orvix Directory Syncronization"},
      {kOf, "of"},
  };
  return strings;
}

}  // namespace

std::string myLoadResString(int id) {
  const auto it = table().find(id);
  if (it == table().end()) throw std::out_of_range("Resource with identifier '" + std::to_string(id) + "' not found");
  return it->second.substr(0, kMaxLength);
}

}  // namespace vrel::dirsync
