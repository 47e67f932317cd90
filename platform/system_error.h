#pragma once
// The one place where an operating-system error code becomes text.
#include <string>

namespace qv_platform {

/// The calling thread's last system error code (errno).
int lastErrorCode();

/// Sets the calling thread's last system error code.
void setLastErrorCode(int code);

/// The system's text for `code` (strerror). Never empty.
std::string systemErrorText(int code);

}  // namespace qv_platform
