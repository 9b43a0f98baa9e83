#include "platform/data/AdoError.h"

namespace vrel::data {

const char* adoDescription(long number) {
  switch (number) {
    case adErrInvalidArgument:
      return "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another.";
    case adErrNoCurrentRecord:
      return "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
             "current record.";
    case adErrIllegalOperation:
      return "Operation is not allowed in this context.";
    case adErrFeatureNotAvailable:
      return "Current Recordset does not support updating. This may be a limitation of the provider or of the "
             "selected locktype.";
    case adErrItemNotFound:
      return "Item cannot be found in the collection corresponding to the requested name or ordinal.";
    case adErrDataConversion:
      return "Application uses a value of the wrong type for the current operation.";
    case adErrObjectClosed:
      return "Operation is not allowed when the object is closed.";
    case adErrObjectOpen:
      return "Operation is not allowed when the object is open.";
    case adErrProviderNotFound:
      return "Provider cannot be found. It may not be properly installed.";
    case adErrInvalidConnection:
      return "The connection cannot be used to perform this operation. It is either closed or invalid in this "
             "context.";
    case kErrMultipleStep:
      return "Multiple-step operation generated errors. Check each status value.";
    case kErrRowNotFound:
      return "Row cannot be located for updating. Some values may have been changed since it was last read.";
    case kErrCannotFetchBackward:
      return "Rowset does not support fetching backward.";
    default:
      return "";
  }
}

void raiseAdo(long number, const char* source) {
  throw AdoError(number, adoDescription(number), source);
}

}  // namespace vrel::data
