// Message boxes answered from a queue and recorded instead of shown. Once the
// queue runs out a question is answered No and any other box OK, so nothing
// is deleted by accident. Puts back the previous hook when it goes.
#pragma once

#include "platform/Toolkit.h"

#include <QString>

#include <deque>
#include <initializer_list>
#include <vector>

namespace tarvix::test {

struct Box {
    QString text;
    int style;
    QString title;
};

class MsgBoxDouble {
public:
    explicit MsgBoxDouble(std::initializer_list<int> queued = {}) : answers(queued), previous_(MsgBoxHook)
    {
        MsgBoxHook = [this](const QString& text, int style, const QString& title) {
            boxes.push_back({text, style, title});
            if (answers.empty())
                return (style & 7) == vbYesNo ? vbNo : vbOK;
            const int a = answers.front();
            answers.pop_front();
            return a;
        };
    }
    ~MsgBoxDouble() { MsgBoxHook = previous_; }
    MsgBoxDouble(const MsgBoxDouble&) = delete;
    MsgBoxDouble& operator=(const MsgBoxDouble&) = delete;

    void answer(int a) { answers.push_back(a); }
    int count() const { return static_cast<int>(boxes.size()); }
    const Box& last() const { return boxes.back(); }
    void clearBoxes()
    {
        boxes.clear();
        answers.clear();
    }

    std::vector<Box> boxes;
    std::deque<int> answers;

private:
    decltype(MsgBoxHook) previous_;
};

}  // namespace tarvix::test
