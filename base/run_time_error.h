// Numbered run-time errors. Handlers raise them; the window reports the number and description
// in one message box, and the process then ends with the number as its exit code.
#pragma once

#include <exception>

namespace selvaro {

// Every number the program raises, with its standard description.
enum class ErrorNumber : int {
    InvalidCall = 5,
    Overflow = 6,
    OutOfMemory = 7,
    DivisionByZero = 11,
    InternalError = 51,
    BadFileName = 52,
    FileNotFound = 53,
    DiskFull = 61,
    PermissionDenied = 70,
    PathFileAccess = 75,
    PathNotFound = 76,
    EntryPointNotFound = 453,
};

constexpr const char* StandardDescription(ErrorNumber number) {
    switch (number) {
        case ErrorNumber::InvalidCall:
            return "Invalid procedure call or argument";
        case ErrorNumber::Overflow:
            return "Overflow";
        case ErrorNumber::OutOfMemory:
            return "Out of memory";
        case ErrorNumber::DivisionByZero:
            return "Division by zero";
        case ErrorNumber::InternalError:
            return "Internal error";
        case ErrorNumber::BadFileName:
            return "Bad file name or number";
        case ErrorNumber::FileNotFound:
            return "File not found";
        case ErrorNumber::DiskFull:
            return "Disk full";
        case ErrorNumber::PermissionDenied:
            return "Permission denied";
        case ErrorNumber::PathFileAccess:
            return "Path/File access error";
        case ErrorNumber::PathNotFound:
            return "Path not found";
        case ErrorNumber::EntryPointNotFound:
            return "Can't find DLL entry point";
    }
    return "Application-defined or object-defined error";
}

// Holds only static texts, so raising one never allocates.
class RunTimeError : public std::exception {
  public:
    explicit RunTimeError(ErrorNumber number, const char* description = nullptr)
        : number_(number),
          description_(description != nullptr ? description : StandardDescription(number)) {}
    int number() const { return static_cast<int>(number_); }
    const char* what() const noexcept override { return description_; }

  private:
    ErrorNumber number_;
    const char* description_;
};

}  // namespace selvaro
