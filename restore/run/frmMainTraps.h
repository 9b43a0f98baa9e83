// Error traps of the restore run. A VB trap that "resumes next" goes on with
// the statement after the failing one; a C++ exception cannot return there
// from outside. So a procedure wraps each of its statements in a trap: the
// trap runs the one statement, turns an error it raises into the number and
// description the trap reports, and returns, so the procedure's next
// statement runs. EndProgram is no error and passes through.
#pragma once

#include "platform/data/AdoError.h"
#include "restore/run/VbError.h"

#include <exception>
#include <new>
#include <optional>
#include <string>
#include <utility>

namespace vrel::restore {

// The error object a trap reads: number and description.
struct TrappedError {
  long number = 0;
  std::string description;
};

// VB's numbers for failures that come as plain C++ exceptions.
inline constexpr long kErrOutOfMemory = 7;
inline constexpr long kErrInternal = 51;

// Runs one statement; the error it raised, if any.
template <class F>
std::optional<TrappedError> trapStatement(F&& statement) {
  try {
    std::forward<F>(statement)();
    return std::nullopt;
  } catch (const VbError& e) {
    return TrappedError{e.number, e.description};
  } catch (const data::AdoError& e) {
    return TrappedError{e.number, e.description};
  } catch (const std::bad_alloc&) {
    return TrappedError{kErrOutOfMemory, "Out of memory"};
  } catch (const std::exception& e) {
    return TrappedError{kErrInternal, e.what()};
  }
}

// "(error):" + number + " (" + description + ") in procedure " + procedure
// + " of Form " + form: the line a form procedure's own trap logs.
std::string procedureTrapLine(const std::string& prefix, const TrappedError& error, const std::string& procedure,
                              const std::string& form);

}  // namespace vrel::restore
