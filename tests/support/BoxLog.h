// Message boxes answered from a queue (No or OK once it runs out, so nothing is
// deleted by accident) and recorded, and the program's end caught instead of
// taken. Header-only: the core tests link this folder without Qt Widgets.
#pragma once

#include "platform/Toolkit.h"

#include <QString>

#include <deque>
#include <optional>
#include <vector>

namespace tarvix::test {

struct Box {
    QString text;
    int style;
    QString title;
};

class BoxLog {
public:
    std::vector<Box> boxes;
    std::deque<int> answers;
    std::optional<int> endedWith;

    void installHooks()
    {
        MsgBoxHook = [this](const QString& text, int style, const QString& title) {
            boxes.push_back({text, style, title});
            if (answers.empty())
                return (style & vbYesNo) ? vbNo : vbOK;
            const int a = answers.front();
            answers.pop_front();
            return a;
        };
        EndProgramHook = [this](int status) { endedWith = status; };
    }

    void clearLog()
    {
        boxes.clear();
        answers.clear();
        endedWith.reset();
    }
};

}  // namespace tarvix::test
