#include "search/TextEncoding.h"

#include <algorithm>
#include <cstdint>

namespace quarrow {
namespace {

// Fewer code units without zeros than this tell too little.
constexpr size_t MinUnitsWithoutZeros = 64;

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

bool IsValidUtf8(const unsigned char* data, size_t length) {
    for (size_t at = 0; at < length;) {
        const unsigned char lead = data[at];
        const size_t sequence = lead < 0x80                    ? 1
                                : lead >= 0xC2 && lead <= 0xDF ? 2
                                : lead >= 0xE0 && lead <= 0xEF ? 3
                                : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                               : 0;
        if (sequence == 0)
            return false;
        // A character cut by the end of the sample is not held against the text.
        for (size_t i = 1; i < sequence && at + i < length; ++i) {
            if ((data[at + i] & 0xC0) != 0x80)
                return false;
        }
        at += sequence;
    }
    return true;
}

bool IsPrintableAscii(unsigned char byte) {
    return (byte >= 0x20 && byte < 0x7F) || byte == '\r' || byte == '\n';
}

bool InChineseOrJapaneseBlocks(uint16_t unit) {
    return (unit >= 0x3000 && unit <= 0x30FF) || (unit >= 0x3400 && unit <= 0x4DBF) ||
           (unit >= 0x4E00 && unit <= 0x9FFF) || (unit >= 0xFF00 && unit <= 0xFFEF);
}

// Chinese or Japanese in UTF-16 has next to no zero bytes. Such code units read as text
// when none is a control code, a noncharacter, a private-use character or half of a broken
// surrogate pair: random data and the ANSI letters of most scripts fail that within a few
// dozen units. What is left must be the writing of Chinese or Japanese, mostly below U+8000
// (kana, punctuation, the common ideographs): the double-byte ANSI code pages make other
// blocks, or in Shift JIS the upper part of the ideographs. ANSI text of Latin letters
// makes code units of two printable ASCII characters throughout.
bool ReadsAsUtf16WithoutZeros(const unsigned char* data, size_t units, bool bigEndian) {
    size_t asciiPairs = 0, others = 0, chineseOrJapanese = 0, belowU8000 = 0;
    for (size_t i = 0; i < units; ++i) {
        const uint16_t unit = CodeUnit(data + 2 * i, bigEndian);
        if (IsHighSurrogate(unit)) {
            if (i + 1 == units)
                break;
            if (!IsLowSurrogate(CodeUnit(data + 2 * (i + 1), bigEndian)))
                return false;
            ++i;
            ++others;
            continue;
        }
        const bool control = unit < 0x20 && unit != '\t' && unit != '\n' && unit != '\f' && unit != '\r';
        const bool privateUse = unit >= 0xE000 && unit <= 0xF8FF;
        if (control || privateUse || IsLowSurrogate(unit) || unit == 0xFFFE || unit == 0xFFFF)
            return false;
        if (IsPrintableAscii(data[2 * i]) && IsPrintableAscii(data[2 * i + 1])) {
            ++asciiPairs;
        } else if (unit >= 0x100) {
            ++others;
            if (InChineseOrJapaneseBlocks(unit)) {
                ++chineseOrJapanese;
                belowU8000 += unit < 0x8000;
            }
        }
    }
    return asciiPairs * 2 <= units && chineseOrJapanese > 0 && chineseOrJapanese * 4 >= others * 3 &&
           belowU8000 * 4 >= chineseOrJapanese;
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
    // UTF-8 would read as UTF-16 of this kind too.
    if (units >= MinUnitsWithoutZeros && !IsValidUtf8(bytes, 2 * units)) {
        if (ReadsAsUtf16WithoutZeros(bytes, units, false))
            return {TFileEncoding::Utf16Le, 0};
        if (ReadsAsUtf16WithoutZeros(bytes, units, true))
            return {TFileEncoding::Utf16Be, 0};
    }
    return {};
}

} // namespace quarrow
