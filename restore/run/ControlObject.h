// The outside server's control object (class {60EB7702-6A7A-11D1-8029-
// 00C04FAD610B}): the first method of its interface starts the server, the
// fourth member reports its state, 32 meaning running.
#pragma once

#include <cstdint>

namespace vrel::restore {

class ControlObject {
 public:
  static constexpr std::int32_t kRunning = 32;
  virtual ~ControlObject() = default;
  // Starts the server; an HRESULT.
  virtual std::int32_t Start() = 0;
  // The server's state; kRunning when it runs.
  virtual std::int32_t State() = 0;
};

}  // namespace vrel::restore
