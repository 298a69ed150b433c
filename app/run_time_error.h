// A numbered run-time error. Handlers raise it; the window procedure reports it with its number
// and description, and the process then ends.
#pragma once

#include <stdexcept>
#include <string>

namespace selvaro {

class RunTimeError : public std::runtime_error {
  public:
    RunTimeError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int number() const { return number_; }

  private:
    int number_;
};

inline RunTimeError OverflowError() {
    return RunTimeError(6, "Overflow");
}
inline RunTimeError DivisionByZeroError() {
    return RunTimeError(11, "Division by zero");
}
inline RunTimeError InvalidCallError() {
    return RunTimeError(5, "Invalid procedure call or argument");
}

}  // namespace selvaro
