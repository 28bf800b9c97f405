#include "ConsoleTestKit.h"

#include "base/Text.h"

#include "common/TestSupport.h"

namespace quarrow::test {
namespace {

void ReadAll(HANDLE pipe, std::string& into) {
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        into.append(buffer, read);
}

// A pipe whose write end the child inherits.
bool MakePipe(UniqueHandle& read, HANDLE& write) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    if (!CreatePipe(&readEnd, &write, &inherit, 4096))
        return false;
    read.Reset(readEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    return true;
}

} // namespace

std::wstring ConsoleProgramPath() {
    return BuildFolder() + L"\\quarrowc.exe";
}

TRunningConsole::TRunningConsole(const std::wstring& arguments, DWORD creationFlags) {
    HANDLE outWrite = nullptr, errWrite = nullptr;
    if (!MakePipe(outRead_, outWrite) || !MakePipe(errRead_, errWrite))
        return;
    Start(arguments, outWrite, errWrite, creationFlags);
    // The child holds the write ends now: the reads end when it does.
    CloseHandle(outWrite);
    CloseHandle(errWrite);
}

TRunningConsole::TRunningConsole(const std::wstring& arguments, HANDLE output, bool errorsToo) {
    if (errorsToo) {
        Start(arguments, output, output, 0);
        return;
    }
    HANDLE errWrite = nullptr;
    if (!MakePipe(errRead_, errWrite))
        return;
    Start(arguments, output, errWrite, 0);
    CloseHandle(errWrite);
}

void TRunningConsole::Start(const std::wstring& arguments, HANDLE output, HANDLE errors,
                            DWORD creationFlags) {
    std::wstring commandLine = L"\"" + ConsoleProgramPath() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = errors;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, creationFlags, nullptr, nullptr,
                       &startup, &info)) {
        process_.Reset(info.hProcess);
        CloseHandle(info.hThread);
        processId_ = info.dwProcessId;
    }
}

TRunningConsole::~TRunningConsole() {
    if (Running())
        TerminateProcess(process_.Get(), 99);
    outRead_.Reset();
    errRead_.Reset();
    if (outReader_.joinable())
        outReader_.join();
    if (errReader_.joinable())
        errReader_.join();
}

void TRunningConsole::StartReading() {
    if (outRead_ && !outReader_.joinable())
        outReader_ = std::thread([this] { ReadAll(outRead_.Get(), out_); });
    if (errRead_ && !errReader_.joinable())
        errReader_ = std::thread([this] { ReadAll(errRead_.Get(), err_); });
}

TConsoleRun TRunningConsole::Finish(DWORD timeoutMs) {
    TConsoleRun run;
    if (!Started())
        return run;
    StartReading();
    if (WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0)
        return run;
    if (outReader_.joinable())
        outReader_.join();
    if (errReader_.joinable())
        errReader_.join();
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    run.ExitCode = static_cast<long>(code);
    run.Out = out_;
    run.Err = err_;
    return run;
}

TConsoleRun RunConsole(const std::wstring& arguments, DWORD timeoutMs) {
    TRunningConsole console(arguments);
    return console.Finish(timeoutMs);
}

std::string Utf8(const std::wstring& text) {
    return ToUtf8(text);
}

std::wstring FromUtf8Bytes(const std::string& bytes) {
    return FromUtf8(bytes);
}

} // namespace quarrow::test
