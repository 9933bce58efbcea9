// Number and text helpers of the table loader and of the view's labels.
#pragma once

#include <string>

// Outcome of reading one value field of the data file.
enum class FieldStatus {
    Number,      // a decimal number (optional sign, digits, at most one '.', optional exponent)
    Empty,       // nothing but blanks, or a lone sign: reads as 0 like the loader always did
    NotANumber,  // anything else: reads as 0 and is reported by the loader
    OutOfRange,  // a number too large for a 32-bit float: reads as 0 and is reported
};

// Reads the field [begin, end) into *value. Blanks around the field are ignored.
// Plain decimals (optional '-', digits, at most one '.' followed by digits) are
// accumulated digit by digit in single precision, each fractional digit k adding
// digit * 10^-k, so that every table keeps the values it always had. A leading
// '+' and an exponent ("1e-3") are accepted too. Anything else stores 0.
FieldStatus parseNumberField(const char* begin, const char* end, float* value);

// The value of a field as the loader stores it (0 for anything that is not a number).
float toFloatNumber(const std::string& text);

// Raises by 32 every character whose code, read as a signed byte, is 96 or
// less. Not a locale-aware lower-casing: it serves the one comparison of the
// header's first field with "name", where only the letter-case variants of
// "name" compare equal.
std::string toLowerString(const std::string& text);

// A value as the view labels it: two decimals, no grouping ("%.2f").
std::string toString(float value);
