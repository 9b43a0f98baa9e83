// standin provision, standin populate: install the stand-in server on the
// machine and fill it.
#include "standin/command/Commands.h"
#include "standin/server/Populate.h"
#include "standin/server/Provision.h"

#include <cstdio>
#include <cstdlib>

namespace vrel::standin {

namespace {

bool parseCount(const std::string& text, long long max, long long& out) {
  char* end = nullptr;
  out = std::strtoll(text.c_str(), &end, 10);
  return !text.empty() && end && *end == '\0' && out >= 0 && out <= max;
}

// Options after the sub-command into o; false with error on a bad one.
bool readProvisionOptions(const Args& a, ProvisionOptions& o, std::string& error) {
  for (std::size_t i = 1; i < a.size(); ++i) {
    const std::string& opt = a[i];
    if (opt == "--force") {
      o.force = true;
      continue;
    }
    if (i + 1 >= a.size()) {
      error = opt.rfind("--", 0) == 0 ? opt + " needs a value" : "unknown option " + opt;
      return false;
    }
    const std::string& v = a[++i];
    if (opt == "--computer") {
      o.computerName = v;
    } else if (opt == "--root") {
      o.installRoot = v;
    } else if (opt == "--version") {
      if (!parseServerVersion(v, o.version, error)) return false;
    } else if (opt == "--mailstore") {
      if (!parseMailStoreKind(v, o.mailStore)) {
        error = "bad mail store kind " + v + " (exchange55, exchange2000 or domino)";
        return false;
      }
    } else if (opt == "--language") {
      o.language = v;
    } else if (opt == "--failover") {
      if (v != "primary" && v != "secondary" && v != "none") {
        error = "bad failover role " + v + " (primary, secondary or none)";
        return false;
      }
      o.failover = v == "primary" ? FailoverRole::Primary : v == "secondary" ? FailoverRole::Secondary : FailoverRole::None;
    } else if (opt == "--installation-guid") {
      o.installationGuid = v;
    } else {
      error = "unknown option " + opt;
      return false;
    }
  }
  return true;
}

bool readPopulateOptions(const Args& a, PopulateOptions& o, std::string& error) {
  for (std::size_t i = 1; i < a.size(); ++i) {
    const std::string& opt = a[i];
    if (i + 1 >= a.size()) {
      error = opt.rfind("--", 0) == 0 ? opt + " needs a value" : "unknown option " + opt;
      return false;
    }
    const std::string& v = a[++i];
    long long n = 0;
    if (opt == "--subscribers") {
      if (!parseCount(v, kMaxPopulateSubscribers, n) || n < 1) {
        error = "bad number of subscribers " + v + " (1 to " + std::to_string(kMaxPopulateSubscribers) + ")";
        return false;
      }
      o.subscribers = static_cast<int>(n);
    } else if (opt == "--seed") {
      char* end = nullptr;
      o.seed = std::strtoull(v.c_str(), &end, 10);
      if (v.empty() || v[0] == '-' || !end || *end != '\0') {
        error = "bad seed " + v + " (a non-negative whole number)";
        return false;
      }
    } else if (opt == "--messages") {
      if (!parseCount(v, 1000, n)) {
        error = "bad number of messages " + v + " (0 to 1000)";
        return false;
      }
      o.maxMessagesPerMailbox = static_cast<int>(n);
    } else if (opt == "--admins") {
      if (v != "eadmin" && v != "both") {
        error = "bad --admins " + v + " (eadmin or both)";
        return false;
      }
      o.bothAdmins = v == "both";
    } else {
      error = "unknown option " + opt;
      return false;
    }
  }
  return true;
}

}  // namespace

int cmdProvision(const Args& a) {
  auto m = openMachine(true);
  if (!m) return 1;
  ProvisionOptions o;
  if (const std::string named = m->value("ComputerName"); !named.empty()) o.computerName = named;
  std::string error;
  if (!readProvisionOptions(a, o, error)) return usage(error);
  ProvisionResult r;
  if (!provisionServer(*m, o, r, error)) {
    std::fprintf(stderr, "standin: %s\n", error.c_str());
    return 1;
  }
  std::printf("provisioned %s: install root %s, version %s, mail store %s, system ID %s, installation %s\n",
              m->computerName().c_str(), r.installRoot.c_str(), serverVersionText(o.version).c_str(),
              mailStoreKindName(o.mailStore), r.systemId.c_str(), r.installationGuid.c_str());
  return 0;
}

int cmdPopulate(const Args& a) {
  PopulateOptions o;
  std::string error;
  if (!readPopulateOptions(a, o, error)) return usage(error);
  auto m = openMachine();
  if (!m) return 1;
  PopulateResult r;
  if (!populateServer(*m, o, r, error)) {
    std::fprintf(stderr, "standin: %s\n", error.c_str());
    return 1;
  }
  std::printf("populated: %d subscribers, %d call handlers, %d extensions, %d lists, %d stream files, %d messages\n",
              r.subscribers, r.callHandlers, r.extensions, r.lists, r.streamFiles, r.messages);
  return 0;
}

}  // namespace vrel::standin
