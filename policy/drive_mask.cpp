#include "policy/drive_mask.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/run_time_error.h"

namespace selvaro {
namespace {

bool IsSkipped(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Collects the characters of the leading number, dropping skipped ones, and stops at the first
// character that cannot continue it. The result may end early ("1e", "-"): strtod then reads
// the longest valid part, and finds none in a lone sign or point.
std::string LeadingNumberChars(std::string_view text) {
    enum class Stage { Sign, Whole, Fraction, ExponentSign, Exponent };
    Stage stage = Stage::Sign;
    std::string out;
    for (char c : text) {
        if (IsSkipped(c)) continue;
        if (stage == Stage::Sign && (c == '+' || c == '-')) {
            stage = Stage::Whole;
        } else if ((stage == Stage::Sign || stage == Stage::Whole) && c == '.') {
            stage = Stage::Fraction;
        } else if (stage <= Stage::Fraction && IsDigit(c)) {
            if (stage == Stage::Sign) stage = Stage::Whole;
        } else if (stage <= Stage::Fraction && (c == 'e' || c == 'E')) {
            stage = Stage::ExponentSign;
        } else if (stage == Stage::ExponentSign && (c == '+' || c == '-')) {
            stage = Stage::Exponent;
        } else if (stage >= Stage::ExponentSign && IsDigit(c)) {
            stage = Stage::Exponent;
        } else {
            break;
        }
        out += c;
    }
    return out;
}

}  // namespace

double LeadingNumber(std::string_view text) {
    const std::string chars = LeadingNumberChars(text);
    const double value = std::strtod(chars.c_str(), nullptr);
    if (std::isinf(value)) throw RunTimeError(ErrorNumber::Overflow);
    return value;
}

std::string NumberText(double value) {
    if (value == 0) return "0";  // also for -0
    if (std::trunc(value) == value && std::fabs(value) < 1e15) {
        return std::to_string(static_cast<long long>(value));
    }
    // The fewest significant digits that read back as the same value.
    char buffer[32];
    for (int precision = 1;; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
        if (precision >= 17 || std::strtod(buffer, nullptr) == value) return buffer;
    }
}

double DriveWeight(char letter) {
    return std::ldexp(1.0, letter - 'A');
}

std::string UpdatedMaskText(std::string_view maskText, bool ticked, double weight) {
    const double before = LeadingNumber(maskText);
    std::feclearexcept(FE_ALL_EXCEPT);
    const double after = ticked ? before + weight : before - weight;
    if (std::fetestexcept(FE_DIVBYZERO)) throw RunTimeError(ErrorNumber::DivisionByZero);
    if (std::fetestexcept(FE_OVERFLOW)) throw RunTimeError(ErrorNumber::Overflow);
    if (std::fetestexcept(FE_INVALID)) throw RunTimeError(ErrorNumber::InvalidCall);
    return NumberText(after);
}

std::uint32_t MaskValue(std::string_view maskText) {
    const double value = LeadingNumber(maskText);
    if (!(value >= 0 && value <= 4294967295.0) || std::trunc(value) != value) {
        throw RunTimeError(ErrorNumber::Overflow);
    }
    return static_cast<std::uint32_t>(value);
}

std::string HexText(std::uint32_t value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    return std::string(buffer, result.ptr);
}

}  // namespace selvaro
