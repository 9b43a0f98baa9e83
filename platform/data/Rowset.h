// A query's result held in memory: its columns (name, ADO type and, for a
// plain column reference, the base table and column) and its rows.
#pragma once

#include "platform/data/AdoEnums.h"
#include "platform/data/Variant.h"

#include <string>
#include <vector>

namespace vrel::data {

struct ColumnInfo {
  std::string name;  // as the statement names it
  DataTypeEnum type = adEmpty;
  std::string baseTable;   // "" for expressions
  std::string baseColumn;  // "" for expressions
};

struct Rowset {
  std::vector<ColumnInfo> columns;
  std::vector<std::vector<Variant>> rows;
};

}  // namespace vrel::data
