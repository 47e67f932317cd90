#pragma once
// Reading and writing a shared mapping that another process may shrink. A
// file mapped with MAP_SHARED can be truncated by its owner at any moment;
// touching a mapped page that now lies beyond the end of the file raises
// SIGBUS, which would end the program. The guard runs one short access
// routine with a SIGBUS handler in place that abandons the routine instead,
// so the caller can treat the bytes as gone.
namespace qv_platform {

/// Runs `access(context)` and returns true when it finished, false when a
/// bus error (a mapped page beyond the end of its file) cut it short. The
/// routine is abandoned at the faulting instruction, so it must not own
/// resources, take locks or allocate: it should only copy words between
/// the mapping and plain memory of its caller. Not reentrant; one thread at
/// a time. The previous SIGBUS disposition is restored before returning.
[[nodiscard]] bool runGuardedAgainstBusError(void (*access)(void* context), void* context);

}  // namespace qv_platform
