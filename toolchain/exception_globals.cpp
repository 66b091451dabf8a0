// The C++ runtime's record of the exceptions in flight (those caught and not yet
// finished, and the count of those not yet caught), for the product only. libstdc++
// keeps one per thread in emulated thread-local storage, which links libgcc's TLS
// emulation with its keys and locks. The product throws and catches on its one thread
// (the window's, which is also the silent apply's), so one record serves.
#include <bits/gthr.h>
#include <cxxabi.h>

namespace {

// Laid out by libsupc++ (a pointer and a count); room to spare, and zero at start as
// the runtime expects of a thread that has thrown nothing yet.
void* exceptionGlobals[4];

}  // namespace

namespace __cxxabiv1 {

extern "C" __cxa_eh_globals* __cxa_get_globals() noexcept {
    return reinterpret_cast<__cxa_eh_globals*>(exceptionGlobals);
}

extern "C" __cxa_eh_globals* __cxa_get_globals_fast() noexcept {
    return reinterpret_cast<__cxa_eh_globals*>(exceptionGlobals);
}

}  // namespace __cxxabiv1

// The lock of the runtime's reserve for exceptions thrown when memory has run out
// (eh_alloc.o), libgcc's only other use of its thread support in the product: with
// one thread there is nothing to lock, and libgcc's implementation would link its
// thread-local keys too.
extern "C" {
void __gthr_win32_mutex_init_function(__gthread_mutex_t*) {}
void __gthr_win32_mutex_destroy(__gthread_mutex_t*) {}
int __gthr_win32_mutex_lock(__gthread_mutex_t*) { return 0; }
int __gthr_win32_mutex_unlock(__gthread_mutex_t*) { return 0; }
}
