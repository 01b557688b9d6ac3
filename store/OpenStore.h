// Opening a Tarvix store: the file through the engine, then the schema and the
// rules the windows rely on, in one place for the program and every tool.
#pragma once

#include "platform/Engine.h"

#include <QString>

#include <memory>

namespace tarvix::store {

// ReadOnly: for a command that only reads, so it works on a read-only file,
// folder or medium. ForRepair: for writing, whatever rows another program left
// out of step. ForWriting: for writing, once the rules the windows rely on hold.
enum class Access { ReadOnly, ForRepair, ForWriting };

// The open store; raises the engine's error (with AdvisedText), or NotAStore
// naming what is missing, or Corrupt naming the broken rule and the command
// that mends it.
std::unique_ptr<Database> Open(const QString& file, Access access);

// An engine error's text, followed, when the engine named a condition that a
// tarvix-db command mends, by that command.
QString AdvisedText(const EngineError& e);

}  // namespace tarvix::store
