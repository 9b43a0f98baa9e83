// standin directory ..., standin account ...: make and inspect the machine's
// directory and its running account.
#include "platform/security/Sddl.h"
#include "standin/command/Commands.h"
#include "standin/directory/DirectoryAdmin.h"

#include <cstdio>

namespace vrel::standin {

namespace {

int fail(const std::string& error) {
  std::fprintf(stderr, "standin: %s\n", error.c_str());
  return 1;
}

// "--name VALUE" after the fixed arguments; empty when absent.
std::string option(const Args& a, std::size_t from, const char* name, bool& bad) {
  for (std::size_t i = from; i < a.size(); ++i) {
    if (a[i] != name) continue;
    if (i + 1 >= a.size()) bad = true;
    else return a[i + 1];
  }
  return {};
}


bool hexBytes(const std::string& text, Bytes& out) {
  if (text.size() % 2) return false;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    char* end = nullptr;
    const std::string two = text.substr(i, 2);
    const unsigned long v = std::strtoul(two.c_str(), &end, 16);
    if (*end) return false;
    out.push_back(static_cast<std::uint8_t>(v));
  }
  return true;
}

int show(DirectoryAdmin& admin, const std::string& name) {
  const auto o = admin.find(name);
  if (!o) return fail("no object " + name + " in the directory");
  std::string classes;
  for (const std::string& c : o->classes) classes += (classes.empty() ? "" : " ") + c;
  std::printf("dn: %s\nobjectGUID: %s\nobjectClass: %s\n", o->dn.c_str(), sec::guidBraced(o->guid).c_str(),
              classes.c_str());
  if (o->sid) std::printf("objectSid: %s\n", sec::sidString(*o->sid).c_str());
  if (!o->sam.empty()) std::printf("sAMAccountName: %s\n", o->sam.c_str());
  for (const sec::Guid& m : admin.store().members(o->guid))
    if (auto member = admin.store().byGuid(m)) std::printf("member: %s\n", member->dn.c_str());
  std::string sddl, error;
  if (admin.descriptorSddl(name, sddl, error)) std::printf("nTSecurityDescriptor: %s\n", sddl.c_str());
  else std::printf("nTSecurityDescriptor: (%s)\n", error.c_str());
  return 0;
}

}  // namespace

int cmdDirectory(const Args& a) {
  if (a.size() < 2) return usage("directory needs a sub-command");
  auto m = openMachine();
  if (!m) return 1;
  DirectoryAdmin admin(*m);
  const auto domain = admin.store().domain();
  if (!domain) return fail("the machine has no directory yet (standin provision makes one)");
  const std::string& sub = a[1];
  std::string error;
  bool bad = false;
  if (sub == "show" && a.size() == 3) return show(admin, a[2]);
  if (sub == "sddl" && a.size() == 3) {
    std::string sddl;
    if (!admin.descriptorSddl(a[2], sddl, error)) return fail(error);
    std::printf("%s\n", sddl.c_str());
    return 0;
  }
  if (sub == "list" && a.size() <= 3) {
    for (const DirObject& o : admin.store().subtree(a.size() == 3 ? a[2] : domain->defaultNamingContext))
      std::printf("%s\n", o.dn.c_str());
    return 0;
  }
  bool ok = false;
  if ((sub == "add-user" || sub == "add-group") && a.size() >= 3) {
    const std::string ou = option(a, 3, "--ou", bad);
    if (bad) return usage(sub + " --ou needs a DN");
    ok = sub == "add-user" ? admin.addUser(a[2], error, ou) : admin.addGroup(a[2], error, ou);
  } else if (sub == "add-member" && a.size() == 4) {
    ok = admin.addMember(a[2], a[3], error);
  } else if (sub == "add-mailstore" && a.size() >= 3) {
    const std::string guidText = option(a, 3, "--guid", bad);
    sec::Guid guid;
    if (bad || (!guidText.empty() && !sec::parseGuid(guidText, guid))) return usage("add-mailstore --guid needs a GUID");
    ok = admin.addMailStore(a[2], guid, error);
  } else if (sub == "add-object" && a.size() >= 4) {
    ok = admin.addObject(a[2], Args(a.begin() + 3, a.end()), error);
  } else if (sub == "grant" && (a.size() == 5 || (a.size() == 6 && a[5] == "--deny"))) {
    ok = admin.addRight(a[2], a[3], a[4], a.size() == 6, error);
  } else if (sub == "set-sddl" && a.size() == 4) {
    ok = admin.setSddl(a[2], a[3], error);
  } else if (sub == "set-descriptor" && a.size() == 4) {
    Bytes bytes;
    if (!hexBytes(a[3], bytes)) return usage("set-descriptor needs the bytes in hex");
    ok = admin.setDescriptorBytes(a[2], bytes, error);
  } else {
    return usage("bad directory command (see standin --help)");
  }
  return ok ? 0 : fail(error);
}

int cmdAccount(const Args& a) {
  auto m = openMachine();
  if (!m) return 1;
  std::string error;
  if (a.size() >= 3 && a[1] == "set" && (a.size() == 3 || (a.size() == 4 && a[3] == "--local-admin")))
    return setRunningAccount(*m, a[2], a.size() == 4, error) ? 0 : fail(error);
  if (a.size() == 2 && a[1] == "show") {
    sec::Token token;
    if (const std::uint32_t e = composeToken(*m, token))
      return fail("the running account " + runningAccount(*m) + " is not in the directory (error " + std::to_string(e) + ")");
    const auto domain = DirectoryStore(*m).domain();
    const sec::Sid* d = domain ? &domain->domainSid : nullptr;
    std::printf("account: %s\nuser: %s\n", runningAccount(*m).c_str(), sec::sidString(token.user).c_str());
    for (const sec::TokenGroup& g : token.groups)
      std::printf("group: %s (%s) %s\n", sec::sidString(g.sid).c_str(), sec::sddlSid(g.sid, d).c_str(),
                  g.attributes & sec::kGroupUseForDenyOnly ? "deny-only" : "enabled");
    return 0;
  }
  return usage("account needs set NAME [--local-admin] or show");
}

}  // namespace vrel::standin
