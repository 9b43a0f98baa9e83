#include "restore/tests/support/JsonSchemaCheck.h"

#include <cmath>

namespace vrel::test {

namespace {

bool hasType(const QJsonValue& v, const QString& type) {
  if (type == "object") return v.isObject();
  if (type == "array") return v.isArray();
  if (type == "string") return v.isString();
  if (type == "boolean") return v.isBool();
  if (type == "null") return v.isNull();
  if (type == "number") return v.isDouble();
  if (type == "integer") return v.isDouble() && std::floor(v.toDouble()) == v.toDouble();
  return false;
}

}  // namespace

std::vector<std::string> schemaViolations(const QJsonValue& value, const QJsonObject& schema, const std::string& place) {
  std::vector<std::string> out;
  auto fail = [&](const std::string& why) { out.push_back(place + ": " + why); };
  if (schema.contains("type")) {
    const QJsonValue t = schema["type"];
    bool fits = false;
    if (t.isArray()) {
      for (const QJsonValue& one : t.toArray()) fits = fits || hasType(value, one.toString());
    } else {
      fits = hasType(value, t.toString());
    }
    if (!fits) {
      fail("not of type " + QJsonValue(t).toVariant().toString().toStdString());
      return out;
    }
  }
  if (schema.contains("enum") && !schema["enum"].toArray().contains(value)) fail("not one of the allowed values");
  if (value.isDouble()) {
    if (schema.contains("minimum") && value.toDouble() < schema["minimum"].toDouble()) fail("below the minimum");
    if (schema.contains("maximum") && value.toDouble() > schema["maximum"].toDouble()) fail("above the maximum");
  }
  if (value.isObject()) {
    const QJsonObject object = value.toObject();
    const QJsonObject properties = schema["properties"].toObject();
    for (const QJsonValue& name : schema["required"].toArray())
      if (!object.contains(name.toString())) fail("lacks " + name.toString().toStdString());
    for (auto it = object.begin(); it != object.end(); ++it) {
      const std::string at = place + "." + it.key().toStdString();
      if (properties.contains(it.key())) {
        const auto inner = schemaViolations(it.value(), properties[it.key()].toObject(), at);
        out.insert(out.end(), inner.begin(), inner.end());
      } else if (schema.contains("additionalProperties") && !schema["additionalProperties"].toBool()) {
        out.push_back(at + ": not allowed");
      }
    }
  }
  if (value.isArray() && schema.contains("items")) {
    const QJsonArray items = value.toArray();
    for (qsizetype i = 0; i < items.size(); ++i) {
      const auto inner = schemaViolations(items[i], schema["items"].toObject(), place + "[" + std::to_string(i) + "]");
      out.insert(out.end(), inner.begin(), inner.end());
    }
  }
  return out;
}

}  // namespace vrel::test
