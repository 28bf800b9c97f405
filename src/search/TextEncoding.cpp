#include "search/TextEncoding.h"

#include <algorithm>
#include <cstdint>

namespace quarrow {
namespace {

uint16_t CodeUnit(const unsigned char* at, bool bigEndian) {
    return bigEndian ? static_cast<uint16_t>(at[0] << 8 | at[1]) : static_cast<uint16_t>(at[1] << 8 | at[0]);
}

bool IsHighSurrogate(uint16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(uint16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Whether `units` code units read as text: code units that no text holds are allowed only
// rarely (a stray control code in a log), never in a short sample.
bool ReadsAsUtf16Text(const unsigned char* data, size_t units, bool bigEndian) {
    size_t bad = 0;
    for (size_t i = 0; i < units; ++i) {
        const uint16_t unit = CodeUnit(data + 2 * i, bigEndian);
        if (IsHighSurrogate(unit)) {
            // A pair cut by the end of the sample is not held against the text.
            if (i + 1 == units)
                break;
            if (IsLowSurrogate(CodeUnit(data + 2 * (i + 1), bigEndian)))
                ++i;
            else
                ++bad;
        } else if (IsLowSurrogate(unit) || unit == 0xFFFE || unit == 0xFFFF ||
                   (unit < 0x20 && unit != '\t' && unit != '\n' && unit != '\f' && unit != '\r')) {
            ++bad;
        }
    }
    return bad * 64 <= units && (bad == 0 || units >= 64);
}

} // namespace

std::string Utf16Bytes(std::wstring_view text, bool bigEndian) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const wchar_t c : text) {
        const auto low = static_cast<char>(c & 0xFF), high = static_cast<char>((c >> 8) & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

TDetectedEncoding DetectTextEncoding(const void* data, size_t length) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        return {TFileEncoding::Utf8, 3};
    if (length >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)
        return {TFileEncoding::Utf16Le, 2};
    if (length >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF)
        return {TFileEncoding::Utf16Be, 2};

    const size_t units = std::min(length, EncodingSampleLength) / 2;
    size_t evenZeros = 0, oddZeros = 0;
    for (size_t i = 0; i < units; ++i) {
        evenZeros += bytes[2 * i] == 0;
        oddZeros += bytes[2 * i + 1] == 0;
    }
    // Zeros on the high side of many code units, and seldom on the low side (U+0100, U+4E00).
    const auto plainLettersOn = [units](size_t highZeros, size_t lowZeros) {
        return highZeros > 0 && highZeros * 16 >= units && lowZeros * 8 <= highZeros;
    };
    if (plainLettersOn(oddZeros, evenZeros) && ReadsAsUtf16Text(bytes, units, false))
        return {TFileEncoding::Utf16Le, 0};
    if (plainLettersOn(evenZeros, oddZeros) && ReadsAsUtf16Text(bytes, units, true))
        return {TFileEncoding::Utf16Be, 0};
    return {};
}

} // namespace quarrow
