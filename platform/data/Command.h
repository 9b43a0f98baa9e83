// ADO's Command: SQL text with '?' parameters bound by position, a table, or
// a stored procedure of the stand-in server (Procedures.h) with named,
// typed parameters. For a stored procedure, asking the empty Parameters
// collection for a name fills it from the procedure's declaration first
// (with "@RETURN_VALUE" in front), as ADO's implicit Refresh does, so
// `cmd.parameters()["@ObjectID"].setValue(id)` works without appending.
#pragma once

#include "platform/data/AdoEnums.h"
#include "platform/data/AdoError.h"
#include "platform/data/Rowset.h"
#include "platform/data/Variant.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vrel::data {

class Command;
class Connection;
class Session;

class Parameter {
 public:
  Parameter() = default;
  Parameter(std::string name, DataTypeEnum type, ParameterDirectionEnum direction, long size, const Variant& value)
      : m_name(std::move(name)), m_type(type), m_direction(direction), m_size(size), m_value(value) {}

  const std::string& name() const { return m_name; }
  DataTypeEnum type() const { return m_type; }
  ParameterDirectionEnum direction() const { return m_direction; }
  long size() const { return m_size; }
  const Variant& value() const { return m_value; }
  void setValue(const Variant& v) { m_value = v; }
  void setType(DataTypeEnum t) { m_type = t; }
  void setDirection(ParameterDirectionEnum d) { m_direction = d; }
  void setSize(long s) { m_size = s; }

 private:
  std::string m_name;
  DataTypeEnum m_type = adEmpty;
  ParameterDirectionEnum m_direction = adParamInput;
  long m_size = 0;
  Variant m_value;
};

class Parameters {
 public:
  long count() const { return static_cast<long>(m_items.size()); }
  void append(Parameter p);
  Parameter& item(long index);             // 3265 out of range
  Parameter& item(std::string_view name);  // 3265 unknown
  Parameter& operator[](std::string_view name) { return item(name); }
  // Replaces the collection with the procedure's declared parameters.
  void refresh();
  void clear() { m_items.clear(); }

 private:
  friend class Command;
  explicit Parameters(Command& owner) : m_owner(owner) {}
  Command& m_owner;
  std::vector<Parameter> m_items;
};

class Command {
 public:
  Command();
  ~Command();
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  void setActiveConnection(Connection& connection);  // 3709 when it is closed
  void setCommandText(std::string_view text) { m_text = std::string(text); }
  const std::string& commandText() const { return m_text; }
  void setCommandType(CommandTypeEnum type) { m_type = type; }
  CommandTypeEnum commandType() const { return m_type; }
  Parameters& parameters() { return m_parameters; }
  static Parameter createParameter(std::string name = {}, DataTypeEnum type = adEmpty,
                                   ParameterDirectionEnum direction = adParamInput, long size = 0,
                                   const Variant& value = Variant());

  // Runs the command; the rows changed (-1 when unknown). Output parameters
  // and the return value are written back into the collection.
  long execute();

  // For Recordset::open(Command&): runs the command and hands back its rows
  // (produced false when it returned none).
  Rowset run(bool& produced);
  const std::shared_ptr<Session>& session() const;  // 3709 without a connection
  std::vector<Variant> positionalValues() const;

 private:
  long runProcedure(Rowset* rows, bool* produced);

  std::shared_ptr<Session> m_session;
  std::string m_text;
  CommandTypeEnum m_type = adCmdUnknown;
  Parameters m_parameters{*this};
};

}  // namespace vrel::data
