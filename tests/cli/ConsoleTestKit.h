#pragma once
// Running quarrowc.exe from the build folder as a script would: its standard output and
// error to pipes (or a file), its exit code.

#include "base/Handles.h"

#include <windows.h>

#include <string>
#include <thread>

namespace quarrow::test {

std::wstring ConsoleProgramPath();

struct TConsoleRun {
    long ExitCode = -1; // -1: did not end in time
    std::string Out;
    std::string Err;
};

// Runs quarrowc with `arguments` (the command line after the program's name) and waits.
TConsoleRun RunConsole(const std::wstring& arguments, DWORD timeoutMs = 60000);

// A quarrowc that runs while the test watches: its output is read only when asked for.
class TRunningConsole {
public:
    explicit TRunningConsole(const std::wstring& arguments, DWORD creationFlags = 0);
    // The program's standard output goes to `output` (a console or a file, say), not to a
    // pipe; its standard error too with `errorsToo`, else to a pipe that Finish reads.
    TRunningConsole(const std::wstring& arguments, HANDLE output, bool errorsToo = true);
    ~TRunningConsole();
    TRunningConsole(const TRunningConsole&) = delete;
    TRunningConsole& operator=(const TRunningConsole&) = delete;

    bool Started() const { return process_.Valid(); }
    DWORD ProcessId() const { return processId_; }
    bool Running() const { return WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }
    // Starts reading both outputs on threads of their own.
    void StartReading();
    // Closes the reading end of standard output, as a reader that has seen enough does.
    void CloseOutput() { outRead_.Reset(); }
    // Reads the outputs to their end and waits for the exit; -1 when it did not end in time.
    TConsoleRun Finish(DWORD timeoutMs = 60000);

private:
    void Start(const std::wstring& arguments, HANDLE output, HANDLE errors, DWORD creationFlags);

    UniqueHandle process_;
    DWORD processId_ = 0;
    UniqueHandle outRead_, errRead_;
    std::string out_, err_;
    std::thread outReader_, errReader_;
};

// The bytes of a UTF-8 text, and back.
std::string Utf8(const std::wstring& text);
std::wstring FromUtf8Bytes(const std::string& bytes);

} // namespace quarrow::test
