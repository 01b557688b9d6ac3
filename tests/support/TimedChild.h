// A program run to its end for a benchmark: wall time and the child's own peak
// memory (from wait4, so the parent's size does not count).
#pragma once

#include <string>
#include <vector>

namespace tarvix::test {

struct TimedChild {
    double seconds = 0;
    double cpuSeconds = 0;  // user and system: on a busy machine the wall time is mostly waiting for a core
    long peakKb = 0;
    int status = -1;  // as wait4 gives it
    bool ok() const;
};

// Standard output and errors go to /dev/null; args[0] is the program's path.
TimedChild RunTimed(const std::vector<std::string>& args);

}  // namespace tarvix::test
