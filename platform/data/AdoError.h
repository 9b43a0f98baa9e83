// The one exception type of the data layer. ADO raises errors from its
// methods, and the code above it traps them the way VB does; so the data
// objects throw AdoError where ADO would raise, with ADO's numbers and texts:
// ADO's own errors (3001, 3021, ... as VB reports them) and the provider's
// (negative HRESULTs such as -2147467259 = 0x80004005).
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace vrel::data {

struct AdoError : std::exception {
  AdoError(long number, std::string description, std::string source)
      : number(number), description(std::move(description)), source(std::move(source)) {}
  const char* what() const noexcept override { return description.c_str(); }

  long number = 0;
  std::string description;
  std::string source;  // "ADODB.Recordset", "Microsoft OLE DB Provider for SQL Server", ...
};

// ADO's own error numbers (ErrorValueEnum, as VB's Err.Number shows them).
enum AdoErrorNumber : long {
  adErrInvalidArgument = 3001,
  adErrNoCurrentRecord = 3021,
  adErrIllegalOperation = 3219,
  adErrFeatureNotAvailable = 3251,
  adErrItemNotFound = 3265,
  adErrDataConversion = 3421,
  adErrObjectClosed = 3704,
  adErrObjectOpen = 3705,
  adErrProviderNotFound = 3706,
  adErrInvalidConnection = 3709,
};

// Provider HRESULTs, as the signed numbers VB shows.
enum ProviderErrorNumber : long {
  kErrUnspecified = -2147467259,          // 0x80004005 E_FAIL
  kErrMultipleStep = -2147217887,         // 0x80040E21
  kErrRowNotFound = -2147217864,          // 0x80040E38 row cannot be located for updating
  kErrCannotFetchBackward = -2147217884,  // 0x80040E24
  kErrCommand = -2147217900,              // 0x80040E14 errors in the command text
  kErrNoSuchTable = -2147217865,          // 0x80040E37
  kErrIntegrity = -2147217873,            // 0x80040E2F
  kErrTimeout = -2147217871,              // 0x80040E31
  kErrMissingParameter = -2147217904,     // 0x80040E10
  kErrLoginFailed = -2147217843,          // 0x80040E4D
};

// ADO's description of one of its own numbers ("" for others).
const char* adoDescription(long number);

// An error of ADO itself, raised from the named object ("ADODB.Recordset").
[[noreturn]] void raiseAdo(long number, const char* source);

}  // namespace vrel::data
