#include "platform/bus_error_guard.h"

#include <setjmp.h>
#include <signal.h>

namespace qv_platform {
namespace {

sigjmp_buf guardJump;
volatile sig_atomic_t guardActive = 0;

void onBusError(int) {
  if (guardActive != 0) {
    guardActive = 0;
    siglongjmp(guardJump, 1);
  }
  // A bus error outside a guarded routine: the default action, as before.
  signal(SIGBUS, SIG_DFL);
  raise(SIGBUS);
}

}  // namespace

bool runGuardedAgainstBusError(void (*access)(void* context), void* context) {
  struct sigaction handler {};
  handler.sa_handler = onBusError;
  sigemptyset(&handler.sa_mask);
  handler.sa_flags = SA_NODEFER;
  struct sigaction previous {};
  if (sigaction(SIGBUS, &handler, &previous) != 0) {
    // Without the handler the access still runs, unguarded, as it would have.
    access(context);
    return true;
  }
  volatile bool finished = false;
  // savemask 1: the jump restores the signal mask of this point.
  if (sigsetjmp(guardJump, 1) == 0) {
    guardActive = 1;
    access(context);
    guardActive = 0;
    finished = true;
  }
  sigaction(SIGBUS, &previous, nullptr);
  return finished;
}

}  // namespace qv_platform
