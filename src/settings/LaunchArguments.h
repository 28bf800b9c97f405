#pragma once
// The window's command line: quarrow.exe [location] [--name PATTERN] [--text TEXT] [--search].

#include <string>
#include <vector>

namespace quarrow {

struct TLaunchArguments {
    std::wstring Location; // taken as given; empty when none was given
    std::wstring Name;     // the name box's text
    std::wstring Text;     // the containing-text box's text
    bool Search = false;   // start the search once the window shows
    // What could not be read, for a message; the arguments read before it still count.
    std::wstring Error;
};

// The arguments after the program's name.
TLaunchArguments ParseLaunchArguments(const std::vector<std::wstring>& arguments);

extern const wchar_t LaunchUsage[];

} // namespace quarrow
