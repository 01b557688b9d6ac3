// The CSV reader and writer on their own: what each kind of record reads as,
// with its line number, and that whatever is written reads back the same.
#include "tools/formats/Csv.h"

#include <QtTest>

using namespace tarvix::tool;

namespace {

// Each record as its fields joined by "|", "<blank>" for an empty line.
QStringList records(const CsvTable& t)
{
    QStringList out;
    for (const CsvRow& r : t.rows)
        out << QStringLiteral("%1:%2").arg(r.line).arg(r.blank ? QStringLiteral("<blank>")
                                                               : r.fields.join(QLatin1Char('|')));
    return out;
}

}  // namespace

class CsvTest : public QObject {
    Q_OBJECT

private slots:
    void reads_data();
    void reads();
    void refuses_data();
    void refuses();
    void writesWhatReadsBack_data();
    void writesWhatReadsBack();
};

void CsvTest::reads_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("empty") << QByteArray() << QStringList{};
    QTest::newRow("CR LF") << QByteArray("A,B\r\nC,D\r\n") << QStringList{"1:A|B", "2:C|D"};
    QTest::newRow("LF and lone CR") << QByteArray("A\nB\rC") << QStringList{"1:A", "2:B", "3:C"};
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF"
                                                   "Cuvant\r\n")
                                     << QStringList{"1:Cuvant"};
    QTest::newRow("quoted comma and quote") << QByteArray("\"A, \"\"B\"\"\",C\r\n") << QStringList{"1:A, \"B\"|C"};
    QTest::newRow("line break inside quotes counts lines")
        << QByteArray("\"A\r\nB\",C\r\nD\r\n") << QStringList{"1:A\r\nB|C", "3:D"};
    QTest::newRow("blank lines") << QByteArray("A\r\n\r\n\nB") << QStringList{"1:A", "2:<blank>", "3:<blank>", "4:B"};
    QTest::newRow("empty quotes are no blank line") << QByteArray("\"\"\r\n") << QStringList{"1:"};
    QTest::newRow("empty fields") << QByteArray(",,\r\n") << QStringList{"1:||"};
    QTest::newRow("Romanian letters") << QString::fromUtf8("ȘIR,ŢARĂ\n").toUtf8() << QStringList{"1:ȘIR|ŢARĂ"};
}

void CsvTest::reads()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    const CsvTable t = ReadCsv(bytes);
    QCOMPARE(records(t), expected);
    QVERIFY(t.issues.empty());
}

void CsvTest::refuses_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<QStringList>("stillRead");
    QTest::newRow("quote never closed") << QByteArray("A\r\n\"B\r\nC\r\n") << 2 << "nu se mai închid"
                                        << QStringList{"1:A"};
    QTest::newRow("text after a closing quote")
        << QByteArray("\"A\"B,C\r\nD\r\n") << 1 << "se aștepta o virgulă" << QStringList{"2:D"};
    QTest::newRow("quote inside a field")
        << QByteArray("A\r\nB\"C\r\nD\r\n") << 2 << "ghilimele în mijlocul" << QStringList{"1:A", "3:D"};
    QTest::newRow("bytes that are not UTF-8")
        << QByteArray("A\r\nB\r\nC\xC4\r\nD\r\n") << 3 << "octetul 0xc4" << QStringList{"1:A", "2:B"};
    QTest::newRow("overlong form") << QByteArray("\xC0\xAF\r\n") << 1 << "UTF-8" << QStringList{};
    QTest::newRow("surrogate") << QByteArray("A\n\xED\xA0\x80\n") << 2 << "UTF-8" << QStringList{"1:A"};
}

void CsvTest::refuses()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, line);
    QFETCH(QString, fragment);
    QFETCH(QStringList, stillRead);
    const CsvTable t = ReadCsv(bytes);
    QCOMPARE(t.issues.size(), std::size_t(1));
    QCOMPARE(t.issues[0].line, line);
    QVERIFY2(t.issues[0].text.contains(fragment), qPrintable(t.issues[0].text));
    QCOMPARE(records(t), stillRead);
}

void CsvTest::writesWhatReadsBack_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("plain") << QStringList{"STIVĂ", "GRAFURI"};
    QTest::newRow("comma") << QStringList{"A, B"};
    QTest::newRow("quotes") << QStringList{"\"", "\"\"X\""};
    QTest::newRow("line breaks") << QStringList{"A\nB", "C\rD", "E\r\nF"};
    QTest::newRow("empty fields") << QStringList{"", "", ""};
    QTest::newRow("outside the BMP") << QStringList{QString::fromUcs4(U"\U0001D400\U0001F600")};
}

void CsvTest::writesWhatReadsBack()
{
    QFETCH(QStringList, fields);
    const QByteArray line = CsvLine(fields);
    QVERIFY(line.endsWith("\r\n"));
    const CsvTable t = ReadCsv(line + line);
    QVERIFY(t.issues.empty());
    QCOMPARE(t.rows.size(), std::size_t(2));
    QCOMPARE(t.rows[0].fields, fields);
    QCOMPARE(t.rows[1].fields, fields);
    QCOMPARE(t.rows[1].line, 2
                                 + static_cast<int>(fields.join(QString()).count(QLatin1Char('\n'))
                                                    + fields.join(QString()).count(QRegularExpression("\r(?!\n)"))));
}

QTEST_GUILESS_MAIN(CsvTest)
#include "tst_csv.moc"
