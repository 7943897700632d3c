// Background work at a lower scheduling priority: a thread that loads,
// lists or releases panoramas while frames are drawn calls this first, so
// that on a busy machine the frames get the processor before it does.
#pragma once

namespace skyweave {

// Lowers the calling thread's priority (nice value +10 over the process's)
// for the rest of its life. Failures are ignored: the work goes on at the
// normal priority.
void LowerThisThreadsPriority();

}  // namespace skyweave
