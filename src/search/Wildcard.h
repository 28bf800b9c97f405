#pragma once
// A name pattern as the platform's wildcard listing applies it, so that a folder can be
// listed once with "*" and its entries matched here.
//
// The listing first normalises the path: the trailing dots and blanks of the pattern go,
// and "*.*" becomes "*". Then the Win32 layer rewrites the pattern into the file system's
// DOS wildcards: "?" becomes DOS_QM (">"), a "*" before a "." becomes DOS_STAR ("<"), a "."
// before a "?" or "*" becomes DOS_DOT ("\""), and a pattern whose dot was removed and
// that now ends in "*" ends in DOS_STAR. The file system matches the result, without
// regard to case, against the long name and against the 8.3 alias:
//   *  any run of characters          ?  exactly one character
//   <  any run that does not take the name's last dot
//   >  one character; at a dot or at the end of the name, nothing
//   "  a dot; at the end of the name, nothing
// Window-free.

#include <string>
#include <string_view>
#include <vector>

namespace quarrow {

// What the path normalisation and the Win32 layer hand the file system for `pattern`.
std::wstring ListingExpression(const std::wstring& pattern);

// The file system's side: an expression of "*", "?", "<", ">", "\"" and literal
// characters, matched against one name without regard to case.
class TNameExpression {
public:
    explicit TNameExpression(std::wstring_view expression);

    bool MatchesEverything() const { return matchesEverything_; }
    bool Matches(std::wstring_view name) const;

private:
    enum class Kind : unsigned char { Literal, Star, QuestionMark, DosStar, DosQm, DosDot };
    struct Step {
        Kind kind;
        wchar_t upper; // Literal only
    };

    std::vector<Step> steps_;
    bool matchesEverything_ = false;
};

class TWildcard {
public:
    explicit TWildcard(const std::wstring& pattern = L"*");

    // The pattern as the walk was given it.
    const std::wstring& Text() const { return text_; }

    // Every name matches, so the listing needs no aliases.
    bool MatchesEverything() const { return expression_.MatchesEverything(); }

    // Whether the listing returns the entry with this long name and 8.3 alias (empty
    // when the entry has none).
    bool Matches(std::wstring_view name, std::wstring_view alias) const {
        return expression_.Matches(name) || (!alias.empty() && expression_.Matches(alias));
    }

private:
    std::wstring text_;
    TNameExpression expression_;
};

// The upper-case form of one UTF-16 unit, as the file system compares names.
wchar_t UpcaseNameChar(wchar_t c);

} // namespace quarrow
