#include "settings/LaunchArguments.h"

namespace quarrow {

const wchar_t LaunchUsage[] = L"Usage: quarrow.exe [location] [--name PATTERN] [--text TEXT] [--search]";

TLaunchArguments ParseLaunchArguments(const std::vector<std::wstring>& arguments) {
    TLaunchArguments result;
    bool locationGiven = false;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size() && result.Error.empty(); ++i) {
        const std::wstring& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.compare(0, 2, L"--") != 0) {
            if (locationGiven)
                result.Error = L"Only one location can be given: " + argument;
            else
                result.Location = argument;
            locationGiven = true;
            continue;
        }
        if (argument == L"--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = argument.find(L'=');
        const std::wstring option = argument.substr(0, equals);
        if (option == L"--search" && equals == std::wstring::npos) {
            result.Search = true;
            continue;
        }
        if (option != L"--name" && option != L"--text") {
            result.Error = L"Unknown option: " + argument;
            continue;
        }
        std::wstring value;
        if (equals != std::wstring::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            result.Error = L"The option " + option + L" needs a value.";
            continue;
        }
        (option == L"--name" ? result.Name : result.Text) = value;
    }
    return result;
}

} // namespace quarrow
