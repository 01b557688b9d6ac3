#include "store/IncomingText.h"

#include "platform/text/TextFunctions.h"

#include <algorithm>

namespace tarvix::store {

namespace {

// The text as a message quotes it, its invisible characters shown as U+FFFD.
QString shown(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (!c.isSurrogate() && FirstInvisible(QStringView(&c, 1)) != 0)
            c = QChar(QChar::ReplacementCharacter);
    return Shortened(out);
}

bool invisibleCategory(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph: return true;
    default: return false;
    }
}

}  // namespace

bool IsBlank(QChar c)
{
    return c == u' ' || c == QChar(QChar::Nbsp);
}

QString TrimBlanks(QStringView text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && IsBlank(text.at(b)))
        ++b;
    while (e > b && IsBlank(text.at(e - 1)))
        --e;
    return text.mid(b, e - b).toString();
}

char32_t FirstInvisible(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        if (invisibleCategory(c))
            return c;
    }
    return 0;
}

QString CodeName(char32_t c)
{
    return QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
}

IncomingText FromOutside(const QString& raw)
{
    IncomingText in;
    in.text = TrimBlanks(raw.normalized(QString::NormalizationForm_C));
    for (QChar& c : in.text)
        c = QChar(static_cast<char16_t>(CommaForm(KeystrokeCapital(c).unicode())));
    if (in.text.isEmpty())
        in.refusal = IncomingText::Refusal::Empty;
    else if ((in.invisible = FirstInvisible(in.text)) != 0)
        in.refusal = IncomingText::Refusal::Invisible;
    else if (EditLength(in.text) > kTextMax)
        in.refusal = IncomingText::Refusal::TooLong;
    return in;
}

QString IncomingText::Reason(const QString& what) const
{
    switch (refusal) {
    case Refusal::None: return {};
    case Refusal::Empty: return QStringLiteral("%1 este gol sau are doar spații.").arg(what);
    case Refusal::Invisible:
        return QStringLiteral("%1 „%2” conține un caracter de control sau invizibil (%3), care nu se vede în liste și "
                              "nu se poate scrie la o căutare.")
            .arg(what, shown(text), CodeName(invisible));
    case Refusal::TooLong: {
        const int units = EditLength(text);
        const int characters = static_cast<int>(
            text.size() - std::count_if(text.cbegin(), text.cend(), [](QChar c) { return c.isLowSurrogate(); }));
        const QString length = characters == units ? Counted(units, "caracter", "caractere")
                                                   : QStringLiteral("%1 (%2 în căsuța ferestrei)")
                                                         .arg(Counted(characters, "caracter", "caractere"),
                                                              Counted(units, "poziție", "poziții"));
        return QStringLiteral("%1 „%2” are %3; baza de date primește cel mult %4.")
            .arg(what, shown(text), length)
            .arg(kTextMax);
    }
    }
    return {};
}

}  // namespace tarvix::store
