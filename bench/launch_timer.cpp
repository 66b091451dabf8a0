// Starts programs repeatedly and prints the median time of each, in milliseconds, one
// per line, until it ends ("exit") or until its window is up and waiting for input
// ("idle"; the window is then closed and the program's end awaited outside the
// measurement). The programs take turns, so a load that comes and goes on the host
// weighs on all of them alike.
// Usage: launch_timer <exit|idle> <runs> <program> <argument tail> [<program> <tail>]...
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

BOOL CALLBACK CloseWindowsOf(HWND window, LPARAM processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(processId) && IsWindowVisible(window))
        PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

double TimeOneRun(bool untilIdle, const std::string& program, const std::string& tail) {
    std::string commandLine = "\"" + program + "\"" + (tail.empty() ? "" : " " + tail);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", program.c_str(), GetLastError());
        std::exit(1);
    }
    if (untilIdle) {
        WaitForInputIdle(process.hProcess, 30000);
        QueryPerformanceCounter(&end);
        while (WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT)
            EnumWindows(CloseWindowsOf, static_cast<LPARAM>(process.dwProcessId));
    } else {
        WaitForSingleObject(process.hProcess, INFINITE);
        QueryPerformanceCounter(&end);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return Milliseconds(start, end);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5 || (argc - 3) % 2 != 0) {
        std::fprintf(stderr,
                     "usage: launch_timer <exit|idle> <runs> <program> <argument tail> "
                     "[<program> <argument tail>]...\n");
        return 2;
    }
    const bool untilIdle = std::string(argv[1]) == "idle";
    const int runs = std::max(1, std::atoi(argv[2]));
    const int programs = (argc - 3) / 2;
    auto program = [&](int p) { return std::string(argv[3 + 2 * p]); };
    auto tail = [&](int p) { return std::string(argv[4 + 2 * p]); };
    std::vector<std::vector<double>> times(programs);
    for (int p = 0; p < programs; ++p) TimeOneRun(untilIdle, program(p), tail(p));  // warm caches
    for (int i = 0; i < runs; ++i) {
        for (int p = 0; p < programs; ++p) {
            times[p].push_back(TimeOneRun(untilIdle, program(p), tail(p)));
            // A program that used the window system leaves Wine's desktop process some
            // work; let it finish rather than land on the next program's time.
            Sleep(100);
        }
    }
    for (std::vector<double>& programTimes : times) {
        std::sort(programTimes.begin(), programTimes.end());
        std::printf("%.2f\n", programTimes[programTimes.size() / 2]);
    }
    return 0;
}
