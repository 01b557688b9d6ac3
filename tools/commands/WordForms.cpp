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

namespace {

// Romanian's own letters without a table lookup: the text of a Romanian book is made of them.
char16_t romanianBase(char16_t c)
{
    switch (c) {
    case u'ă':
    case u'â': return u'a';
    case u'Ă':
    case u'Â': return u'A';
    case u'î': return u'i';
    case u'Î': return u'I';
    case u'ș':
    case u'ş': return u's';
    case u'Ș':
    case u'Ş': return u'S';
    case u'ț':
    case u'ţ': return u't';
    case u'Ț':
    case u'Ţ': return u'T';
    default: return 0;
    }
}

}  // namespace

QString WithoutDiacritics(const QString& text)
{
    bool plain = true, romanian = true;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            plain = false;
            romanian = romanian && romanianBase(c.unicode()) != 0;
        }
    }
    if (plain)
        return text;
    if (romanian) {
        QString out = text;
        for (QChar& c : out)
            if (c.unicode() >= 0x80)
                c = QChar(romanianBase(c.unicode()));
        return out;
    }
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
    utf8_ = lower.toUtf8();
    const QByteArray& utf8 = utf8_;
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
    f.forms[2] = stem(lower);
    const QString plain = WithoutDiacritics(lower);
    f.forms[3] = plain == lower ? f.forms[2] : stem(plain);
    return f;
}

}  // namespace tarvix::tool
