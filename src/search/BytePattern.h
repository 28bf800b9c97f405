#pragma once
// One form of the containing text compiled for a vectorised scan: the bytes each position of
// the pattern accepts (more than one where letter case is ignored), two rare positions whose
// bytes find the candidates a vector of windows at a time, and the check of each candidate.

#include "search/TextEncoding.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quarrow {

// The locale's lower-case form of every ANSI byte.
using TAnsiLowerMap = std::array<unsigned char, 256>;
TAnsiLowerMap AnsiLowerMap();

// The instruction sets a scan can use; Best is the widest the processor has.
enum class TScanKernel { Best, Scalar, Sse2, Avx2 };
bool ScanKernelAvailable(TScanKernel kernel);

class TBytePattern {
public:
    // Without `caseSensitive`, a letter also matches its other case: through `ansiLower` in the
    // ANSI form; in the other forms, the upper- and lower-case forms of each character that
    // take as many bytes (ASCII letters only, for bytes that are no UTF-8 character).
    TBytePattern(const std::string& bytes, TTextForm form, bool caseSensitive,
                 const TAnsiLowerMap& ansiLower);

    const std::string& Bytes() const { return bytes_; }
    TTextForm Form() const { return form_; }
    bool CaseSensitive() const { return caseSensitive_; }
    int64_t Length() const { return static_cast<int64_t>(bytes_.size()); }

    // Offset of the first match in [data, data + length) that starts at `from` or later, on a
    // code unit of the form (an even offset for UTF-16), or -1. An empty pattern never matches.
    int64_t Find(const unsigned char* data, int64_t length, int64_t from,
                 TScanKernel kernel = TScanKernel::Best) const;

    // Whether the pattern matches at `at`, with at + Length() <= length.
    bool MatchesAt(const unsigned char* data, int64_t length, int64_t at) const;

    // Where the scan looks for candidates, and what each of the two bytes must be.
    struct TFilter {
        int64_t first = 0, second = 0;
        unsigned char mask1 = 0, value1 = 0, mask2 = 0, value2 = 0;
        int step = 1;
    };

private:
    // A character of the pattern: the byte strings (all of its length) that it matches.
    struct TElement {
        size_t offset = 0;
        size_t length = 0;
        std::vector<std::string> alternatives;
    };

    static std::vector<TElement> Elements(const std::string& bytes, TTextForm form, bool caseSensitive,
                                          const TAnsiLowerMap& ansiLower);
    void Compile(const std::vector<TElement>& elements);
    void ChooseFilter();

    std::string bytes_;
    TTextForm form_;
    bool caseSensitive_;
    // Byte i matches when (byte & masks_[i]) == values_[i]; padded with zeros to whole vectors.
    std::vector<unsigned char> masks_, values_;
    // The characters whose byte strings the masks cannot tell apart from others.
    std::vector<TElement> checks_;
    TFilter filter_;
};

} // namespace quarrow
