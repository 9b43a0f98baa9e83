// ADO's enumerations, under their ADO names and values.
#pragma once

namespace vrel::data {

enum CursorTypeEnum {
  adOpenUnspecified = -1,
  adOpenForwardOnly = 0,
  adOpenKeyset = 1,
  adOpenDynamic = 2,
  adOpenStatic = 3
};

enum LockTypeEnum {
  adLockUnspecified = -1,
  adLockReadOnly = 1,
  adLockPessimistic = 2,
  adLockOptimistic = 3,
  adLockBatchOptimistic = 4
};

enum CursorLocationEnum { adUseServer = 2, adUseClient = 3 };

enum CommandTypeEnum {
  adCmdUnspecified = -1,
  adCmdText = 1,
  adCmdTable = 2,
  adCmdStoredProc = 4,
  adCmdUnknown = 8,
  adCmdTableDirect = 512
};

enum ObjectStateEnum { adStateClosed = 0, adStateOpen = 1 };

enum EditModeEnum { adEditNone = 0, adEditInProgress = 1, adEditAdd = 2, adEditDelete = 4 };

enum SearchDirectionEnum { adSearchBackward = -1, adSearchForward = 1 };

enum ParameterDirectionEnum {
  adParamUnknown = 0,
  adParamInput = 1,
  adParamOutput = 2,
  adParamInputOutput = 3,
  adParamReturnValue = 4
};

enum DataTypeEnum {
  adEmpty = 0,
  adSmallInt = 2,
  adInteger = 3,
  adDouble = 5,
  adDate = 7,
  adBSTR = 8,
  adBoolean = 11,
  adVariant = 12,
  adBigInt = 20,
  adGUID = 72,
  adBinary = 128,
  adChar = 129,
  adWChar = 130,
  adNumeric = 131,
  adDBTimeStamp = 135,
  adVarChar = 200,
  adLongVarChar = 201,
  adVarWChar = 202,
  adLongVarWChar = 203,
  adVarBinary = 204,
  adLongVarBinary = 205,
};

}  // namespace vrel::data
