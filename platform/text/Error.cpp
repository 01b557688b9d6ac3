#include "platform/text/Error.h"

namespace tarvix {

EngineError::EngineError(int number, QString text)
    : number_(number), text_(std::move(text)), utf8_(QStringLiteral("%1: %2").arg(number).arg(text_).toStdString())
{
}

QString ToolkitErrorText(int number)
{
    switch (number) {
    case tkerr::InvalidProcedureCall: return QStringLiteral("Apel de procedură nevalid.");
    case tkerr::Overflow: return QStringLiteral("Depășire: lista nu poate avea mai mult de 32767 de elemente.");
    case tkerr::OutOfMemory: return QStringLiteral("Memorie insuficientă.");
    case tkerr::InternalError: return QStringLiteral("Eroare internă.");
    case tkerr::SubscriptOutOfRange: return QStringLiteral("Indice în afara domeniului.");
    case tkerr::InvalidPropertyValue: return QStringLiteral("Valoare nevalidă a proprietății.");
    case tkerr::InvalidPropertyIndex: return QStringLiteral("Indice nevalid al proprietății.");
    case tkerr::TextReadOnly: return QStringLiteral("Proprietatea Text poate fi doar citită.");
    case tkerr::AlreadyShown: return QStringLiteral("Fereastra este deja afișată; nu poate fi afișată modal.");
    default: return QStringLiteral("Eroare definită de aplicație sau de obiect.");
    }
}

void RaiseToolkitError(int number)
{
    throw EngineError(number, ToolkitErrorText(number));
}

}  // namespace tarvix
