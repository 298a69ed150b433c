// The drive mask: kept as decimal text in the mask field, updated one box at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace selvaro {

// The number a text begins with. Blanks, tabs and line feeds are skipped wherever they stand;
// then an optional sign, digits with an optional "." and fraction, and an optional exponent.
// A text with no leading number is 0. Raises Overflow when the number lies beyond a double.
double LeadingNumber(std::string_view text);

// The shortest decimal text of a value; whole numbers below 1e15 are plain integers ("0", "-1").
std::string NumberText(double value);

// The weight of the drive box for a letter A..Q: 2 to the power of the letter's place.
double DriveWeight(char letter);

// The mask text after a click on a box of the given weight: the old text's number plus the
// weight when the box is now ticked, minus it otherwise.
std::string UpdatedMaskText(std::string_view maskText, bool ticked, double weight);

// The mask a text holds as a 32-bit value. Raises Overflow unless the text's number is a whole
// number from 0 to 4294967295.
std::uint32_t MaskValue(std::string_view maskText);

// Lower-case hexadecimal without prefix or leading zeros ("0" for 0).
std::string HexText(std::uint32_t value);

}  // namespace selvaro
