#pragma once
// Errors are exceptions carrying a message. The operation a user or the system started
// catches them at its outer edge and logs a fixed prefix followed by Message().
#include <stdexcept>
#include <string>

namespace vm {

class TError : public std::runtime_error {
public:
  explicit TError(const std::u16string& AMessage);
  const std::u16string& Message() const noexcept { return FMessage; }

private:
  std::u16string FMessage;
};

// The message of any exception, for the log line of the handler that caught it.
std::u16string ErrorMessage(const std::exception& E);

} // namespace vm
