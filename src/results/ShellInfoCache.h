#pragma once
// The small-icon index and the type name the shell gives a result. Asked by path, the shell
// takes about a millisecond under Wine (more for a folder); asked by attributes and name,
// microseconds, with the same answer wherever the icon does not depend on the file itself.
// Those answers are kept per extension; files whose type draws its icon from the file
// (programs, icons, shortcuts) and folders that may carry their own icon are asked by path.

#include <string>
#include <unordered_map>

namespace quarrow {

class TShellInfoCache {
public:
    // The index in the system's small-icon list; -1 when the shell has none (the file is gone).
    int IconIndex(const std::wstring& fullName);
    // At most 80 characters; empty when the shell has none.
    std::wstring TypeName(const std::wstring& fullName);
    // Forgets the kept answers (the file types may have changed since).
    void Clear();

    // Whether files with this extension (lower case, without the dot) take their icon from
    // the file itself.
    static bool IconComesFromFile(const std::wstring& extension);

private:
    // The key of the kept answers for a path, or empty when the path must be asked itself.
    std::wstring KeyOf(const std::wstring& fullName, unsigned long& attributes);

    std::unordered_map<std::wstring, int> icons_;
    std::unordered_map<std::wstring, std::wstring> typeNames_;
    std::unordered_map<std::wstring, bool> iconFromFile_;
};

} // namespace quarrow
