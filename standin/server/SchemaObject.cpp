#include "standin/server/SchemaObject.h"

namespace vrel::standin {

const char* schemaKindName(SchemaKind kind) {
  switch (kind) {
    case SchemaKind::Table:
      return "table";
    case SchemaKind::View:
      return "view";
    case SchemaKind::Index:
      return "index";
  }
  return "";
}

std::string schemaScript(std::span<const SchemaObject> objects) {
  std::string script;
  for (const SchemaObject& object : objects) {
    script += object.sql;
    script += ";\n";
  }
  return script;
}

}  // namespace vrel::standin
