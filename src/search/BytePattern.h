#pragma once
// One form of the containing text compiled for a vectorised scan: the bytes each position of
// the pattern accepts (more than one where letter case is ignored), two rare positions whose
// bytes find the candidates a vector of windows at a time, and the check of each candidate.

#include "search/TextEncoding.h"

#include <array>
#include <cstdint>
#include <memory>
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
    // Without `caseSensitive`, a character also matches every character that shares a case
    // form with it (see CaseRelatives), in the bytes of the form: UTF-8 sequences of any
    // length, UTF-16 code units, and in the ANSI form the code page's bytes (those that
    // `ansiLower` folds alike too) and, for an ASCII letter, the UTF-8 sequences of its
    // relatives beyond ASCII, since a file without a mark may hold UTF-8.
    TBytePattern(const std::string& bytes, TTextForm form, bool caseSensitive,
                 const TAnsiLowerMap& ansiLower);
    ~TBytePattern();
    TBytePattern(const TBytePattern&) = delete;
    TBytePattern& operator=(const TBytePattern&) = delete;

    const std::string& Bytes() const { return bytes_; }
    TTextForm Form() const { return form_; }
    bool CaseSensitive() const { return caseSensitive_; }
    int64_t Length() const { return static_cast<int64_t>(bytes_.size()); }
    // The bytes of the longest text the pattern matches.
    int64_t LongestMatch() const { return longestMatch_; }

    // Offset of the first match in [data, data + length) that starts at `from` or later, on a
    // code unit of the form (an even offset for UTF-16), or -1; `matchLength` receives the
    // bytes of the match. An empty pattern never matches. Allocates nothing, so that it can
    // run inside a guarded read.
    int64_t Find(const unsigned char* data, int64_t length, int64_t from,
                 TScanKernel kernel = TScanKernel::Best, int64_t* matchLength = nullptr) const;

    // Where a scan looks for candidates, and what each of the two bytes must be.
    struct TFilter {
        int64_t first = 0, second = 0;
        unsigned char mask1 = 0, value1 = 0, mask2 = 0, value2 = 0;
        int step = 1;
    };
    // A sequence of characters that each take a fixed number of bytes, scanned for.
    struct TScan;

private:
    // A character of the pattern: the byte strings it matches, shortest first.
    using TAlternatives = std::vector<std::string>;
    // A form of a character longer than its shortest ones: where its bytes stand in a file,
    // the rest of the pattern is looked for around them.
    struct TDetour {
        std::string bytes;
        size_t element = 0;
    };

    static std::vector<TAlternatives> Elements(const std::string& bytes, TTextForm form, bool caseSensitive,
                                               const TAnsiLowerMap& ansiLower);
    bool StartsBefore(const unsigned char* data, int64_t at, size_t element, int64_t from,
                      int64_t& start) const;
    bool EndsAfter(const unsigned char* data, int64_t length, int64_t at, size_t element, int64_t& end) const;

    std::string bytes_;
    TTextForm form_;
    bool caseSensitive_;
    std::vector<TAlternatives> elements_;
    int64_t longestMatch_ = 0;
    // Finds the matches whose characters all take their shortest forms.
    std::unique_ptr<TScan> shortest_;
    // Finds the first two bytes of every detour, and where they may be, the detours.
    std::unique_ptr<TScan> detourStarts_;
    std::vector<TDetour> detours_;
    int64_t mostBytesBeforeADetour_ = 0;
};

// The characters that a character matches when case is ignored: those that share a case
// form with it (the character itself, its upper case or its lower case is the other's,
// the other's upper case or the other's lower case). This is Unicode's simple case folding
// (sigma, final sigma and capital sigma; k, K and the Kelvin sign; the sharp s and its
// capital), with the Turkish letters besides: I matches the dotless i, whose upper case it
// is, and the dotted capital I, whose lower case is i. The character comes first.
std::vector<std::wstring> CaseRelatives(const std::wstring& character);

} // namespace quarrow
