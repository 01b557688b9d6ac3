#include "tools/commands/TitleMatcher.h"

#include "tools/commands/WordForms.h"

#include "platform/text/TextFunctions.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace tarvix::tool {

QString TitleKey(const QString& text)
{
    // The number a chapter is given in a book or a file name, not its title.
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*(?:(?:capitolul|capitol|cap\.|chapter)\s*)?)"
                       R"((?:\d+(?:\.\d+)*|[IVXLC]+(?=[\s.)\-–:]))(?:\s*[.):\-–]\s*|\s+))"),
        QRegularExpression::CaseInsensitiveOption);
    QString t = text.normalized(QString::NormalizationForm_C).simplified();
    const QRegularExpressionMatch m = number.match(t);
    if (m.hasMatch() && m.capturedLength() < t.size())
        t = t.mid(m.capturedLength());
    // Words alone: "date_variabile_si_constante" names "DATE, VARIABILE ȘI CONSTANTE".
    QString words;
    words.reserve(t.size());
    for (const QChar c : t) {
        const bool letter = c.isLetterOrNumber() || c.isMark();
        if (letter)
            words += c;
        else if (!words.isEmpty() && !words.endsWith(u' '))
            words += u' ';
    }
    return FoldKey(words.trimmed());
}

QString TitleOfFileName(const QString& fileName)
{
    QString base = QFileInfo(fileName).completeBaseName();
    base.replace(u'_', u' ');
    return base;
}

TitleMatcher::TitleMatcher(const QStringList& titles)
{
    for (qsizetype i = 0; i < titles.size(); ++i) {
        fullKeys_.insert(FoldKey(titles[i].simplified()), static_cast<int>(i));
        const QString key = TitleKey(titles[i]);
        // Two titles that differ only in their numbers: neither can be told by its words.
        if (keys_.contains(key))
            keys_[key] = -2;
        else
            keys_.insert(key, static_cast<int>(i));
        const QString plain = WithoutDiacritics(key);
        if (plainKeys_.contains(plain))
            plainKeys_[plain] = -2;
        else
            plainKeys_.insert(plain, static_cast<int>(i));
    }
}

int TitleMatcher::lookup(const QHash<QString, int>& keys, const QStringList& candidates, bool plain) const
{
    for (const QString& c : candidates) {
        if (c.trimmed().isEmpty())
            continue;
        const QString key = plain ? WithoutDiacritics(TitleKey(c)) : TitleKey(c);
        const int found = keys.value(key, -1);
        if (found >= 0)
            return found;
    }
    return -1;
}

int TitleMatcher::Match(const QStringList& candidates) const
{
    const int exact = lookup(keys_, candidates, false);
    return exact >= 0 ? exact : lookup(plainKeys_, candidates, true);
}

int TitleMatcher::Exact(const QString& title) const
{
    if (const auto full = fullKeys_.constFind(FoldKey(title.simplified())); full != fullKeys_.constEnd())
        return full.value();
    const int found = keys_.value(TitleKey(title), -1);
    return found >= 0 ? found : -1;
}

}  // namespace tarvix::tool
