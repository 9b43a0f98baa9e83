// The machine's event logs (Application and the others): records with the
// fields ReportEvent writes, kept in the machine's store so every process
// of the machine sees them, numbered in the order they were written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {

class Machine;

// Event types by their Windows values.
enum EventType : std::uint16_t {
  kEventError = 1,
  kEventWarning = 2,
  kEventInformation = 4,
};

struct EventRecord {
  std::int64_t number = 0;  // set when written
  std::string log = "Application";
  std::string source;
  std::uint16_t type = kEventError;
  std::uint16_t category = 0;
  std::uint32_t eventId = 0;
  std::vector<std::string> strings;  // the insertion strings
};

class EventLog {
 public:
  explicit EventLog(Machine& machine) : m_machine(machine) {}

  // ReportEvent: appends a record. False with error when the store fails.
  bool report(const EventRecord& record, std::string& error);
  // The records of one log (any case), oldest first.
  std::vector<EventRecord> read(std::string_view log);
  // Empties one log.
  bool clear(std::string_view log, std::string& error);

 private:
  bool ensureSchema(std::string& error);

  Machine& m_machine;
};

}  // namespace vrel
