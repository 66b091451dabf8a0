// Test programs only: the threads the tests and googletest use, for the win32 thread
// model of MinGW-w64, whose libstdc++ (GCC 12) has no std::mutex (one is made here) and declares std::thread
// but cannot start one. The product is built with that model so that it links no POSIX
// thread library (whose clock functions need Windows Vista); the tests' threads are
// started with CreateThread instead. Force-included by tests/CMakeLists.txt.
#pragma once
#include <bits/c++config.h>

#if !defined(_GLIBCXX_HAS_GTHREADS)
// The library's own declaration comes first, so the renaming below leaves it alone.
#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <tuple>
#include <type_traits>
#include <utility>

namespace quillon_test {

class Win32Thread {
public:
    Win32Thread() noexcept = default;

    template <typename Function, typename... Arguments>
    explicit Win32Thread(Function&& function, Arguments&&... arguments) {
        auto call = std::make_unique<std::function<void()>>(
            [bound = std::make_tuple(std::decay_t<Function>(std::forward<Function>(function)),
                                     std::decay_t<Arguments>(std::forward<Arguments>(arguments))...)]() mutable {
                std::apply([](auto& f, auto&... a) { std::invoke(std::move(f), std::move(a)...); },
                           bound);
            });
        handle_ = CreateThread(nullptr, 0, &Start, call.get(), 0, nullptr);
        if (handle_ == nullptr) std::terminate();
        call.release();
    }

    Win32Thread(Win32Thread&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Win32Thread& operator=(Win32Thread&& other) noexcept {
        if (joinable()) std::terminate();
        handle_ = std::exchange(other.handle_, nullptr);
        return *this;
    }
    Win32Thread(const Win32Thread&) = delete;
    Win32Thread& operator=(const Win32Thread&) = delete;

    // As std::thread: a thread still joinable when its object goes is a fault.
    ~Win32Thread() {
        if (joinable()) std::terminate();
    }

    bool joinable() const noexcept { return handle_ != nullptr; }

    void join() {
        WaitForSingleObject(handle_, INFINITE);
        CloseHandle(std::exchange(handle_, nullptr));
    }

    void detach() { CloseHandle(std::exchange(handle_, nullptr)); }

private:
    static DWORD WINAPI Start(void* parameter) {
        std::unique_ptr<std::function<void()>> call(static_cast<std::function<void()>*>(parameter));
        (*call)();
        return 0;
    }

    HANDLE handle_ = nullptr;
};

// What the tests guard their shared records with, in place of std::mutex.
class Win32Mutex {
public:
    Win32Mutex() { InitializeCriticalSection(&section_); }
    ~Win32Mutex() { DeleteCriticalSection(&section_); }
    Win32Mutex(const Win32Mutex&) = delete;
    Win32Mutex& operator=(const Win32Mutex&) = delete;
    void lock() { EnterCriticalSection(&section_); }
    void unlock() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

}  // namespace quillon_test

// googletest's own start signal for its threads, normally built on std::mutex; it
// skips its version when GTEST_HAS_NOTIFICATION_ is set.
namespace testing {
namespace internal {

class Notification {
public:
    Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

}  // namespace internal
}  // namespace testing

namespace std {
using quillon_win32_thread = ::quillon_test::Win32Thread;
using mutex = ::quillon_test::Win32Mutex;
}  // namespace std

#define thread quillon_win32_thread
#endif
