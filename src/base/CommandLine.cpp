#include "base/CommandLine.h"

#include <windows.h>

namespace quarrow {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// The program's name ends at the first blank outside quotes; backslashes are plain there.
size_t ReadProgramName(std::wstring_view line, std::wstring& name) {
    size_t i = 0;
    bool quoted = false;
    for (; i < line.size(); ++i) {
        const wchar_t c = line[i];
        if (c == L'"')
            quoted = !quoted;
        else if (IsBlank(c) && !quoted)
            break;
        else
            name.push_back(c);
    }
    return i;
}

} // namespace

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
    std::vector<std::wstring> arguments(1);
    size_t i = ReadProgramName(line, arguments.front());
    while (true) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i >= line.size())
            break;
        std::wstring argument;
        bool quoted = false;
        for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
            const wchar_t c = line[i];
            if (c == L'\\') {
                size_t count = 0;
                while (i < line.size() && line[i] == L'\\') {
                    ++count;
                    ++i;
                }
                if (i >= line.size() || line[i] != L'"') {
                    argument.append(count, L'\\');
                    --i;
                    continue;
                }
                const bool closesArgument =
                    quoted && count % 2 == 1 && (i + 1 >= line.size() || IsBlank(line[i + 1]));
                if (closesArgument) {
                    argument.append(count, L'\\');
                    quoted = false;
                    continue;
                }
                argument.append(count / 2, L'\\');
                if (count % 2 == 1)
                    argument.push_back(L'"');
                else
                    quoted = !quoted;
            } else if (c == L'"') {
                // Two quotes inside quotes stand for one.
                if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
                    argument.push_back(L'"');
                    ++i;
                } else {
                    quoted = !quoted;
                }
            } else {
                argument.push_back(c);
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::vector<std::wstring> ProcessArguments() {
    std::vector<std::wstring> arguments = SplitCommandLine(GetCommandLineW());
    arguments.erase(arguments.begin());
    return arguments;
}

} // namespace quarrow
