// The engine error number a call raises (0 when it raises none), and its text.
#pragma once

#include "platform/Engine.h"

#include <QString>

#include <functional>

namespace tarvix::test {

inline int errorOf(const std::function<void()>& f, QString* text = nullptr)
{
    try {
        f();
    } catch (const EngineError& e) {
        if (text)
            *text = e.Text();
        return e.Number();
    }
    return 0;
}

}  // namespace tarvix::test
