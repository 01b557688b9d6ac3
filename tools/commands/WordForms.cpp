#include "tools/commands/WordForms.h"

#include "platform/text/TextFunctions.h"

#include <libstemmer.h>

#include <new>

namespace tarvix::tool {

QString MatchKindName(MatchKind kind)
{
    switch (kind) {
    case MatchKind::Exact: return QStringLiteral("aceeași formă");
    case MatchKind::NoDiacritics: return QStringLiteral("fără diacritice");
    case MatchKind::Inflected: return QStringLiteral("formă flexionară");
    case MatchKind::InflectedNoDiacritics: return QStringLiteral("formă flexionară fără diacritice");
    }
    return {};
}

QString WithoutDiacritics(const QString& text)
{
    bool plain = true;
    for (const QChar c : text)
        plain = plain && c.unicode() < 0x80;
    if (plain)
        return text;
    QString out;
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    out.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            out += c;
    return out;
}

WordForms::WordForms() : stemmer_(sb_stemmer_new("romanian", "UTF_8"))
{
    if (!stemmer_)
        throw std::bad_alloc();
}

WordForms::~WordForms()
{
    sb_stemmer_delete(stemmer_);
}

QString WordForms::stem(const QString& lower)
{
    const QByteArray utf8 = lower.toUtf8();
    const sb_symbol* s =
        sb_stemmer_stem(stemmer_, reinterpret_cast<const sb_symbol*>(utf8.constData()), static_cast<int>(utf8.size()));
    if (!s)
        throw std::bad_alloc();
    return QString::fromUtf8(reinterpret_cast<const char*>(s), sb_stemmer_length(stemmer_));
}

TokenForms WordForms::Of(const QString& token)
{
    TokenForms f;
    f.forms[0] = FoldKey(token);
    f.forms[1] = WithoutDiacritics(f.forms[0]);
    const QString lower = f.forms[0].toLower();
    // A stem is marked apart so it never equals a whole word's key.
    f.forms[2] = u'~' + stem(lower);
    f.forms[3] = u'~' + stem(WithoutDiacritics(lower));
    return f;
}

}  // namespace tarvix::tool
