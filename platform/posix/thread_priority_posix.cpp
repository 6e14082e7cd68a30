#include <sys/resource.h>
#include <unistd.h>

#include "platform/thread_priority.h"

void RaiseCurrentThreadPriority() {
  // On Linux a nice value set for a thread id applies to that thread alone.
  (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -20);
}
