#include "core/string_commands.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>
#include <ctime>
#include <locale.h>
#include <string_view>

#include "core/block_registry.h"
#include "startup/error.h"

namespace korva {
namespace {

constexpr char kMustBePositive[] = "parameter must be positive";
constexpr char kMustBeGreaterThanZero[] = "parameter must be greater than 0";

constexpr auto kSpaces = [] {
    std::array<char, 256> spaces{};
    spaces.fill(' ');
    return spaces;
}();

void setLength(qyStr* str, size_t length) {
    str->length = length;
    str->text[length] = '\0';
}

void appendSpaces(qyStr* str, size_t count) {
    while (count > 0) {
        const size_t chunk = std::min(count, kSpaces.size());
        strAppend(str, kSpaces.data(), chunk);
        count -= chunk;
    }
}

// Keeps count bytes starting at start, moved to the front. A null string has
// no bytes, so it only ever keeps nothing and stays null.
qyStr* keepBytes(qyStr* str, size_t start, size_t count) {
    if (str == nullptr) return nullptr;
    if (start != 0) std::memmove(str->text, str->text + start, count);
    setLength(str, count);
    return str;
}

// Moves bytes down to the write position (never past the bytes still to be
// read) and gives the position after them.
char* copyDown(char* write, const char* read, size_t count) {
    if (write != read) std::memmove(write, read, count);
    return write + count;
}

bool continuesWith(const char* text, const char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (text[i] != bytes[i]) return false;
    return true;
}

// Tests sixteen start positions at once: a position is a candidate when both
// the needle's first byte and its last byte are in place, which rules out
// nearly every other position without comparing more. The search runs inline;
// calling memchr or memmem for each of a Replace's many short searches costs
// more than the scanning itself. No load reaches past the end.
const char* findBytes(const char* begin, const char* end, std::string_view needle) {
    const size_t length = needle.size();
    if (length == 0) return begin;
    if (static_cast<size_t>(end - begin) < length) return nullptr;
    const char* const lastStart = end - length;
    const __m128i first = _mm_set1_epi8(needle.front());
    const __m128i last = _mm_set1_epi8(needle.back());
    const char* at = begin;
    for (; lastStart - at >= 15; at += 16) {
        const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + length - 1));
        auto candidates = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(starts, first), _mm_cmpeq_epi8(ends, last))));
        for (; candidates != 0; candidates &= candidates - 1) {
            const char* candidate = at + __builtin_ctz(candidates);
            if (continuesWith(candidate + 1, needle.data() + 1, length - 1)) return candidate;
        }
    }
    for (; at <= lastStart; ++at)
        if (continuesWith(at, needle.data(), length)) return at;
    return nullptr;
}

size_t countMatches(std::string_view text, std::string_view needle) {
    size_t count = 0;
    const char* const end = text.data() + text.size();
    for (const char* match = text.data(); (match = findBytes(match, end, needle)) != nullptr; match += needle.size())
        ++count;
    return count;
}

// Replaces the matches left to right and never searches inserted text: after
// a match the search goes on in the original text behind it. When the text
// grows, the original is first moved to the back of a buffer of the final
// size, so the result can be written from the front without ever overtaking
// the bytes still to be read.
void replaceMatches(qyStr* str, std::string_view from, std::string_view to) {
    const size_t length = str->length;
    size_t growth = 0;
    if (to.size() > from.size()) {
        const size_t matches = countMatches(strView(str), from);
        if (matches == 0) return;
        const size_t growthPerMatch = to.size() - from.size();
        if (matches > (SIZE_MAX - 1 - length) / growthPerMatch) failOutOfMemory();
        growth = matches * growthPerMatch;
        appendSpaces(str, growth);
        std::memmove(str->text + growth, str->text, length);
    }
    const char* read = str->text + growth;
    const char* const end = read + length;
    char* write = str->text;
    for (const char* match; (match = findBytes(read, end, from)) != nullptr; read = match + from.size()) {
        write = copyDown(write, read, static_cast<size_t>(match - read));
        std::memcpy(write, to.data(), to.size());
        write += to.size();
    }
    write = copyDown(write, read, static_cast<size_t>(end - read));
    setLength(str, static_cast<size_t>(write - str->text));
}

template <char First, char Last, int Shift>
qyStr* shiftLetters(qyStr* str) {
    if (str == nullptr) return nullptr;
    char* const end = str->text + str->length;
    for (char* c = str->text; c != end; ++c)
        if (*c >= First && *c <= Last) *c = static_cast<char>(*c + Shift);
    return str;
}

// Space and the control characters, DEL included. Bytes above 127 are
// letters and signs of the program's code page, so they count as text.
bool isBlankOrControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 0x7F;
}

// The 32 bits of the value as fixed-width digits, most significant first.
qyStr* fixedWidthDigits(int32_t value, unsigned bitsPerDigit) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    const size_t count = 32 / bitsPerDigit;
    const uint32_t digitMask = (1u << bitsPerDigit) - 1;
    char text[32];
    auto bits = static_cast<uint32_t>(value);
    for (size_t i = count; i-- > 0; bits >>= bitsPerDigit) text[i] = kDigits[bits & digitMask];
    return strFromBytes(text, count);
}

// Month and day names are always English, whatever locale the process set.
qyStr* localTimeText(const char* format) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return strNew();
    char text[256];
    return strFromBytes(text, strftime_l(text, sizeof text, format, &local, cLocale));
}

}  // namespace

qyStr* cmdString(qyStr* string, int32_t repeat) {
    qyStr* result = strNew();
    const size_t length = strLength(string);
    if (repeat > 0 && length > 0) {
        if (static_cast<size_t>(repeat) > (SIZE_MAX - 1) / length) failOutOfMemory();
        const size_t total = length * static_cast<size_t>(repeat);
        strAppend(result, strText(string), length);
        // Doubling the result's own text takes log(repeat) appends.
        while (result->length < total) strAppend(result, result->text, std::min(result->length, total - result->length));
    }
    strRelease(string);
    return result;
}

qyStr* cmdLeft(qyStr* string, int32_t count) {
    if (count < 0) raiseRuntimeError(kMustBePositive);
    return keepBytes(string, 0, std::min(strLength(string), static_cast<size_t>(count)));
}

qyStr* cmdRight(qyStr* string, int32_t count) {
    if (count < 0) raiseRuntimeError(kMustBePositive);
    const size_t kept = std::min(strLength(string), static_cast<size_t>(count));
    return keepBytes(string, strLength(string) - kept, kept);
}

// An empty search text would match everywhere forever; the text is left as
// it is instead.
qyStr* cmdReplace(qyStr* string, qyStr* from, qyStr* to) {
    if (strLength(string) > 0 && strLength(from) > 0) replaceMatches(string, strView(from), strView(to));
    strRelease(from);
    strRelease(to);
    return string;
}

int32_t cmdInstr(qyStr* string, qyStr* find, int32_t from) {
    if (from < 1) raiseRuntimeError(kMustBeGreaterThanZero);
    const std::string_view text = strView(string);
    const auto start = static_cast<size_t>(from - 1);
    const char* match = start <= text.size() ? findBytes(text.data() + start, text.data() + text.size(), strView(find))
                                             : nullptr;
    const int32_t position = match != nullptr ? static_cast<int32_t>(match - text.data()) + 1 : 0;
    strRelease(string);
    strRelease(find);
    return position;
}

qyStr* cmdMid(qyStr* string, int32_t start, int32_t count) {
    if (start < 1) raiseRuntimeError(kMustBeGreaterThanZero);
    const size_t begin = std::min(strLength(string), static_cast<size_t>(start - 1));
    const size_t rest = strLength(string) - begin;
    return keepBytes(string, begin, count < 0 ? rest : std::min(rest, static_cast<size_t>(count)));
}

qyStr* cmdUpper(qyStr* string) { return shiftLetters<'a', 'z', 'A' - 'a'>(string); }

qyStr* cmdLower(qyStr* string) { return shiftLetters<'A', 'Z', 'a' - 'A'>(string); }

qyStr* cmdTrim(qyStr* string) {
    const std::string_view text = strView(string);
    const auto first = std::find_if_not(text.begin(), text.end(), isBlankOrControl);
    const auto last = std::find_if_not(text.rbegin(), std::make_reverse_iterator(first), isBlankOrControl).base();
    return keepBytes(string, static_cast<size_t>(first - text.begin()), static_cast<size_t>(last - first));
}

qyStr* cmdLSet(qyStr* string, int32_t size) {
    if (size < 0) raiseRuntimeError(kMustBePositive);
    const auto wanted = static_cast<size_t>(size);
    const size_t length = strLength(string);
    if (wanted <= length) return keepBytes(string, 0, wanted);
    qyStr* padded = string != nullptr ? string : strNew();
    appendSpaces(padded, wanted - length);
    return padded;
}

qyStr* cmdRSet(qyStr* string, int32_t size) {
    if (size < 0) raiseRuntimeError(kMustBePositive);
    const auto wanted = static_cast<size_t>(size);
    const size_t length = strLength(string);
    if (wanted <= length) return keepBytes(string, length - wanted, wanted);
    qyStr* padded = string != nullptr ? string : strNew();
    const size_t padding = wanted - length;
    appendSpaces(padded, padding);
    std::memmove(padded->text + padding, padded->text, length);
    std::memset(padded->text, ' ', padding);
    return padded;
}

qyStr* cmdChr(int32_t ascii) {
    const auto byte = static_cast<char>(ascii & 0xFF);
    return strFromBytes(&byte, 1);
}

int32_t cmdAsc(qyStr* string) {
    const int32_t code = strLength(string) > 0 ? static_cast<unsigned char>(string->text[0]) : -1;
    strRelease(string);
    return code;
}

int32_t cmdLen(qyStr* string) {
    const auto length = static_cast<int32_t>(strLength(string));
    strRelease(string);
    return length;
}

qyStr* cmdHex(int32_t value) { return fixedWidthDigits(value, 4); }

qyStr* cmdBin(int32_t value) { return fixedWidthDigits(value, 1); }

qyStr* cmdCurrentDate() { return localTimeText("%d %b %Y"); }

qyStr* cmdCurrentTime() { return localTimeText("%H:%M:%S"); }

}  // namespace korva
