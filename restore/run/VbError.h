// A run-time error inside the restore program: the number and description of
// the error object that every error trap writes into its log line or message
// box. Raised as a C++ exception inside the restore core only; the trap that
// catches it goes on with its next step.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace vrel::restore {

struct VbError : std::exception {
  VbError(long number, std::string description) : number(number), description(std::move(description)) {}
  const char* what() const noexcept override { return description.c_str(); }

  long number = 0;
  std::string description;
};

}  // namespace vrel::restore
