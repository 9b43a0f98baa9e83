// Reading, writing and deleting single registry keys and values.
#include "restore/preserve/Module1.h"

#include "restore/run/VbError.h"

namespace vrel::restore {

namespace {

// The buffers of the value reads by name.
constexpr std::size_t kTextBuffer = 1024;  // bytes, terminator included
constexpr std::size_t kBinaryBuffer = 32768;
constexpr std::size_t kDwordBuffer = 4;

bool isStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

}  // namespace

std::string regStatusText(RegStatus status) {
  switch (status) {
    case kRegOk:
      return "The operation completed successfully.";
    case kRegNotFound:
      return "The system cannot find the file specified.";
    case kRegAccessDenied:
      return "Access is denied.";
    case kRegInvalidParam:
      return "The parameter is incorrect.";
    case kRegBadPath:
      return "The specified path is invalid.";
    case kRegHasChildren:
      return "Cannot create a stable subkey under a volatile parent key.";
    case kRegBusy:
      return "The requested resource is in use.";
    case kRegStoreFailure:
      return "The configuration registry database is corrupt.";
  }
  return "Registry error " + std::to_string(static_cast<long>(status)) + ".";
}

Bytes Module1::ansiData(const RegValue& value) {
  if (!isStringType(value.type)) return value.data;
  // Every UTF-16 unit, embedded and final NULs included, as the A-API
  // converts the stored string.
  const std::string ansi = utf8ToAnsi(utf16leToUtf8(value.data.data(), value.data.size() & ~std::size_t{1}));
  return Bytes(ansi.begin(), ansi.end());
}

std::string Module1::textLessTerminator(const Bytes& ansi) {
  // A value stored without data returns size 0: nothing to cut.
  if (ansi.empty()) return {};
  return ansiToUtf8(std::string(ansi.begin(), ansi.end() - 1));
}

bool Module1::bRegistryKeyExists(Hive root, const std::string& keyPath) {
  return m_registry.keyExists(root, keyPath);
}

RegVariant Module1::GetRegistryValue(Hive root, const std::string& keyPath, const std::string& valueName,
                                     long valueType, const RegVariant& defaultValue) {
  if (!m_registry.keyExists(root, keyPath)) return defaultValue;
  if (valueType != kRegSz && valueType != kRegBinary && valueType != kRegDword)
    throw VbError(1001, "Unsupported value type");
  RegValue stored;
  if (m_registry.getValue(root, keyPath, valueName, stored) != kRegOk) return defaultValue;
  const Bytes data = ansiData(stored);
  switch (valueType) {
    case kRegSz:
      if (data.size() > kTextBuffer) return defaultValue;
      return textLessTerminator(data);
    case kRegBinary:
      if (data.size() > kBinaryBuffer) return defaultValue;
      return data;
    default: {
      if (data.size() > kDwordBuffer) return defaultValue;
      // Shorter data fills the low bytes of the zeroed integer.
      std::uint32_t v = 0;
      for (std::size_t i = 0; i < data.size(); ++i) v |= static_cast<std::uint32_t>(data[i]) << (8 * i);
      return static_cast<std::int32_t>(v);
    }
  }
}

RegStatus Module1::writeValue(Hive root, const std::string& keyPath, const std::string& valueName, long valueType,
                              const RegVariant& value) {
  RegValue out;
  switch (valueType) {
    case kRegSz:
      out = RegValue::text(valueName, value.asText());
      break;
    case kRegBinary:
      if (!value.isBytes()) return kRegInvalidParam;
      out = RegValue::binary(valueName, value.bytes());
      break;
    case kRegDword: {
      const auto n = value.toLong();
      if (!n) return kRegInvalidParam;
      out = RegValue::dword(valueName, static_cast<std::uint32_t>(*n));
      break;
    }
    default:
      return kRegInvalidParam;
  }
  // setValue writes into an existing key only, as opening it for writing does.
  return m_registry.setValue(root, keyPath, out);
}

void Module1::SetRegistryValue(Hive root, const std::string& keyPath, const std::string& valueName, long valueType,
                               const RegVariant& value) {
  writeValue(root, keyPath, valueName, valueType, value);
}

void Module1::DeleteRegistryValue(Hive root, const std::string& keyPath, const std::string& valueName) {
  m_registry.deleteValue(root, keyPath, valueName);
}

void Module1::DeleteRegistryKey(Hive root, const std::string& keyPath) {
  m_registry.deleteKey(root, keyPath);
}

}  // namespace vrel::restore
