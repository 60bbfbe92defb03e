#include "core/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <memory>

#include "core/block_registry.h"

namespace korva {
namespace {

bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isSign(char c) {
    return c == '+' || c == '-';
}

bool isExponentLetter(char c) {
    return c == 'e' || c == 'E' || c == 'd' || c == 'D';
}

const char* skipSpace(const char* p) {
    while (isSpace(*p)) ++p;
    return p;
}

const char* skipDigits(const char* p) {
    while (isDigit(*p)) ++p;
    return p;
}

int copyText(const char* text, char* out) {
    size_t length = std::strlen(text);
    std::memcpy(out, text, length + 1);
    return static_cast<int>(length);
}

// The usable prefix of a decimal number: [begin, end), with the exponent
// letter's position when there is an exponent. Empty when nothing is usable.
struct DecimalSpan {
    const char* begin;
    const char* end;
    const char* exponentLetter;
};

// An exponent counts only with at least one digit: "1e" and "1e+" are 1.
const char* scanExponent(const char* letter) {
    const char* digits = letter + 1;
    if (isSign(*digits)) ++digits;
    const char* end = skipDigits(digits);
    return end != digits ? end : nullptr;
}

DecimalSpan scanDecimal(const char* text) {
    const char* begin = skipSpace(text);
    const char* p = begin;
    if (isSign(*p)) ++p;
    const char* integerEnd = skipDigits(p);
    bool hasDigits = integerEnd != p;
    p = integerEnd;
    if (*p == '.') {
        const char* fractionEnd = skipDigits(p + 1);
        hasDigits = hasDigits || fractionEnd != p + 1;
        p = fractionEnd;
    }
    if (!hasDigits) return {begin, begin, nullptr};
    if (isExponentLetter(*p)) {
        if (const char* exponentEnd = scanExponent(p)) return {begin, exponentEnd, p};
    }
    return {begin, p, nullptr};
}

// Numbers read the same whatever locale a library may have switched to.
locale_t createClassicNumericLocale() {
    locale_t locale = newlocale(LC_NUMERIC_MASK, "C", locale_t{});
    if (locale == locale_t{}) failOutOfMemory();
    return locale;
}

locale_t classicNumericLocale() {
    static const locale_t locale = createClassicNumericLocale();
    return locale;
}

// strtod only understands "e" exponents, and must not see what follows the
// span (it would read "0x1p3" as hexadecimal), so it gets a normalised copy.
double convertDecimal(const DecimalSpan& span, char* copy) {
    size_t length = static_cast<size_t>(span.end - span.begin);
    std::memcpy(copy, span.begin, length);
    copy[length] = '\0';
    if (span.exponentLetter != nullptr) copy[span.exponentLetter - span.begin] = 'e';
    return strtod_l(copy, nullptr, classicNumericLocale());
}

// A value rounded to six significant digits: 0.d1d2d3d4d5d6 times ten to
// the exponent.
struct SixDigits {
    char digits[6];
    int exponent;
};

SixDigits roundToSixDigits(double magnitude) {
    SixDigits result{{'0', '0', '0', '0', '0', '0'}, 0};
    if (magnitude == 0) return result;
    // "d.ddddde+XX"; the point is skipped rather than matched, whichever
    // character the locale prints for it.
    char scientific[32];
    std::snprintf(scientific, sizeof scientific, "%.5e", magnitude);
    const char* p = scientific;
    for (int count = 0; count < 6; ++p) {
        if (isDigit(*p)) result.digits[count++] = *p;
    }
    while (*p != 'e') ++p;
    result.exponent = parseInt(p + 1) + 1;
    return result;
}

// Writes digits from..5 without their trailing zeros, but at least keep of them.
char* writeTrimmedDigits(const SixDigits& value, int from, int keep, char* out) {
    int end = 6;
    while (end > from + keep && value.digits[end - 1] == '0') --end;
    for (int i = from; i < end; ++i) *out++ = value.digits[i];
    return out;
}

char* writeLeadingDigits(const SixDigits& value, int count, char* out) {
    for (int i = 0; i < count; ++i) *out++ = value.digits[i];
    return out;
}

char* writeRepeated(char c, int count, char* out) {
    for (int i = 0; i < count; ++i) *out++ = c;
    return out;
}

char* writeExponentForm(const SixDigits& value, char* out) {
    *out++ = value.digits[0];
    *out++ = '.';
    out = writeTrimmedDigits(value, 1, 0, out);
    int exponent = value.exponent - 1;
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    int magnitude = std::abs(exponent);
    *out++ = static_cast<char>('0' + magnitude / 100);
    *out++ = static_cast<char>('0' + magnitude / 10 % 10);
    *out++ = static_cast<char>('0' + magnitude % 10);
    return out;
}

char* writeBelowOne(const SixDigits& value, char* out) {
    *out++ = '0';
    *out++ = '.';
    out = writeRepeated('0', -value.exponent, out);
    return writeTrimmedDigits(value, 0, 1, out);
}

char* writeWithPoint(const SixDigits& value, char* out) {
    out = writeLeadingDigits(value, value.exponent, out);
    *out++ = '.';
    return writeTrimmedDigits(value, value.exponent, 1, out);
}

char* writeWholeNumber(const SixDigits& value, char* out) {
    out = writeLeadingDigits(value, 6, out);
    out = writeRepeated('0', value.exponent - 6, out);
    *out++ = '.';
    *out++ = '0';
    return out;
}

char* writeFinite(double value, char* out) {
    if (value < 0) *out++ = '-';
    SixDigits digits = roundToSixDigits(std::fabs(value));
    if (digits.exponent < -2 || digits.exponent > 8) return writeExponentForm(digits, out);
    if (digits.exponent <= 0) return writeBelowOne(digits, out);
    if (digits.exponent <= 5) return writeWithPoint(digits, out);
    return writeWholeNumber(digits, out);
}

}  // namespace

int formatInt(int32_t value, char* out) {
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    char reversed[10];
    int count = 0;
    do {
        reversed[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    int length = 0;
    if (value < 0) out[length++] = '-';
    while (count > 0) out[length++] = reversed[--count];
    out[length] = '\0';
    return length;
}

int formatFloat(float value, char* out) {
    double wide = value;
    if (std::isnan(wide)) return copyText("NaN", out);
    if (std::isinf(wide)) return copyText(wide > 0 ? "Infinity" : "-Infinity", out);
    char* end = writeFinite(wide, out);
    *end = '\0';
    return static_cast<int>(end - out);
}

int32_t parseInt(const char* text) {
    if (text == nullptr) return 0;
    const char* p = skipSpace(text);
    bool negative = *p == '-';
    if (isSign(*p)) ++p;
    uint32_t value = 0;
    for (; isDigit(*p); ++p) value = value * 10 + static_cast<uint32_t>(*p - '0');
    return static_cast<int32_t>(negative ? 0u - value : value);
}

float parseFloat(const char* text) {
    if (text == nullptr) return 0.0f;
    DecimalSpan span = scanDecimal(text);
    size_t length = static_cast<size_t>(span.end - span.begin);
    if (length == 0) return 0.0f;
    char shortCopy[64];
    if (length < sizeof shortCopy) return static_cast<float>(convertDecimal(span, shortCopy));
    std::unique_ptr<char, decltype(&std::free)> longCopy(static_cast<char*>(std::malloc(length + 1)), &std::free);
    if (!longCopy) failOutOfMemory();
    return static_cast<float>(convertDecimal(span, longCopy.get()));
}

}  // namespace korva
