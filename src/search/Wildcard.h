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

    // The names that hold `word` anywhere, letters compared as the file system compares
    // them; aliases are not looked at. The listing's own rules would take "abc." for "abc"
    // and "." for every name.
    static TWildcard Containing(const std::wstring& word);

    // The pattern as the walk was given it ("*word*" for a word).
    const std::wstring& Text() const { return text_; }

    // Every name matches.
    bool MatchesEverything() const { return word_.empty() && expression_.MatchesEverything(); }
    // Whether an entry's 8.3 alias can decide.
    bool LooksAtAliases() const { return word_.empty() && !MatchesEverything(); }

    // Whether the listing returns the entry with this long name and 8.3 alias (empty
    // when the entry has none).
    bool Matches(std::wstring_view name, std::wstring_view alias) const;

private:
    std::wstring text_;
    TNameExpression expression_;
    std::wstring word_; // upper case; empty for a pattern
};

// The upper-case form of one UTF-16 unit, as the file system compares names.
wchar_t UpcaseNameChar(wchar_t c);

} // namespace quarrow
