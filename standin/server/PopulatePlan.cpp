#include "standin/server/PopulatePlan.h"

#include "platform/Text.h"
#include "standin/server/ObjectReferences.h"
#include "standin/server/ProvisionFiles.h"
#include "standin/server/ProvisionIdentity.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>

namespace vrel::standin {

using data::Variant;

namespace {

// splitmix64: the same numbers on every platform and library.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : m_state(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  int below(int n) { return n <= 1 ? 0 : static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
  bool chance(int percent) { return below(100) < percent; }

 private:
  std::uint64_t m_state;
};

constexpr const char* kFirstNames[] = {"John",  "Jane",   "Owen",  "Maria", "Ahmed", "Li",    "Priya",
                                       "Sven",  "Chloe",  "Diego", "Amara", "Kenji", "Nora",  "Pavel",
                                       "Ruth",  "Tomas",  "Ines",  "Yusuf", "Grace", "Hugo"};
constexpr const char* kLastNames[] = {"Smith",  "Okafor", "Novak", "Garcia", "Tanaka", "Muller", "Rossi",
                                      "Dubois", "Khan",   "Berg",  "Silva",  "Wong",   "Kowalski", "Haddad",
                                      "Larsen", "Moreau", "Patel", "Fischer", "Ibarra", "Quinn"};

struct Destination {
  std::string id;
  int type;  // kDestinationSubscriber or kDestinationCallHandler
};

struct Sub {
  std::string id, alias, first, last, handlerId, extension;
  std::string display() const { return first + " " + last; }
};

class Planner {
 public:
  Planner(const PopulateBase& base, const PopulateOptions& options, PopulatePlan& plan)
      : m_base(base), m_options(options), m_plan(plan), m_rng(options.seed ^ 0xA5A5A5A5DEADBEEFULL),
        m_seedText(base.systemId + "|" + base.computer + "|" + std::to_string(options.seed) + "|") {
    for (const char* taken : {"eadmin", "esubscriber", "installer"}) m_aliases.insert(taken);
    m_aliases.insert(foldCase("Orvix_" + base.computer));
  }

  // About 4.5 recordings per subscriber (a name, a greeting, one to three
  // rule greetings, a share of lists' and handlers' names and greetings).
  static constexpr std::uint64_t kShareUnit = 1000000;
  static std::uint64_t streamShare(int subscribers) {
    const double expected = 4.55 * subscribers + 10;
    return expected <= kMaxPopulateStreamFiles
               ? kShareUnit
               : static_cast<std::uint64_t>(kShareUnit * (kMaxPopulateStreamFiles / expected));
  }

  // Extensions: 5 digits up to 9,999 subscribers, 6 beyond, each kind in
  // its own range.
  std::string extensionNumber(int kind, int n) const {
    const int base = m_options.subscribers <= 9999 ? 10000 : 100000;
    static constexpr int kFirst[] = {1, 3, 5};  // subscribers, second lines, other handlers
    return std::to_string(kFirst[kind] * base + n);
  }

  void run() {
    for (int i = 1; i <= m_options.subscribers; ++i) addSubscriber(i);
    for (int i = 0; i < static_cast<int>(m_subs.size()); ++i) addPrimaryHandler(m_subs[i], i);
    addLists();
    addOtherHandlers();
    addNotifications();
    addMailboxes();
    addDirectoryCache();
    addSystemFiles();
    if (m_options.bothAdmins) addSecondAdministrator();
    addRegistryCache();
  }

 private:
  std::string guid(const std::string& name) { return derivedGuid(m_seedText + name); }
  void row(const char* table, Row r) { m_plan.orvixRows.push_back({table, std::move(r)}); }

  // The path of a new recording, or null when the server's recordings are
  // spread thinner than one per object (see kMaxPopulateStreamFiles).
  Variant stream(const std::string& ownerId, const std::string& kind, const std::string& what) {
    const std::uint64_t n = m_streamCandidates++;
    if ((n + 1) * m_streamShare / kShareUnit == n * m_streamShare / kShareUnit) return Variant::null();
    const std::string path = m_base.root + "Stream Files\\" + ownerId + "_" + kind + ".wav";
    m_plan.files.push_back({path, "RIFF stand-in stream: " + kind + " of " + what + "\n"});
    ++m_plan.counts.streamFiles;
    return path;
  }

  // A greeting kept with the system greetings, in the installation's
  // language folder.
  std::string systemGreeting(const std::string& name) {
    const std::string language = m_base.language.empty() ? "ENU" : m_base.language;
    const std::string folder = m_base.root + "Localize\\DefaultConfiguration\\" + language;
    m_plan.folders.push_back(folder);
    const std::string path = folder + "\\" + name;
    m_plan.files.push_back({path, "RIFF stand-in stream: system greeting " + name + "\n"});
    ++m_plan.counts.streamFiles;
    return path;
  }

  const Sub& otherSub(std::size_t self) {
    if (m_subs.size() < 2) return m_subs[0];
    std::size_t pick = static_cast<std::size_t>(m_rng.below(static_cast<int>(m_subs.size()) - 1));
    return m_subs[pick >= self ? pick + 1 : pick];
  }
  Destination anyDestination(std::size_t self) {
    if (m_rng.chance(70)) return {otherSub(self).id, kDestinationSubscriber};
    if (!m_otherHandlers.empty() && m_rng.chance(50))
      return {m_otherHandlers[static_cast<std::size_t>(m_rng.below(static_cast<int>(m_otherHandlers.size())))],
              kDestinationCallHandler};
    return {m_base.adminHandlerId, kDestinationCallHandler};
  }
  static const char* conversationFor(int type) { return type == kDestinationSubscriber ? "PHTransfer" : "PHGreeting"; }

  std::string uniqueAlias(const std::string& first, const std::string& last) {
    std::string base = first.substr(0, 1) + last;
    for (char& c : base) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string alias = base;
    int& next = m_nextSuffix[base];
    if (next == 0) next = 2;
    while (!m_aliases.insert(foldCase(alias)).second) alias = base + std::to_string(next++);
    return alias;
  }

  std::string mailAddress(const Sub& s) const {
    if (m_base.mailStore == MailStoreKind::Domino) return "CN=" + s.display() + "/O=Orvix";
    return "cn=" + s.alias + ",cn=Recipients,ou=" + m_base.computer + ",o=Orvix";
  }

  void addSubscriber(int i) {
    Sub s;
    s.first = kFirstNames[m_rng.below(std::size(kFirstNames))];
    s.last = kLastNames[m_rng.below(std::size(kLastNames))];
    s.alias = uniqueAlias(s.first, s.last);
    s.id = guid("Subscriber:" + s.alias);
    s.handlerId = guid("CallHandler:ch_" + s.alias);
    s.extension = extensionNumber(0, i);
    const Variant type(m_base.mailStore == MailStoreKind::Domino ? 3 : 1);
    row("Subscriber", {{"SubscriberObjectID", s.id}, {"Alias", s.alias}, {"UID", s.alias},
                       {"DisplayName", s.display()}, {"FirstName", s.first}, {"LastName", s.last},
                       {"DirectoryID", guid("Directory:" + s.alias)}, {"AddressID", mailAddress(s)},
                       {"SubscriberType", type}, {"IsSubscriber", 1}, {"Undeletable", 0},
                       {"HomeServer", m_base.computer}, {"StreamPath", stream(s.id, "name", s.alias)},
                       {"MailTransferAgent", m_base.computer}, {"MailboxStoreObjectID", m_base.storeId},
                       {"CallHandlerObjectID", s.handlerId}, {"LocationObjectID", m_base.locationId},
                       {"ObjectChangedID", 1}});
    row("GlobalSubscriber", {{"SubscriberObjectID", s.id}, {"Alias", s.alias}, {"DisplayName", s.display()},
                             {"DirectoryID", guid("Directory:" + s.alias)}, {"LocationObjectID", m_base.locationId},
                             {"SubscriberType", type}, {"IsSubscriber", 1}});
    row("DistributionListMember", {{"SystemDListObjectID", m_base.allSubscribersListId}, {"MemberObjectID", s.id},
                                   {"MemberObjectIDType", 1}});
    m_subs.push_back(std::move(s));
    ++m_plan.counts.subscribers;
  }

  void extension(const std::string& number, const std::string& handlerId) {
    row("DTMFAccessID", {{"DTMFAccessID", number}, {"ParentObjectID", handlerId}});
    ++m_plan.counts.extensions;
  }

  void rule(const std::string& handlerId, const char* kind, std::size_t self, const std::string& what) {
    const std::string id = guid("MessagingRule:" + handlerId + ":" + kind);
    Row r = {{"MessagingRuleObjectID", id}, {"ParentObjectID", handlerId}, {"Alias", kind},
             {"StreamPath", stream(handlerId, std::string("rule_") + kind, what)}};
    if (m_rng.chance(50)) {
      const Destination d = anyDestination(self);
      r.insert(r.end(), {{"Action", kActionGoTo}, {"ConversationName", conversationFor(d.type)},
                         {"DestinationObjectID", d.id}, {"DestinationObjectIDType", d.type}});
    } else {
      r.push_back({"Action", kActionTakeMessage});
    }
    row("MessagingRule", std::move(r));
  }

  void menu(const std::string& handlerId, char key, const Destination& d) {
    row("MenuEntry", {{"MenuEntryObjectID", guid("MenuEntry:" + handlerId + ":" + key)},
                      {"ParentObjectID", handlerId}, {"TouchtoneKey", std::string(1, key)},
                      {"Action", kActionGoTo}, {"ConversationName", conversationFor(d.type)},
                      {"DestinationObjectID", d.id}, {"DestinationObjectIDType", d.type}});
  }

  void addPrimaryHandler(const Sub& s, int index) {
    const std::size_t self = static_cast<std::size_t>(index);
    const bool adminOwns = index == 0 || m_rng.chance(75);
    const std::string owner = adminOwns ? m_base.adminId : m_subs[static_cast<std::size_t>(m_rng.below(index))].id;
    Row r = {{"CallHandlerObjectID", s.handlerId}, {"Alias", "ch_" + s.alias}, {"TextName", s.display()},
             {"IsPrimary", 1}, {"StreamPath", stream(s.handlerId, "standard", s.alias)},
             {"AdministratorObjectID", owner}, {"AdministratorObjectIDType", 1},
             {"RecipientObjectID", s.id}, {"RecipientObjectIDType", 1},
             {"ExitAction", kActionGoTo}, {"ExitConversationName", "PHGreeting"},
             {"ExitObjectID", m_base.adminHandlerId}, {"ExitObjectIDType", kDestinationCallHandler}};
    if (m_subs.size() > 1 && m_rng.chance(50)) {
      const Sub& to = otherSub(self);
      r.insert(r.end(), {{"AfterMessageAction", kActionGoTo}, {"AfterMessageConversationName", "PHTransfer"},
                         {"AfterMessageObjectID", to.id}, {"AfterMessageObjectIDType", kDestinationSubscriber}});
    } else {
      r.push_back({"AfterMessageAction", kActionHangUp});
    }
    row("CallHandler", std::move(r));
    ++m_plan.counts.callHandlers;
    extension(s.extension, s.handlerId);
    if (index % 5 == 4) extension(extensionNumber(1, index + 1), s.handlerId);
    const char* kinds[] = {"closed", "alternate", "internal"};
    const int rules = 1 + m_rng.below(3);
    for (int k = 0; k < rules; ++k) rule(s.handlerId, kinds[k], self, s.alias);
    menu(s.handlerId, '0', {m_base.adminHandlerId, kDestinationCallHandler});
    if (m_subs.size() > 1 && m_rng.chance(30))
      menu(s.handlerId, static_cast<char>('1' + m_rng.below(9)), {otherSub(self).id, kDestinationSubscriber});
  }

  void addLists() {
    const int lists = std::max(1, m_options.subscribers / 10);
    for (int k = 1; k <= lists; ++k) {
      const std::string alias = "list" + std::to_string(k);
      const std::string id = guid("DistributionList:" + alias);
      row("DistributionList", {{"SystemDListObjectID", id}, {"Alias", alias}, {"UID", alias + m_base.systemId},
                               {"TextName", "Team " + std::to_string(k)}, {"DirectoryID", guid("Directory:" + alias)},
                               {"StreamPath", stream(id, "name", alias)},
                               {"AdministratorObjectID", m_subs[static_cast<std::size_t>(m_rng.below(m_subs.size()))].id},
                               {"AdministratorObjectIDType", 1}, {"ObjectChangedID", 1}});
      std::set<std::size_t> members;
      const int want = std::min<int>(static_cast<int>(m_subs.size()), 2 + m_rng.below(6));
      while (static_cast<int>(members.size()) < want)
        members.insert(static_cast<std::size_t>(m_rng.below(static_cast<int>(m_subs.size()))));
      for (std::size_t m : members)
        row("DistributionListMember", {{"SystemDListObjectID", id}, {"MemberObjectID", m_subs[m].id},
                                       {"MemberObjectIDType", 1}});
      m_lists.push_back(id);
      ++m_plan.counts.lists;
    }
  }

  void addOtherHandlers() {
    const int handlers = std::max(1, m_options.subscribers / 5);
    for (int k = 1; k <= handlers; ++k) {
      const std::string alias = "Handler" + std::to_string(k);
      const std::string id = guid("CallHandler:" + alias);
      const bool listOwns = m_rng.chance(25);
      const std::string owner = listOwns ? m_lists[static_cast<std::size_t>(m_rng.below(m_lists.size()))]
                                         : m_subs[static_cast<std::size_t>(m_rng.below(m_subs.size()))].id;
      row("CallHandler", {{"CallHandlerObjectID", id}, {"Alias", alias}, {"TextName", "Department " + std::to_string(k)},
                          {"IsPrimary", 0}, {"StreamPath", stream(id, "standard", alias)},
                          {"AdministratorObjectID", owner}, {"AdministratorObjectIDType", listOwns ? 2 : 1},
                          {"RecipientObjectID", m_subs[static_cast<std::size_t>(m_rng.below(m_subs.size()))].id},
                          {"RecipientObjectIDType", 1}, {"AfterMessageAction", kActionHangUp},
                          {"ExitAction", kActionGoTo}, {"ExitConversationName", "PHGreeting"},
                          {"ExitObjectID", m_base.adminHandlerId}, {"ExitObjectIDType", kDestinationCallHandler}});
      ++m_plan.counts.callHandlers;
      extension(extensionNumber(2, k), id);
      m_routes.push_back({extensionNumber(2, k), alias});
      m_otherHandlers.push_back(id);
      rule(id, "standard", m_subs.size(), alias);
      for (char key : {'1', '2', '3'})
        menu(id, key, {m_subs[static_cast<std::size_t>(m_rng.below(m_subs.size()))].id, kDestinationSubscriber});
    }
    for (int k = 1; k <= std::max(1, m_options.subscribers / 10); ++k) {
      const std::string alias = "Interview" + std::to_string(k);
      row("InterviewHandler", {{"InterviewHandlerObjectID", guid("InterviewHandler:" + alias)}, {"Alias", alias},
                               {"TextName", "Survey " + std::to_string(k)},
                               {"AdministratorObjectID", m_subs[static_cast<std::size_t>(m_rng.below(m_subs.size()))].id},
                               {"AdministratorObjectIDType", 1},
                               {"RecipientObjectID", m_subs[static_cast<std::size_t>(m_rng.below(m_subs.size()))].id},
                               {"RecipientObjectIDType", 1}});
    }
    const std::string lookup = guid("NameLookupHandler:Directory");
    row("NameLookupHandler", {{"NameLookupHandlerObjectID", lookup}, {"Alias", "DirectoryHandler"},
                              {"TextName", "Directory Handler"}, {"StreamPath", systemGreeting("DirectoryHandler.wav")},
                              {"AdministratorObjectID", m_base.adminId}, {"AdministratorObjectIDType", 1},
                              {"ExitAction", kActionGoTo}, {"ExitConversationName", "PHGreeting"},
                              {"ExitObjectID", m_base.adminHandlerId}, {"ExitObjectIDType", kDestinationCallHandler}});
  }

  void addNotifications() {
    for (std::size_t i = 0; i < m_subs.size(); ++i) {
      const Sub& s = m_subs[i];
      char phone[32];
      std::snprintf(phone, sizeof phone, "555-%04zu", (i * 37 + 1000) % 10000);
      row("NotificationMWI", {{"NotificationMWIObjectID", guid("MWI:" + s.alias)}, {"ParentAlias", s.alias},
                              {"Extension", s.extension}});
      std::vector<std::pair<std::string, std::string>> devices = {{"Home Phone", phone}};
      if (i % 4 == 3) devices.push_back({"Pager", std::string("9") + phone});
      for (const auto& [device, number] : devices) {
        row("NotificationDevice", {{"NotificationDeviceObjectID", guid("Device:" + s.alias + ":" + device)},
                                   {"ParentAlias", s.alias}, {"DeviceName", device}, {"PhoneNumber", number}});
        row("NotificationRule", {{"NotificationRuleObjectID", guid("NotifyRule:" + s.alias + ":" + device)},
                                 {"ParentAlias", s.alias}, {"DeviceName", device}});
      }
      if (i % 3 == 2)
        row("PersonalDlist", {{"PersonalDlistObjectID", guid("PersonalDlist:" + s.alias)}, {"ParentAlias", s.alias},
                              {"Alias", s.alias + "_friends"}});
    }
  }

  void addMailboxes() {
    const std::string store = std::string(kMailStoreFolder) + "\\" + m_base.storeAlias + "\\";
    for (std::size_t i = 0; i < m_subs.size(); ++i) {
      const Sub& s = m_subs[i];
      const std::string folder = store + s.alias;
      const bool mailbox = i < static_cast<std::size_t>(kMaxPopulateMailboxes);
      if (mailbox) m_plan.folders.push_back(folder);
      const int messages = mailbox ? m_rng.below(m_options.maxMessagesPerMailbox + 1) : 0;
      for (int n = 1; n <= messages; ++n) {
        char name[16], date[64];
        std::snprintf(name, sizeof name, "\\%04d.msg", n);
        std::snprintf(date, sizeof date, "2026-%02d-%02d %02d:%02d:00", 1 + m_rng.below(11), 1 + m_rng.below(28),
                      8 + m_rng.below(10), m_rng.below(60));
        const Sub& from = otherSub(i);
        m_plan.files.push_back({folder + name, "From: " + from.display() + "\r\nTo: " + s.display() +
                                                   "\r\nSubject: Voice message " + std::to_string(n) +
                                                   "\r\nDate: " + date + "\r\n\r\nA voice message from " +
                                                   from.alias + ".\r\n"});
        ++m_plan.counts.messages;
      }
      m_plan.reportRows.push_back({"SubscriberActivity", {{"ActivityTime", "2026-06-01 09:00:00"},
                                                          {"SubscriberObjectID", s.id}, {"Alias", s.alias},
                                                          {"ActivityType", 1 + m_rng.below(3)},
                                                          {"MessageCount", messages}}});
    }
  }

  // What the directory monitor caches about the directory: the objects it
  // watches, the lists in its scope and their members, a pending change and
  // a moved mailbox. All of it describes the old machine's directory.
  void addDirectoryCache() {
    for (const Sub& s : m_subs)
      row("ADMonitorDirObjsList", {{"DirectoryID", guid("Directory:" + s.alias)}, {"ObjectID", s.id}, {"ObjectType", 1}});
    for (const std::string& list : m_lists) {
      const std::string listDir = guid("ListDirectory:" + list);
      row("ADMonitorScopeDistributionList", {{"DirectoryID", listDir}, {"Alias", "scope_" + list.substr(0, 8)}});
      const std::string member = guid("Directory:" + m_subs.front().alias);
      row("ADMonitorDistributionListMember", {{"ListDirectoryID", listDir}, {"MemberDirectoryID", member}});
      row("ADMonitorScopeDistributionListMember", {{"ListDirectoryID", listDir}, {"MemberDirectoryID", member}});
      row("ADMonitorScopeDistributionListPendingChanges", {{"ListDirectoryID", listDir}, {"MemberDirectoryID", member},
                                                           {"ChangeType", 1}, {"ChangeTime", "2026-06-01 09:00:00"}});
    }
    row("MovedMailbox", {{"SubscriberObjectID", m_subs.front().id}, {"OldMailboxStoreObjectID", guid("OldStore")},
                         {"NewMailboxStoreObjectID", m_base.storeId}, {"MoveTime", "2026-05-01 12:00:00"}});
  }

  void addSystemFiles() {
    std::string routing = "; Orvix call routing rules\r\n[Rule0]\r\nName=Default\r\nAction=AttemptSignIn\r\n";
    int n = 1;
    for (const auto& [number, alias] : m_routes)
      routing += "[Rule" + std::to_string(n++) + "]\r\nName=" + alias + "\r\nDialedNumber=" + number +
                 "\r\nAction=GoTo:" + alias + "\r\n";
    m_plan.files.push_back({m_base.root + "Support\\Routing.rul", routing});
    std::string events;
    for (const Sub& s : m_subs) events += "2026-06-01 09:00:00\tSubscriberAdded\t" + s.alias + "\r\n";
    m_plan.files.push_back({m_base.root + "ToolsDepot\\EventMonitoring\\database\\events1.log", events});
  }

  // "EAdministrator" with its primary call handler beside "EAdmin", and
  // objects that still point at "EAdmin": non-primary call handlers it owns
  // and receives for, an interview handler, a public list, a messaging rule
  // and a menu entry leading to it; and two extensions left without owner.
  void addSecondAdministrator() {
    const std::string id = guid("Subscriber:EAdministrator");
    const std::string handler = guid("CallHandler:ch_EAdministrator");
    row("Subscriber", {{"SubscriberObjectID", id}, {"Alias", "EAdministrator"}, {"UID", "EAdministrator"},
                       {"DisplayName", "Example Administrator"}, {"FirstName", "Example"},
                       {"LastName", "Administrator"}, {"DirectoryID", guid("Directory:EAdministrator")},
                       {"SubscriberType", m_base.mailStore == MailStoreKind::Domino ? 3 : 1}, {"IsSubscriber", 1},
                       {"Undeletable", 1}, {"HomeServer", m_base.computer},
                       {"StreamPath", stream(id, "name", "EAdministrator")}, {"MailTransferAgent", m_base.computer},
                       {"MailboxStoreObjectID", m_base.storeId}, {"CallHandlerObjectID", handler},
                       {"LocationObjectID", m_base.locationId}, {"ObjectChangedID", 1}});
    row("CallHandler", {{"CallHandlerObjectID", handler}, {"Alias", "ch_EAdministrator"},
                        {"TextName", "Example Administrator"}, {"IsPrimary", 1},
                        {"StreamPath", stream(handler, "standard", "EAdministrator")},
                        {"AdministratorObjectID", m_base.adminId}, {"AdministratorObjectIDType", 1},
                        {"RecipientObjectID", m_base.adminId}, {"RecipientObjectIDType", 1},
                        {"AfterMessageAction", kActionHangUp}});
    ++m_plan.counts.subscribers;
    ++m_plan.counts.callHandlers;
    for (int k = 1; k <= 2; ++k) {
      const std::string alias = "AdminHandler" + std::to_string(k);
      const std::string h = guid("CallHandler:" + alias);
      row("CallHandler", {{"CallHandlerObjectID", h}, {"Alias", alias}, {"TextName", "Operator " + std::to_string(k)},
                          {"IsPrimary", 0}, {"StreamPath", stream(h, "standard", alias)},
                          {"AdministratorObjectID", m_base.adminId}, {"AdministratorObjectIDType", 1},
                          {"RecipientObjectID", m_base.adminId}, {"RecipientObjectIDType", 1},
                          {"AfterMessageAction", kActionHangUp}});
      ++m_plan.counts.callHandlers;
      menu(h, '9', {m_base.adminId, kDestinationSubscriber});
      const std::string ruleId = guid("MessagingRule:" + h + ":standard");
      row("MessagingRule", {{"MessagingRuleObjectID", ruleId}, {"ParentObjectID", h}, {"Alias", "standard"},
                            {"StreamPath", stream(h, "rule_standard", alias)}, {"Action", kActionGoTo},
                            {"ConversationName", "PHTransfer"}, {"DestinationObjectID", m_base.adminId},
                            {"DestinationObjectIDType", kDestinationSubscriber}});
    }
    row("InterviewHandler", {{"InterviewHandlerObjectID", guid("InterviewHandler:AdminSurvey")},
                             {"Alias", "AdminSurvey"}, {"TextName", "Administrator survey"},
                             {"AdministratorObjectID", m_base.adminId}, {"AdministratorObjectIDType", 1},
                             {"RecipientObjectID", m_base.adminId}, {"RecipientObjectIDType", 1}});
    const std::string list = guid("DistributionList:adminlist");
    row("DistributionList", {{"SystemDListObjectID", list}, {"Alias", "adminlist"},
                             {"UID", "adminlist" + m_base.systemId}, {"TextName", "Administrators"},
                             {"DirectoryID", guid("Directory:adminlist")}, {"StreamPath", stream(list, "name", "adminlist")},
                             {"AdministratorObjectID", m_base.adminId}, {"AdministratorObjectIDType", 1},
                             {"ObjectChangedID", 1}});
    row("DTMFAccessID", {{"DTMFAccessID", Variant::null()}, {"ParentObjectID", handler}});
    row("DTMFAccessID", {{"DTMFAccessID", "49999"}, {"ParentObjectID", Variant::null()}});
  }

  // What the server keeps about each subscriber in its own registry branch
  // (about 200 bytes of a .reg file each).
  void addRegistryCache() {
    const std::string cache = "SOFTWARE\\Tremarc\\ZureVezuza\\1.0\\Subscriber Cache\\";
    for (const Sub& s : m_subs) {
      const std::string key = cache + s.alias;
      m_plan.registry.push_back({RegOp::SetValue, Hive::LocalMachine, key, RegValue::text("ObjectID", s.id)});
      m_plan.registry.push_back({RegOp::SetValue, Hive::LocalMachine, key, RegValue::text("Extension", s.extension)});
      ++m_plan.counts.registryKeys;
    }
  }

  const PopulateBase& m_base;
  const PopulateOptions& m_options;
  PopulatePlan& m_plan;
  Rng m_rng;
  std::string m_seedText;
  std::vector<Sub> m_subs;
  std::vector<std::string> m_lists;
  std::vector<std::string> m_otherHandlers;
  std::vector<std::pair<std::string, std::string>> m_routes;
  std::set<std::string> m_aliases;
  std::map<std::string, int> m_nextSuffix;
  std::uint64_t m_streamCandidates = 0;
  std::uint64_t m_streamShare = streamShare(m_options.subscribers);
};

}  // namespace

PopulatePlan planPopulation(const PopulateBase& base, const PopulateOptions& options) {
  PopulatePlan plan;
  Planner(base, options, plan).run();
  return plan;
}

}  // namespace vrel::standin
