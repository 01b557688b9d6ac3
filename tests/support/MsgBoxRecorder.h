// Answers message boxes from a queue and records what would have been shown;
// also catches the program's end after an unhandled error. Header-only: the
// core tests link this folder without Qt Widgets.
#pragma once

#include "platform/Toolkit.h"

#include <QString>

#include <deque>
#include <initializer_list>
#include <vector>

namespace tarvix::test {

struct MsgBoxCall {
    QString text;
    int style;
    QString title;
};

class MsgBoxRecorder {
public:
    // Answers are used in order; once they run out, each box answers its first
    // button (OK or Yes), as Enter would.
    explicit MsgBoxRecorder(std::initializer_list<int> answers = {}) : answers_(answers), previous_(MsgBoxHook) {
        MsgBoxHook = [this](const QString& text, int style, const QString& title) {
            calls_.push_back({text, style, title});
            if (!answers_.empty()) {
                const int a = answers_.front();
                answers_.pop_front();
                return a;
            }
            return (style & 7) == vbYesNo || (style & 7) == 3 ? vbYes : vbOK;
        };
    }
    ~MsgBoxRecorder() { MsgBoxHook = previous_; }
    MsgBoxRecorder(const MsgBoxRecorder&) = delete;
    MsgBoxRecorder& operator=(const MsgBoxRecorder&) = delete;

    void answer(int a) { answers_.push_back(a); }
    const std::vector<MsgBoxCall>& calls() const { return calls_; }
    int count() const { return static_cast<int>(calls_.size()); }
    const MsgBoxCall& last() const { return calls_.back(); }

private:
    std::deque<int> answers_;
    std::vector<MsgBoxCall> calls_;
    decltype(MsgBoxHook) previous_;
};

// Records the exit status instead of ending the test; clears the error state
// when it goes, so the next test starts clean.
class EndProgramRecorder {
public:
    EndProgramRecorder() : previous_(EndProgramHook) {
        EndProgramHook = [this](int status) { statuses_.push_back(status); };
    }
    ~EndProgramRecorder() {
        EndProgramHook = previous_;
        ResetAfterError();
    }
    EndProgramRecorder(const EndProgramRecorder&) = delete;
    EndProgramRecorder& operator=(const EndProgramRecorder&) = delete;

    const std::vector<int>& statuses() const { return statuses_; }
    bool ended() const { return !statuses_.empty(); }

private:
    std::vector<int> statuses_;
    decltype(EndProgramHook) previous_;
};

}  // namespace tarvix::test
