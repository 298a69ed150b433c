// A numbered run-time error. Handlers raise it; the window procedure reports it with its number
// and description, and the process then ends.
#pragma once

#include <exception>

namespace selvaro {

// Not a std::runtime_error: that one keeps its text in a copy-on-write string, whose library code
// is most of what an exception costs in Selvaro.exe. The descriptions are fixed texts.
class RunTimeError : public std::exception {
  public:
    RunTimeError(int number, const char* description) noexcept
        : number_(number), description_(description) {}
    int number() const { return number_; }
    const char* what() const noexcept override { return description_; }

  private:
    int number_;
    const char* description_;
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
