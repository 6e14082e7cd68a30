// Scheduling priority of the calling thread.
#pragma once

// Asks for the highest priority the system grants the calling thread without changing its
// scheduling class. Needs a privilege on most systems; without it nothing changes, which the
// caller accepts: priority only helps a test keep pace with a fast medium.
void RaiseCurrentThreadPriority();
