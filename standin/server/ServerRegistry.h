// The server's registry branch as a fresh installation writes it: every key
// and value under HKEY_LOCAL_MACHINE "Software\Tremarc" that the restore,
// the directory tools and the server's own services read, plus the few keys
// outside it that the installation brings (the mail system's setup key and
// the system messaging profile).
#pragma once

#include "platform/Registry.h"
#include "standin/server/ProvisionIdentity.h"

#include <vector>

namespace vrel::standin {

inline constexpr const char* kTremarcKey = "Software\\Tremarc";
inline constexpr const char* kRootPathKey = "Software\\Tremarc\\ZureVezuza\\1.0";
inline constexpr const char* kSetupPropertiesKey = "SOFTWARE\\Tremarc\\Zurevezuza Setup\\1.0\\Properties";
inline constexpr const char* kSystemParametersKey = "SOFTWARE\\Tremarc\\SystemParameters\\1.0";
inline constexpr const char* kMessagingProfileKey =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles\\Orvix System Profile";

// The whole installation's registry content as one batch: the old server
// branch deleted first, then every key and value created.
std::vector<RegOp> serverRegistryOps(const ServerIdentity& id);

// Applies serverRegistryOps in one transaction.
RegStatus writeServerRegistry(Registry& registry, const ServerIdentity& id);

// Removes what writeServerRegistry wrote (the Tremarc branch, the messaging
// profiles, the mail system's setup key).
RegStatus removeServerRegistry(Registry& registry);

}  // namespace vrel::standin
