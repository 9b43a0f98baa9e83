// A small JSON Schema checker for the tests: the keywords our schemas use
// (type, with a list of types; required; properties; additionalProperties
// false; items; enum; minimum; maximum). Returns one line per violation,
// each with its place ("$.phases[2].outcome: ..."); empty when the document
// fits the schema.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include <string>
#include <vector>

namespace vrel::test {

std::vector<std::string> schemaViolations(const QJsonValue& value, const QJsonObject& schema,
                                          const std::string& place = "$");

}  // namespace vrel::test
