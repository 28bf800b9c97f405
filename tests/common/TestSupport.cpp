#include "TestSupport.h"

#include "base/FileSystem.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "ui/Controls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace quarrow::test {
namespace {

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}


std::wstring EnvironmentValue(const wchar_t* name) {
    wchar_t buffer[32768];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
    return length > 0 && length < 32768 ? std::wstring(buffer, length) : std::wstring();
}

} // namespace

std::wstring LinuxPath(const std::wstring& path) {
    if (path.size() < 3 || (path[0] != L'Z' && path[0] != L'z') || path[1] != L':')
        return {};
    std::wstring result = path.substr(2);
    for (wchar_t& c : result) {
        if (c == L'\\')
            c = L'/';
    }
    return result;
}

bool RunLinuxCommand(const std::wstring& program, const std::wstring& path, const std::wstring& secondPath,
                     const std::function<bool()>& done) {
    const std::wstring linuxPath = LinuxPath(path);
    const std::wstring linuxSecond = secondPath.empty() ? std::wstring() : LinuxPath(secondPath);
    if (linuxPath.empty() || (!secondPath.empty() && linuxSecond.empty()))
        return false;
    std::wstring command = program + L" \"" + linuxPath + L"\"";
    if (!linuxSecond.empty())
        command += L" \"" + linuxSecond + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    UniqueHandle thread(process.hThread), handle(process.hProcess);
    // Wine starts a Linux program without a process handle to wait on: poll for its effect.
    const auto finished =
        done ? done : [&path] { return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; };
    for (int i = 0; i < 500 && !finished(); ++i)
        Sleep(10);
    return finished();
}

Watchdog::Watchdog(DWORD limitSeconds) : limitSeconds_(limitSeconds) {
    if (const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info())
        test_ = std::string(test->test_suite_name()) + "." + test->name();
    ended_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
}

Watchdog::~Watchdog() {
    SetEvent(ended_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(ended_);
}

void Watchdog::Step(const char* step) {
    step_ = step;
}

// Only kernel waits here: what hangs may be the runtime's own condition variables.
DWORD WINAPI Watchdog::Watch(void* self) {
    auto& watchdog = *static_cast<Watchdog*>(self);
    if (WaitForSingleObject(watchdog.ended_, watchdog.limitSeconds_ * 1000) == WAIT_OBJECT_0)
        return 0;
    std::fprintf(stderr, "\n%s did not end within %lu s; it was %s.\n", watchdog.test_.c_str(),
                 static_cast<unsigned long>(watchdog.limitSeconds_), watchdog.step_.load());
    std::fflush(stdout);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
}

// QUARROW_BUILD_DIR is a Linux path when ctest sets it; Wine maps it through Z:.
std::wstring BuildFolder() {
    std::wstring dir = EnvironmentValue(L"QUARROW_BUILD_DIR");
    if (!dir.empty() && dir[0] == L'/') {
        for (wchar_t& c : dir) {
            if (c == L'/')
                c = L'\\';
        }
        dir = L"Z:" + dir;
    }
    return dir;
}

// Process ids come back soon under Wine, so the start time makes the name unique too.
TempDir::TempDir(const std::wstring& tag) {
    static std::atomic<int> counter{0};
    std::wstring base = BuildFolder();
    if (!base.empty())
        base += L"\\testdata";
    else
        base = std::filesystem::temp_directory_path().wstring() + L"quarrow-tests";
    std::filesystem::create_directories(base);
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    wchar_t stamp[24];
    std::swprintf(stamp, 24, L"%llx", static_cast<unsigned long long>(now.QuadPart));
    path_ = base + L"\\" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(counter++) + L"-" + stamp;
    std::filesystem::create_directories(path_);
}

// Under Wine, Linux removes the folder: the platform's removal is defeated by loops of
// Linux folder links and by names its paths cannot express (a trailing dot or blank).
TempDir::~TempDir() {
    if (RunLinuxCommand(L"/bin/rm -rf", path_))
        return;
    DeletePermanently(path_);
}

std::wstring WriteFileExactly(const std::wstring& path, const std::string& content) {
    for (size_t end = path.find(L'\\', 3); end != std::wstring::npos; end = path.find(L'\\', end + 1))
        CreateDirectoryW(ExtendedLengthPath(path.substr(0, end)).c_str(), nullptr);
    const UniqueFile file(CreateFileW(ExtendedLengthPath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file && !content.empty())
        WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    return path;
}

std::wstring MakeDeepFolder(const std::wstring& base, size_t length) {
    std::wstring folder = base;
    for (wchar_t letter = L'a'; folder.size() < length; ++letter) {
        folder += L"\\" + std::wstring(40, letter);
        CreateDirectoryW(ExtendedLengthPath(folder).c_str(), nullptr);
    }
    return folder;
}

std::wstring TempDir::Sub(const std::wstring& relative) const {
    return path_ + L"\\" + relative;
}

std::wstring TempDir::WriteFile(const std::wstring& relative, const std::string& content) const {
    const std::filesystem::path full = Sub(relative);
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return full.wstring();
}

std::wstring TempDir::MakeDir(const std::wstring& relative) const {
    std::filesystem::create_directories(Sub(relative));
    return Sub(relative);
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring OutputFolder() {
    std::wstring dir = BuildFolder();
    if (dir.empty())
        dir = std::filesystem::temp_directory_path().wstring() + L"quarrow-tests";
    dir += L"\\screenshots";
    std::filesystem::create_directories(dir);
    return dir;
}

bool SaveWindowBitmap(HWND window, const std::wstring& path) {
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    UniqueGdiObject bitmap(CreateCompatibleBitmap(screen, width, height));
    HGDIOBJ old = SelectObject(memory, bitmap.Get());
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const int stride = (width * 3 + 3) & ~3;
    std::string pixels(static_cast<size_t>(stride) * height, '\0');
    GetDIBits(memory, static_cast<HBITMAP>(bitmap.Get()), 0, height, pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(out);
}

bool SetLastWriteTimeUtc(const std::wstring& path, int year, int month, int day, int hour, int minute,
                         int second) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    FILETIME ft;
    if (!SystemTimeToFileTime(&st, &ft))
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const DWORD flags = (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                            ? FILE_FLAG_BACKUP_SEMANTICS
                            : 0;
    UniqueFile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, flags, nullptr));
    return file && SetFileTime(file.Get(), nullptr, nullptr, &ft);
}

PromptResult ScriptedPrompt::Message(PromptType type, const std::wstring& text, PromptButtons buttons) {
    records_.push_back({Kind::Message, type, buttons, text, {}});
    if (!answers_.empty()) {
        const PromptResult result = answers_.front().result;
        answers_.pop_front();
        return result;
    }
    return buttons == PromptButtons::YesNo ? PromptResult::No : PromptResult::Ok;
}

bool ScriptedPrompt::NextDialogAnswer(std::wstring& path) {
    if (answers_.empty())
        return false;
    const Answer answer = answers_.front();
    answers_.pop_front();
    if (answer.accept)
        path = answer.path;
    return answer.accept;
}

bool ScriptedPrompt::PickFolder(std::wstring& folder, const std::wstring& title) {
    records_.push_back({Kind::PickFolder, PromptType::Information, PromptButtons::Ok, title, folder});
    return NextDialogAnswer(folder);
}

bool ScriptedPrompt::BrowseFolder(std::wstring& folder, const std::wstring& title, bool newStyle) {
    records_.push_back({Kind::BrowseFolder, PromptType::Information, PromptButtons::Ok, title,
                        newStyle ? L"new style" : L"old style"});
    return NextDialogAnswer(folder);
}

bool ScriptedPrompt::SaveFileName(const FileDialogOptions& options, std::wstring& path) {
    records_.push_back(
        {Kind::SaveFile, PromptType::Information, PromptButtons::Ok, options.defaultExt, options.filter});
    return NextDialogAnswer(path);
}

bool ScriptedPrompt::OpenFileName(const FileDialogOptions& options, std::wstring& path) {
    records_.push_back(
        {Kind::OpenFile, PromptType::Information, PromptButtons::Ok, options.initialDir, options.filter});
    return NextDialogAnswer(path);
}

PromptResult ScriptedPrompt::ShowModalForm(IModalForm& form) {
    records_.push_back({Kind::ModalForm, PromptType::Information, PromptButtons::Ok, form.Caption(), {}});
    if (answers_.empty())
        return PromptResult::Ok;
    const PromptResult result = answers_.front().result;
    answers_.pop_front();
    return result;
}

bool StartLinuxProgram(const std::wstring& commandLine) {
    std::wstring command = L"start.exe /unix " + commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info))
        return false;
    UniqueHandle process(info.hProcess);
    CloseHandle(info.hThread);
    return WaitForSingleObject(process.Get(), 15000) == WAIT_OBJECT_0;
}

std::wstring ZDriveLinuxPath(const std::wstring& zDrivePath) {
    std::wstring path = zDrivePath.substr(2);
    for (wchar_t& c : path) {
        if (c == L'\\')
            c = L'/';
    }
    return path;
}

HWND WaitForOtherProcessWindow(const std::wstring& text, DWORD timeoutMs) {
    struct Search {
        std::wstring text;
        HWND found = nullptr;
    } search{LowerAsciiLetters(text)};
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        EnumWindows(
            [](HWND window, LPARAM value) -> BOOL {
                auto* s = reinterpret_cast<Search*>(value);
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                if (process != GetCurrentProcessId() && IsWindowVisible(window) &&
                    LowerAsciiLetters(WindowText(window)).find(s->text) != std::wstring::npos) {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr || GetTickCount64() >= deadline)
            return search.found;
        Sleep(50);
    }
}

DialogAnswerer::DialogAnswerer(WORD command) : command_(command), thread_([this] { Watch(); }) {}

DialogAnswerer::~DialogAnswerer() {
    stop_ = true;
    thread_.join();
}

int DialogAnswerer::Answered() {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(captions_.size());
}

std::vector<std::wstring> DialogAnswerer::Captions() {
    std::lock_guard<std::mutex> lock(mutex_);
    return captions_;
}

void DialogAnswerer::Watch() {
    while (!stop_) {
        std::vector<HWND> dialogs;
        EnumWindows(
            [](HWND window, LPARAM parameter) -> BOOL {
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
                    ClassName(window) == L"#32770")
                    reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&dialogs));
        for (HWND dialog : dialogs) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (seen_.insert(dialog).second)
                captions_.push_back(WindowText(dialog));
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(command_, BN_CLICKED), 0);
        }
        {
            // A window handle may come back for a later dialog.
            std::lock_guard<std::mutex> lock(mutex_);
            for (auto it = seen_.begin(); it != seen_.end();)
                it = IsWindow(*it) ? std::next(it) : seen_.erase(it);
        }
        Sleep(dialogs.empty() ? 20 : 200);
    }
}

} // namespace quarrow::test
