#pragma once
// Splitting a program's command line into its arguments.

#include <string>
#include <string_view>
#include <vector>

namespace quarrow {

// The arguments of `commandLine`, the program's own name first, split as the platform's C
// runtime splits them, with one difference: inside quotes, backslashes followed by the
// closing quote and a blank (or the end) stay backslashes. So "D:\" is the folder D:\, where
// the runtime would read D:" and take the rest of the line into the same argument.
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);

// The arguments of this process's command line, without the program's name.
std::vector<std::wstring> ProcessArguments();

} // namespace quarrow
