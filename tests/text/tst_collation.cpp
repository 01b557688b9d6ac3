// Our Romanian order beside ICU's (QCollator, locale ro_RO) on the project's
// texts: the sample textbook and the cases the lists meet. Where the two
// differ, each difference must be one of the three kept on purpose:
//   case:    ours puts a capital before its small letter ("AB" < "ab"), ICU
//            the small one first; the program's texts are in capitals, and a
//            lower-case text typed beside it lands right after it either way;
//   cedilla: ours keeps Ş Ţ (old cedilla forms) right after Ș Ț, ICU makes
//            them equal; two texts that differ must never sort as one, or the
//            list could not tell apart the rows it shows;
//   foreign: a letter outside the Romanian alphabet with no accent to take
//            off (Æ, ß, Ø) goes after Z, where the printed index puts it under
//            "Alte litere"; ICU spells it out (AE, SS) or files it under O.
// ("case, cedilla" is the two at once: "Ș" and "ş".) Everything else, letters,
// diacritics, blanks, signs and digits, agrees. Ours stays because it is the
// faster: bench_collation sorts 32,767 texts in about 0.4 of ICU's time.
#include "platform/text/Collation.h"
#include "tools/commands/Sample.h"

#include <QCollator>
#include <QMap>
#include <QTest>

using namespace tarvix;

namespace {

int sign(int n)
{
    return (n > 0) - (n < 0);
}

QString commaForms(QString t)
{
    return t.replace(u'Ş', u'Ș').replace(u'ş', u'ș').replace(u'Ţ', u'Ț').replace(u'ţ', u'ț');
}

bool foreignLetter(const QString& t)
{
    for (const QChar c : t)
        if (c.isLetter() && c.unicode() >= 0x80 && c.decompositionTag() != QChar::Canonical
            && !QStringView(u"ĂăÂâÎîȘșȚțŞşŢţ").contains(c))
            return true;
    return false;
}

QStringList projectTexts()
{
    const tool::Content sample = tool::SampleContent();
    QStringList texts = sample.words + sample.chapters;
    texts << "A"
          << "a"
          << "Ă"
          << "ă"
          << "Â"
          << "â"
          << "Î"
          << "î"
          << "Ș"
          << "ș"
          << "Ş"
          << "ş"
          << "Ț"
          << "ț"
          << "Ţ"
          << "ţ"
          << "AZ"
          << "aZ"
          << "ĂA"
          << "IZ"
          << "ÎA"
          << "SZ"
          << "ȘA"
          << "ŞA"
          << "ȘTIINȚĂ"
          << "ŞTIINŢĂ"
          << "știință"
          << "ȚARĂ"
          << "ŢARĂ"
          << "Ab"
          << "AB"
          << "ab"
          << "ABA"
          << "A B"
          << "A-B"
          << "O'BRIEN"
          << "ÉCRAN"
          << "ECRAN"
          << "ĖA"
          << " "
          << "-"
          << "0"
          << "9"
          << "10"
          << "CAPITOLUL 2"
          << "CAPITOLUL 10"
          << "Æ"
          << "AE"
          << "ß"
          << "SS"
          << "Ø"
          << "O";
    return texts;
}

}  // namespace

class CollationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void agreesWithIcuSaveWhereKeptOnPurpose();
    void sampleTextbookInTheSameOrder();

private:
    QCollator icu_{QLocale(QLocale::Romanian, QLocale::Romania)};
};

void CollationTest::initTestCase()
{
    // Without ICU, QCollator falls back to the C library's locales, which may lack ro_RO.
    if (icu_.compare(QStringLiteral("ȘA"), QStringLiteral("SZ")) < 0
        || icu_.compare(QStringLiteral("Ă"), QStringLiteral("B")) > 0)
        QSKIP("QCollator has no Romanian order here (Qt built without ICU)");
}

void CollationTest::agreesWithIcuSaveWhereKeptOnPurpose()
{
    const QStringList texts = projectTexts();
    QMap<QString, QStringList> differences;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        for (qsizetype j = i + 1; j < texts.size(); ++j) {
            const QString& a = texts[i];
            const QString& b = texts[j];
            if (sign(RomanianCompare(a, b)) == sign(icu_.compare(a, b)))
                continue;
            const QString pair = QStringLiteral("„%1” „%2”").arg(a, b);
            if (foreignLetter(a) || foreignLetter(b))
                differences[QStringLiteral("foreign")] << pair;
            else if (a.toUpper() == b.toUpper())
                differences[QStringLiteral("case")] << pair;
            else if (commaForms(a) == commaForms(b))
                differences[QStringLiteral("cedilla")] << pair;
            else if (commaForms(a).toUpper() == commaForms(b).toUpper())
                differences[QStringLiteral("case, cedilla")] << pair;
            else
                QFAIL(qPrintable(QStringLiteral("%1: ours %2, ICU %3")
                                     .arg(pair)
                                     .arg(sign(RomanianCompare(a, b)))
                                     .arg(sign(icu_.compare(a, b)))));
        }
    }
    for (auto it = differences.cbegin(); it != differences.cend(); ++it)
        qInfo("%s: %lld pairs, e.g. %s", qPrintable(it.key()), static_cast<long long>(it.value().size()),
              qPrintable(it.value().front()));
    QCOMPARE(differences.keys(), QStringList({"case", "case, cedilla", "cedilla", "foreign"}));
}

void CollationTest::sampleTextbookInTheSameOrder()
{
    const tool::Content sample = tool::SampleContent();
    for (QStringList texts : {sample.words, sample.chapters}) {
        QStringList ours = texts;
        std::sort(ours.begin(), ours.end(), RomanianLess);
        std::sort(texts.begin(), texts.end(), icu_);
        QCOMPARE(ours, texts);
    }
}

QTEST_GUILESS_MAIN(CollationTest)
#include "tst_collation.moc"
