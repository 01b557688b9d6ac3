// The dictionary's words found in texts with known Romanian inflections and
// texts written without diacritics, and files matched to chapter titles.
#include "tools/commands/LinkMatcher.h"
#include "tools/commands/TitleMatcher.h"

#include <QTest>

using namespace tarvix::tool;

class TestLinkMatch : public QObject {
    Q_OBJECT
private slots:
    void words_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("kind");
        const int exact = int(MatchKind::Exact), plain = int(MatchKind::NoDiacritics);
        const int inflected = int(MatchKind::Inflected), both = int(MatchKind::InflectedNoDiacritics);
        QTest::newRow("same word, any case") << "ALGORITM"
                                             << "Un algoritm. ALGORITM!" << 2 << exact;
        QTest::newRow("articled") << "ALGORITM"
                                  << "algoritmul lui Euclid" << 1 << inflected;
        QTest::newRow("genitive plural") << "ALGORITM"
                                         << "proprietățile algoritmilor" << 1 << inflected;
        QTest::newRow("best kind wins") << "ALGORITM"
                                        << "algoritmii și un algoritm" << 2 << exact;
        QTest::newRow("two tokens inflected") << "SCHEME LOGICE"
                                              << "în schemele logice de mai sus" << 1 << inflected;
        QTest::newRow("two tokens split by a stop") << "SCHEME LOGICE"
                                                    << "scheme. Logice" << 0 << 0;
        QTest::newRow("two tokens over a line end") << "SCHEME LOGICE"
                                                    << "scheme\nlogice" << 1 << exact;
        QTest::newRow("hyphenated") << "E-MAIL"
                                    << "un e-mail" << 1 << exact;
        QTest::newRow("part of a longer word") << "MAIL"
                                               << "emailul" << 0 << 0;
        QTest::newRow("without diacritics") << "ȘTIINȚĂ"
                                            << "stiinta calculului" << 1 << plain;
        QTest::newRow("cedilla letters") << "ȘTIINȚĂ"
                                         << "ştiinţă" << 1 << exact;
        QTest::newRow("inflected without diacritics") << "ȘTIINȚĂ"
                                                      << "stiintele exacte" << 1 << both;
        QTest::newRow("articled with diacritics") << "ȘTIINȚĂ"
                                                  << "știința exactă" << 1 << inflected;
        QTest::newRow("inflected with diacritics") << "ȘTIINȚĂ"
                                                   << "științele exacte" << 1 << inflected;
        QTest::newRow("feminine") << "VARIABILĂ"
                                  << "variabilele globale" << 1 << inflected;
        QTest::newRow("absent") << "FIȘIER"
                                << "nimic de găsit" << 0 << 0;
    }
    void words()
    {
        QFETCH(QString, word);
        QFETCH(QString, text);
        QFETCH(int, count);
        QFETCH(int, kind);
        LinkMatcher m({QStringLiteral("ALTCEVA"), word});
        const std::vector<WordHit> hits = m.Scan(text);
        if (count == 0) {
            QVERIFY(hits.empty());
            return;
        }
        QCOMPARE(hits.size(), std::size_t(1));
        QCOMPARE(hits[0].word, 1);
        QCOMPARE(hits[0].count, count);
        QCOMPARE(int(hits[0].kind), kind);
    }

    void firstOccurrenceOfTheBestKind()
    {
        LinkMatcher m({QStringLiteral("SCHEME LOGICE")});
        const QString text = QStringLiteral("Schemele logice, apoi scheme logice.");
        const auto hits = m.Scan(text);
        QCOMPARE(hits.size(), std::size_t(1));
        QCOMPARE(text.mid(hits[0].at, hits[0].length), QStringLiteral("scheme logice"));
        QCOMPARE(hits[0].count, 2);
    }

    void manyWordsOneText()
    {
        LinkMatcher m({QStringLiteral("DATE"), QStringLiteral("STRUCTURI DE DATE"), QStringLiteral("TABLOU")});
        const auto hits = m.Scan(QStringLiteral("Structurile de date: tablou, date."));
        QCOMPARE(hits.size(), std::size_t(3));
        QCOMPARE(hits[0].count, 2);  // DATE, inside the longer word too
        QCOMPARE(int(hits[1].kind), int(MatchKind::Inflected));
    }

    void titles_data()
    {
        QTest::addColumn<QStringList>("candidates");
        QTest::addColumn<int>("title");
        QTest::newRow("heading with number") << QStringList{"3. Algoritmi"} << 0;
        QTest::newRow("chapter word") << QStringList{"Capitolul II - Structuri de date"} << 1;
        QTest::newRow("file name") << QStringList{"", "", TitleOfFileName("07_structuri_de_date.md")} << 1;
        QTest::newRow("file name, punctuation") << QStringList{TitleOfFileName("date_variabile-si constante.txt")} << 5;
        QTest::newRow("file name without diacritics") << QStringList{TitleOfFileName("04-Stiinta calculului.txt")} << 2;
        QTest::newRow("second candidate") << QStringList{"Cuprins", "algoritmi"} << 0;
        QTest::newRow("unknown") << QStringList{"Prefață"} << -1;
        QTest::newRow("shared by two titles") << QStringList{"Anexă"} << -1;
    }
    void titles()
    {
        QFETCH(QStringList, candidates);
        QFETCH(int, title);
        const TitleMatcher m({QStringLiteral("1. ALGORITMI"), QStringLiteral("STRUCTURI DE DATE"),
                              QStringLiteral("ȘTIINȚA CALCULULUI"), QStringLiteral("1. ANEXĂ"),
                              QStringLiteral("2. ANEXĂ"), QStringLiteral("DATE, VARIABILE ȘI CONSTANTE")});
        QCOMPARE(m.Match(candidates), title);
    }

    void exactTitle()
    {
        const TitleMatcher m({QStringLiteral("1. ANEXĂ"), QStringLiteral("2. ANEXĂ")});
        QCOMPARE(m.Exact(QStringLiteral("2. anexă")), 1);
        QCOMPARE(m.Exact(QStringLiteral("Anexă")), -1);
    }
};

QTEST_GUILESS_MAIN(TestLinkMatch)
#include "tst_linkmatch.moc"
