// libFuzzer target for the mask field's numbers: the leading-number parse, the number text and
// the mask update, each checked against a parse written here on its own.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "base/run_time_error.h"
#include "policy/drive_mask.h"

namespace {

// A text's leading number: its value, or beyond a double.
struct Expected {
    bool overflow = false;
    double value = 0;
};

bool Digit(char c) {
    return c >= '0' && c <= '9';
}

// The reference parse. It drops the blanks first, then reads the sign, the significant digits
// with the decimal place of the first one, and the exponent, each on its own. The number is
// 0.DIGITS times ten to that place plus the exponent, which strtod converts from that one form.
Expected ReferenceNumber(std::string_view input) {
    std::string s;
    for (char c : input) {
        if (c != ' ' && c != '\t' && c != '\n') s += c;
    }
    std::size_t i = 0;
    const bool negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::string digits;     // significant digits, without leading zeros
    long long place = 0;    // decimal place of the first significant digit
    bool anyDigit = false;  // the mantissa has at least one digit, maybe only zeros
    for (; i < s.size() && Digit(s[i]); ++i, anyDigit = true) {
        if (!digits.empty() || s[i] != '0') digits += s[i], ++place;
    }
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && Digit(s[i]); ++i, anyDigit = true) {
            if (!digits.empty() || s[i] != '0') {
                digits += s[i];
            } else {
                --place;
            }
        }
    }
    if (!anyDigit) return {};
    long long exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        const bool down = j < s.size() && s[j] == '-';
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        for (; j < s.size() && Digit(s[j]); ++j) {
            exponent = std::min(exponent * 10 + (s[j] - '0'), 1'000'000'000'000LL);
        }
        if (down) exponent = -exponent;
    }
    const double zero = negative ? -0.0 : 0.0;
    if (digits.empty()) return {false, zero};
    // 0.DIGITS is at least 0.1 and below 1: beyond 10^310 lies past a double, below 10^-330
    // rounds to zero.
    const long long scale = place + exponent;
    if (scale > 310) return {true, 0};
    if (scale < -330) return {false, zero};
    const std::string text = "0." + digits + "e" + std::to_string(scale);
    const double value = std::strtod(text.c_str(), nullptr);
    if (std::isinf(value)) return {true, 0};
    return {false, negative ? -value : value};
}

[[noreturn]] void Fail(const char* what, double value = 0) {
    std::fprintf(stderr, "mask_fuzzer: %s (%.17g)\n", what, value);
    std::abort();
}

// Runs f; true when it raised Overflow. Any other run-time error is a fault.
template <class F>
bool RaisesOverflow(F f) {
    try {
        f();
        return false;
    } catch (const selvaro::RunTimeError& error) {
        if (error.number() == 6 && std::string_view(error.what()) == "Overflow") return true;
        Fail(error.what());
    }
}

void CheckNumberText(double value) {
    if (!std::isfinite(value)) return;
    const std::string text = selvaro::NumberText(value);
    if (text.find_first_of(" \t\n") != std::string::npos) Fail("blank in NumberText", value);
    double back = 0;
    if (RaisesOverflow([&] { back = selvaro::LeadingNumber(text); }) || back != value) {
        Fail("NumberText does not read back", value);
    }
    const Expected reference = ReferenceNumber(text);
    if (reference.overflow || reference.value != value) Fail("NumberText misread", value);
    if (std::floor(value) == value && std::fabs(value) < 1e15 &&
        text.find_first_not_of("-0123456789") != std::string::npos) {
        Fail("whole number not plain", value);
    }
}

void CheckHexText(std::uint32_t value) {
    const std::string text = selvaro::HexText(value);
    char* end = nullptr;
    const unsigned long back = std::strtoul(text.c_str(), &end, 16);
    if (text.empty() || *end != '\0' || back != value ||
        text.find_first_not_of("0123456789abcdef") != std::string::npos ||
        (text.size() > 1 && text[0] == '0')) {
        Fail("HexText does not read back", value);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const Expected expected = ReferenceNumber(input);

    double parsed = 0;
    const bool overflow = RaisesOverflow([&] { parsed = selvaro::LeadingNumber(input); });
    if (overflow != expected.overflow) Fail("LeadingNumber overflow differs", expected.value);
    if (!overflow && parsed != expected.value) Fail("LeadingNumber differs", expected.value);

    if (!expected.overflow) CheckNumberText(expected.value);
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        CheckNumberText(raw);
    }

    for (int power = 0; power <= 16; ++power) {
        const double weight = std::ldexp(1.0, power);
        for (bool ticked : {false, true}) {
            std::string text;
            const bool raised =
                RaisesOverflow([&] { text = selvaro::UpdatedMaskText(input, ticked, weight); });
            if (expected.overflow != raised) Fail("UpdatedMaskText overflow differs", weight);
            if (raised) continue;
            const double after = ticked ? expected.value + weight : expected.value - weight;
            if (text != selvaro::NumberText(after)) Fail("UpdatedMaskText differs", after);
        }
    }

    std::uint32_t mask = 0;
    const bool maskRaised = RaisesOverflow([&] { mask = selvaro::MaskValue(input); });
    const double v = expected.value;
    const bool inRange = !expected.overflow && v >= 0 && v <= 4294967295.0 && std::floor(v) == v;
    if (maskRaised == inRange) Fail("MaskValue range differs", v);
    if (inRange && mask != v) Fail("MaskValue differs", v);
    CheckHexText(mask);
    if (size >= sizeof(std::uint32_t)) {
        std::uint32_t raw;
        std::memcpy(&raw, data, sizeof raw);
        CheckHexText(raw);
    }
    return 0;
}
