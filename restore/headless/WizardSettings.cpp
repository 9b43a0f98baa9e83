// The Domino wizard's lines of the answers file.
#include "restore/headless/HeadlessOptions.h"

#include "platform/PrintableText.h"
#include "platform/Text.h"

namespace vrel::restore {

bool WizardAnswers::given() const {
  return !remove.empty() || !keep.empty() || owner || afterMessage || exitDestination || afterGreetingHangUp ||
         userInputHangUp || exportFile;
}

bool parseWizardSetting(const std::string& key, const std::string& value, WizardAnswers& a, std::string& error) {
  const auto text = [&](std::optional<std::string>& field) {
    if (value.empty()) return error = key + " needs a value", false;
    field = value;
    return true;
  };
  const auto choice = [&](std::optional<bool>& field, const char* no, const char* yes) {
    if (iequals(value, no)) return field = false, true;
    if (iequals(value, yes)) return field = true, true;
    return error = key + " must be " + no + " or " + yes + ", not " + printableQuote(value, 60, '\''), false;
  };
  if (iequals(key, "domino-delete") || iequals(key, "domino-keep")) {
    if (value.empty()) return error = key + " needs an alias", false;
    (iequals(key, "domino-delete") ? a.remove : a.keep).push_back(value);
    return true;
  }
  if (iequals(key, "domino-owner")) return text(a.owner);
  if (iequals(key, "domino-after-message")) return text(a.afterMessage);
  if (iequals(key, "domino-exit-destination")) return text(a.exitDestination);
  if (iequals(key, "domino-after-greeting")) return choice(a.afterGreetingHangUp, "take-message", "hang-up");
  if (iequals(key, "domino-user-input")) return choice(a.userInputHangUp, "ignore", "hang-up");
  if (iequals(key, "domino-export")) return text(a.exportFile);
  if (iequals(key, "domino-export-password")) return text(a.exportPassword);
  error = "unknown key " + printableQuote(key, 60, '\'');
  return false;
}

}  // namespace vrel::restore
