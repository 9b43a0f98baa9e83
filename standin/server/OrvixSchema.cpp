#include "standin/server/OrvixSchema.h"

#include "standin/server/OrvixSchemaParts.h"

#include <vector>

namespace vrel::standin {

std::span<const SchemaObject> orvixDbObjects() {
  static const std::vector<SchemaObject> objects = [] {
    std::vector<SchemaObject> all;
    for (auto part : {detail::orvixDirectoryTables(), detail::orvixHandlerTables(), detail::orvixSystemTables(),
                      detail::orvixViews(), detail::orvixIndexes()})
      all.insert(all.end(), part.begin(), part.end());
    return all;
  }();
  return objects;
}

const char* orvixDbSchemaSql() {
  static const std::string script = schemaScript(orvixDbObjects());
  return script.c_str();
}

}  // namespace vrel::standin
