#include "platform/engine/Variant.h"

#include "platform/engine/ErrorNumbers.h"

#include <climits>
#include <cmath>

namespace tarvix {

QString Variant::ToText() const
{
    if (const auto* s = std::get_if<QString>(&v_))
        return *s;
    if (const auto* i = std::get_if<std::int64_t>(&v_))
        return QString::number(*i);
    if (const auto* d = std::get_if<double>(&v_))
        return QString::number(*d, 'g', 15);
    return {};
}

std::int64_t Variant::ToInt64() const
{
    if (const auto* i = std::get_if<std::int64_t>(&v_))
        return *i;
    if (const auto* d = std::get_if<double>(&v_)) {
        if (!std::isfinite(*d) || std::fabs(*d) > 9.2e18)
            throw EngineError(err::Overflow, QStringLiteral("Depășire: valoarea %1 este prea mare.").arg(*d));
        return std::llround(*d);
    }
    if (const auto* s = std::get_if<QString>(&v_)) {
        bool ok = false;
        const qlonglong v = s->trimmed().toLongLong(&ok);
        if (!ok)
            throw EngineError(err::TypeMismatch, QStringLiteral("Tip nepotrivit: „%1” nu este un număr.").arg(*s));
        return v;
    }
    throw EngineError(err::InvalidNull,
                      QStringLiteral("Folosire nevalidă a unei valori goale (Null) acolo unde se cere un număr."));
}

double Variant::ToDouble() const
{
    if (const auto* d = std::get_if<double>(&v_))
        return *d;
    if (const auto* s = std::get_if<QString>(&v_)) {
        bool ok = false;
        const double v = s->trimmed().toDouble(&ok);
        if (!ok)
            throw EngineError(err::TypeMismatch, QStringLiteral("Tip nepotrivit: „%1” nu este un număr.").arg(*s));
        return v;
    }
    return static_cast<double>(ToInt64());
}

std::int32_t Variant::ToInt32() const
{
    const std::int64_t v = ToInt64();
    if (v < INT32_MIN || v > INT32_MAX)
        throw EngineError(err::Overflow,
                          QStringLiteral("Depășire: valoarea %1 nu încape într-un întreg de 32 de biți.").arg(v));
    return static_cast<std::int32_t>(v);
}

}  // namespace tarvix
