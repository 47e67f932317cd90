#pragma once
// Whether this build runs under the address sanitizer, whose runtime changes
// what some tests can observe (it makes mlock a no-op and reserves far more
// address space than a tight limit allows).
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

}  // namespace qvtest
