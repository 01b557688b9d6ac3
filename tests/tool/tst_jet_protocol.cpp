// The parent's reading of what the Jet reader child writes: well-formed output
// handed on, each malformed count refused rather than read as another number.
#include "tools/jet/JetProtocol.h"

#include <QTest>

using namespace tarvix::tool;

class JetProtocolTest : public QObject {
    Q_OBJECT

private slots:
    void counts_data();
    void counts();
    void requestNames_data();
    void requestNames();
};

void JetProtocolTest::counts_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("taken");
    QTest::newRow("a table") << QByteArray("T\tt\t2\t1\nC\tc\t4\nR\t7\nR\t\\N\nE\t2\t2\nZ\n") << true;
    QTest::newRow("a sign") << QByteArray("T\tt\t-1\t0\n") << false;
    QTest::newRow("a plus") << QByteArray("T\tt\t+1\t0\n") << false;
    QTest::newRow("a blank") << QByteArray("T\tt\t 1\t0\n") << false;
    QTest::newRow("empty") << QByteArray("T\tt\t\t0\n") << false;
    QTest::newRow("beyond 64 bits") << QByteArray("T\tt\t99999999999999999999\t0\n") << false;
    QTest::newRow("columns that wrap to 1 in 32 bits")
        << QByteArray("T\tt\t2\t4294967297\nC\tc\t4\nR\t7\nR\t\\N\nE\t2\t2\nZ\n") << false;
    QTest::newRow("a type that wraps to Text")
        << QByteArray("T\tt\t2\t1\nC\tc\t4294967306\nR\t7\nR\t\\N\nE\t2\t2\nZ\n") << false;
    QTest::newRow("a letter in the end's count") << QByteArray("T\tt\t0\t0\nE\t0\t0x\n") << false;
    QTest::newRow("listed, waiting, then read")
        << QByteArray("T\tt\t2\t1\nC\tc\t4\nE\t0\t0\nK\tl\tb.mdb\nW\nT\tt\t2\t1\nC\tc\t4\nR\t7\nR\t\\N\nE\t2\t2\nZ\n")
        << true;
    QTest::newRow("waiting inside a table") << QByteArray("T\tt\t2\t1\nC\tc\t4\nW\n") << false;
    QTest::newRow("waiting twice") << QByteArray("W\nW\n") << false;
    QTest::newRow("waiting with a field") << QByteArray("W\tx\n") << false;
}

void JetProtocolTest::counts()
{
    QFETCH(QByteArray, output);
    QFETCH(bool, taken);
    JetOutputParser parser;
    long long rows = 0;
    parser.onRow = [&](const std::vector<JetField>&) { ++rows; };
    try {
        parser.feed(output.constData(), static_cast<std::size_t>(output.size()));
        QCOMPARE(parser.finish(), QString());
        QVERIFY(taken);
        QCOMPARE(rows, 2);
    } catch (const JetProtocolError&) {
        QVERIFY(!taken);
    }
}

void JetProtocolTest::requestNames_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::newRow("plain") << QStringList{"tblDictionar", "ID_Cuvant", "Cuvant"};
    QTest::newRow("Romanian, with blanks") << QStringList{"Legături", "Termen cod", "Capitol"};
    QTest::newRow("tabs, backslashes, a line break") << QStringList{"a\tb", "c\\d", "e\nf", "\\N"};
}

void JetProtocolTest::requestNames()
{
    // What the parent asks for reaches the reader name for name, whatever the names hold.
    QFETCH(QStringList, names);
    const QByteArray line = JetRequestLine(names);
    QVERIFY(line.endsWith('\n'));
    QCOMPARE(line.count('\n'), 1);
    const std::vector<QByteArray> back = ParseJetRequestLine(line.constData(), std::size_t(line.size() - 1));
    QStringList got;
    for (const QByteArray& b : back)
        got << QString::fromUtf8(b);
    QCOMPARE(got, names);
}

QTEST_GUILESS_MAIN(JetProtocolTest)
#include "tst_jet_protocol.moc"
