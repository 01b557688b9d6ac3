// The program's end after an unhandled error, recorded instead of taken; the
// error state is cleared when it goes, so the next test starts clean.
#pragma once

#include "platform/Toolkit.h"

#include <optional>
#include <vector>

namespace tarvix::test {

class EndProgramRecorder {
public:
    EndProgramRecorder() : previous_(EndProgramHook)
    {
        EndProgramHook = [this](int status) {
            statuses_.push_back(status);
            endedWith = status;
        };
    }
    ~EndProgramRecorder()
    {
        EndProgramHook = previous_;
        ResetAfterError();
    }
    EndProgramRecorder(const EndProgramRecorder&) = delete;
    EndProgramRecorder& operator=(const EndProgramRecorder&) = delete;

    const std::vector<int>& statuses() const { return statuses_; }
    bool ended() const { return !statuses_.empty(); }
    void clearEnds()
    {
        statuses_.clear();
        endedWith.reset();
    }

    // The status of the last end, if any.
    std::optional<int> endedWith;

private:
    std::vector<int> statuses_;
    decltype(EndProgramHook) previous_;
};

}  // namespace tarvix::test
