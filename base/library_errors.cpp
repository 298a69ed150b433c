// Selvaro.exe's own copies of the helpers through which libstdc++'s inline code throws (vector,
// string and the like call them when a length, a position or an allocation is out of range).
// The library's copies throw std::length_error and the rest of the logic_error and runtime_error
// families, whose messages live in copy-on-write strings: about 75 KB of library code and unwind
// tables that nothing else in the program needs. These throw the same what() text in an
// exception of the program's own, derived from std::exception, which is all the program catches
// them as; the types without a message are thrown as they are. Every helper of the library's
// file is defined here, so that file is never taken from libstdc++.a (it would clash with these).
#include <bits/functexcept.h>

#include <cstdarg>
#include <cstddef>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

class LibraryError : public std::exception {
  public:
    // The text of the library's messages and the numbers in them fit many times over.
    static constexpr std::size_t kCapacity = 512;

    LibraryError() noexcept = default;
    explicit LibraryError(const char* text) noexcept { Append(text); }
    const char* what() const noexcept override { return text_; }

    void Append(const char* text) noexcept {
        while (*text != '\0') Append(*text++);
    }
    void Append(char c) noexcept {
        if (length_ + 1 < kCapacity) {
            text_[length_++] = c;
            text_[length_] = '\0';
        }
    }
    void AppendNumber(std::size_t value) noexcept {
        char digits[24];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (count > 0) Append(digits[--count]);
    }

  private:
    char text_[kCapacity] = {};
    std::size_t length_ = 0;
};

}  // namespace

namespace std {

void __throw_bad_exception() {
    throw bad_exception();
}
void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_bad_cast() {
    throw bad_cast();
}
void __throw_bad_typeid() {
    throw bad_typeid();
}

void __throw_logic_error(const char* text) {
    throw LibraryError(text);
}
void __throw_domain_error(const char* text) {
    throw LibraryError(text);
}
void __throw_invalid_argument(const char* text) {
    throw LibraryError(text);
}
void __throw_length_error(const char* text) {
    throw LibraryError(text);
}
void __throw_out_of_range(const char* text) {
    throw LibraryError(text);
}
void __throw_runtime_error(const char* text) {
    throw LibraryError(text);
}
void __throw_range_error(const char* text) {
    throw LibraryError(text);
}
void __throw_overflow_error(const char* text) {
    throw LibraryError(text);
}
void __throw_underflow_error(const char* text) {
    throw LibraryError(text);
}

// The formats the library passes here use only %s, %zu and %%.
void __throw_out_of_range_fmt(const char* format, ...) {
    LibraryError error;
    va_list arguments;
    va_start(arguments, format);
    for (const char* c = format; *c != '\0'; ++c) {
        if (c[0] == '%' && c[1] == 's') {
            error.Append(va_arg(arguments, const char*));
            ++c;
        } else if (c[0] == '%' && c[1] == 'z' && c[2] == 'u') {
            error.AppendNumber(va_arg(arguments, std::size_t));
            c += 2;
        } else if (c[0] == '%' && c[1] == '%') {
            error.Append('%');
            ++c;
        } else {
            error.Append(*c);
        }
    }
    va_end(arguments);
    throw error;
}

}  // namespace std
