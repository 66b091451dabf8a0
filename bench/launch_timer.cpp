// Starts a program repeatedly and prints the median time, in milliseconds, until it
// ends ("exit") or until its window is up and waiting for input ("idle"; the window
// is then closed and the program's end awaited outside the measurement).
// Usage: launch_timer <exit|idle> <runs> <program> [argument tail]
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
    if (argc < 4) {
        std::fprintf(stderr, "usage: launch_timer <exit|idle> <runs> <program> [argument tail]\n");
        return 2;
    }
    const bool untilIdle = std::string(argv[1]) == "idle";
    const int runs = std::max(1, std::atoi(argv[2]));
    const std::string tail = argc > 4 ? argv[4] : "";
    std::vector<double> times;
    TimeOneRun(untilIdle, argv[3], tail);  // warm the file cache
    for (int i = 0; i < runs; ++i) times.push_back(TimeOneRun(untilIdle, argv[3], tail));
    std::sort(times.begin(), times.end());
    std::printf("%.2f\n", times[times.size() / 2]);
    return 0;
}
