// SQLite's errors as the provider of a connection reports them: SQL Server's
// messages ("Invalid object name 'X'.") with its HRESULTs, or Jet's, under
// the provider's error source and message prefix.
#pragma once

#include "platform/data/AdoError.h"
#include "platform/data/ConnectionString.h"

#include <string>

namespace vrel::data {

AdoError providerError(ProviderKind kind, int sqliteCode, const std::string& sqliteMessage);
// An error the provider raises with its own text (connection failures,
// stored procedure errors).
AdoError providerMessage(ProviderKind kind, long number, const std::string& message);

}  // namespace vrel::data
