#include "data/NumberText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// 10^-k for the fractional digits, as the standard library's pow gives it, so
// that the digit-by-digit sum is the same on every build.
constexpr int kFractionPowers = 40;
const std::array<double, kFractionPowers>& negativePowersOfTen() {
    static const std::array<double, kFractionPowers> table = [] {
        std::array<double, kFractionPowers> t{};
        for (int k = 0; k < kFractionPowers; ++k) t[k] = std::pow(10.0, -k);
        return t;
    }();
    return table;
}

}  // namespace

FieldStatus parseNumberField(const char* begin, const char* end, float* value) {
    *value = 0.0f;
    while (begin < end && isBlank(*begin)) ++begin;
    while (end > begin && isBlank(end[-1])) --end;
    if (begin == end) return FieldStatus::Empty;

    const char* p = begin;
    bool negative = false;
    if (*p == '-' || *p == '+') {
        negative = (*p == '-');
        ++p;
    }
    if (p == end) return FieldStatus::Empty;  // a lone sign

    // Mantissa: digits, at most one '.', digits.
    const char* intBegin = p;
    while (p < end && isDigit(*p)) ++p;
    const char* intEnd = p;
    const char* fracBegin = p;
    const char* fracEnd = p;
    if (p < end && *p == '.') {
        fracBegin = ++p;
        while (p < end && isDigit(*p)) ++p;
        fracEnd = p;
    }
    const bool hasDigits = (intEnd > intBegin) || (fracEnd > fracBegin);
    const bool isPoint = (fracBegin != intEnd);  // a '.' was seen

    if (p < end) {
        // Only an exponent may follow the mantissa.
        if (!hasDigits || (*p != 'e' && *p != 'E')) return FieldStatus::NotANumber;
        const char* q = p + 1;
        if (q < end && (*q == '-' || *q == '+')) ++q;
        const char* expDigits = q;
        while (q < end && isDigit(*q)) ++q;
        if (q == expDigits || q != end) return FieldStatus::NotANumber;
        // Exponent forms are read correctly rounded by the standard library.
        float parsed = 0.0f;
        const char* numberBegin = (*begin == '+') ? begin + 1 : begin;
        auto result = std::from_chars(numberBegin, end, parsed, std::chars_format::general);
        if (result.ec == std::errc::result_out_of_range) {
            // Underflow to a denormal or zero is harmless; overflow is not.
            if (std::fabs(std::strtod(std::string(numberBegin, end).c_str(), nullptr)) < 1.0) {
                *value = 0.0f;
                return FieldStatus::Number;
            }
            return FieldStatus::OutOfRange;
        }
        if (result.ec != std::errc() || result.ptr != end) return FieldStatus::NotANumber;
        if (!std::isfinite(parsed)) return FieldStatus::OutOfRange;
        *value = parsed;
        return FieldStatus::Number;
    }
    if (!hasDigits && !isPoint) return FieldStatus::NotANumber;

    // Plain decimal: integer part accumulated in single precision; each
    // fractional digit k adds digit * 10^-k, the sum rounded to float each step.
    float number = 0.0f;
    for (const char* c = intBegin; c < intEnd; ++c) number = number * 10 + (*c - '0');
    const auto& powers = negativePowersOfTen();
    int k = 1;
    for (const char* c = fracBegin; c < fracEnd; ++c, ++k) {
        const double power = k < kFractionPowers ? powers[k] : std::pow(10.0, -k);
        number = static_cast<float>(number + (*c - '0') * power);
    }
    if (!std::isfinite(number)) return FieldStatus::OutOfRange;
    *value = negative ? -number : number;
    return FieldStatus::Number;
}

float toFloatNumber(const std::string& text) {
    float value = 0.0f;
    parseNumberField(text.data(), text.data() + text.size(), &value);
    return value;
}

std::string toLowerString(const std::string& text) {
    std::string lowered(text);
    for (char& c : lowered) {
        if (static_cast<signed char>(c) <= 96) c = static_cast<char>(c + 32);
    }
    return lowered;
}

std::string toString(float value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}
