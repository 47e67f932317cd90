#pragma once
// Whether this build runs under a sanitizer whose runtime changes what some
// tests can observe: the address sanitizer makes mlock a no-op, and it and
// the thread sanitizer reserve far more address space than a tight limit
// allows.
namespace qvtest {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

#if defined(__SANITIZE_THREAD__)
inline constexpr bool kThreadSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
inline constexpr bool kThreadSanitizer = true;
#else
inline constexpr bool kThreadSanitizer = false;
#endif
#else
inline constexpr bool kThreadSanitizer = false;
#endif

/// The sanitizer runtime needs much more address space than the program.
inline constexpr bool kSanitizerReservesAddressSpace = kAddressSanitizer || kThreadSanitizer;

}  // namespace qvtest
