// The copy of the server's Configuration table into "ConfigInfo.mdb" in the
// restore program's folder, made from the shipped empty "CleanConfigInfo.mdb".
#pragma once

namespace vrel::restore {

class frmMain;

// The table's nine columns, in the order they are copied.
inline constexpr const char* kConfigurationColumns[] = {
    "NodeID",           "NodeName",     "NodeValue",
    "NodeType",         "ParentNodeID", "ConfigurationMetadataObjectID",
    "LastModifiedTime", "FullNodeName", "msrepl_tran_version"};

// Recreates ConfigInfo.mdb from the clean copy and fills its Configuration
// table from the server's. Ends the program (Aborted) with a message box when
// the clean copy is missing, the copy cannot be made or the server's table is
// empty. Other errors are logged by the procedure's trap and the copy goes on.
void copyConfigurationTable(frmMain& form);

}  // namespace vrel::restore
