// The text functions and the Romanian order, with QtCore alone.
#include "platform/text/Collation.h"
#include "platform/text/Error.h"
#include "platform/text/TextFunctions.h"

#include <QTest>

using namespace tarvix;

class TextTest : public QObject {
    Q_OBJECT

private slots:
    void collationOrder_data();
    void collationOrder();
    void textFunctions_data();
    void textFunctions();
    void utf8Decoding_data();
    void utf8Decoding();
    void valLeadingNumber_data();
    void valLeadingNumber();
};

void TextTest::collationOrder_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("order");
    QTest::newRow("A before Ă") << "A"
                                << "Ă" << -1;
    QTest::newRow("Ă before Â") << "Ă"
                                << "Â" << -1;
    QTest::newRow("Â before B") << "Â"
                                << "B" << -1;
    QTest::newRow("AZ before ĂA") << "AZ"
                                  << "ĂA" << -1;
    QTest::newRow("IZ before ÎA") << "IZ"
                                  << "ÎA" << -1;
    QTest::newRow("Î before J") << "Î"
                                << "J" << -1;
    QTest::newRow("SZ before ȘA") << "SZ"
                                  << "ȘA" << -1;
    QTest::newRow("ȘZ before T") << "ȘZ"
                                 << "T" << -1;
    QTest::newRow("ŞA before ȘB") << "ŞA"
                                  << "ȘB" << -1;
    QTest::newRow("ȚA before ŢB") << "ȚA"
                                  << "ŢB" << -1;
    QTest::newRow("ŢZ before U") << "ŢZ"
                                 << "U" << -1;
    QTest::newRow("cedilla beside comma") << "Ş"
                                          << "Ș" << 1;
    QTest::newRow("lower beside upper") << "aZ"
                                        << "AZ" << 1;
    QTest::newRow("lower before next letter") << "a"
                                              << "B" << -1;
    QTest::newRow("ă before B") << "ăz"
                                << "B" << -1;
    QTest::newRow("digit before letter") << "9"
                                         << "A" << -1;
    QTest::newRow("blank before digit") << " "
                                        << "0" << -1;
    QTest::newRow("equal") << "ȘTIINȚĂ"
                           << "ȘTIINȚĂ" << 0;
    QTest::newRow("é with e") << "éa"
                              << "EB" << -1;
    QTest::newRow("sign before digit") << "-"
                                       << "0" << -1;
    QTest::newRow("shorter first") << "AB"
                                   << "ABA" << -1;
    // Units outside the common ones are keyed longer; they must still fall between the right neighbours.
    QTest::newRow("blank before tab") << " "
                                      << "\t" << -1;
    QTest::newRow("tab before sign") << "A\tB"
                                     << "A!B" << -1;
    QTest::newRow("ASCII sign before other sign") << "~"
                                                  << "§" << -1;
    QTest::newRow("other sign before digit") << "§"
                                             << "0" << -1;
    QTest::newRow("euro before digit") << "AB€"
                                       << "AB0" << -1;
    QTest::newRow("other letter after Z") << "ZZ"
                                          << "Æ" << -1;
    QTest::newRow("other letter after Z in a word") << "AÆ"
                                                    << "AZ" << 1;
    QTest::newRow("accented lower case with its letter") << "äZ"
                                                         << "B" << -1;
}

void TextTest::collationOrder()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, order);
    QCOMPARE(RomanianCompare(a, b), order);
    QCOMPARE(RomanianCompare(b, a), -order);
    QCOMPARE(RomanianSortKey(a) < RomanianSortKey(b), order < 0);
}

void TextTest::textFunctions_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("UCase ascii") << "UCase"
                                 << "abc"
                                 << "ABC";
    QTest::newRow("UCase romanian") << "UCase"
                                    << "ăâîșțşţ"
                                    << "ĂÂÎȘȚŞŢ";
    QTest::newRow("UCase ã") << "UCase"
                             << "ã"
                             << "Ã";
    QTest::newRow("Trim blanks") << "Trim"
                                 << "  A B  "
                                 << "A B";
    QTest::newRow("Trim keeps tabs") << "Trim"
                                     << "\tA "
                                     << "\tA";
    QTest::newRow("Trim blanks only") << "Trim"
                                      << "   "
                                      << "";
    QTest::newRow("LTrim") << "LTrim"
                           << "  A "
                           << "A ";
    QTest::newRow("RTrim") << "RTrim"
                           << "  A "
                           << "  A";
    QTest::newRow("FoldKey case and cedilla") << "FoldKey"
                                              << "ştiinţă"
                                              << "ȘTIINȚĂ";
    QTest::newRow("FoldKey decomposed") << "FoldKey"
                                        << "casa\u0306"
                                        << "CASĂ";
    QTest::newRow("FoldKey decomposed cedilla") << "FoldKey"
                                                << "S\u0327I"
                                                << "ȘI";
    QTest::newRow("FoldKey sharp s") << "FoldKey"
                                     << "straße"
                                     << "STRASSE";
    QTest::newRow("keystroke capitals") << "KeystrokeCapital"
                                        << "aăşßŉ1"
                                        << "AĂŞßŉ1";
}

void TextTest::textFunctions()
{
    QFETCH(QString, function);
    QFETCH(QString, in);
    QFETCH(QString, out);
    QString got;
    if (function == "UCase")
        got = UCase(in);
    else if (function == "Trim")
        got = Trim(in);
    else if (function == "LTrim")
        got = LTrim(in);
    else if (function == "RTrim")
        got = RTrim(in);
    else if (function == "FoldKey")
        got = FoldKey(in);
    else if (function == "KeystrokeCapital")
        for (const QChar c : in)
            got += KeystrokeCapital(c);
    QCOMPARE(got, out);
    QCOMPARE(CStr(0), QString("0"));
    QCOMPARE(CStr(-32768), QString("-32768"));
    QCOMPARE(CStr(2147483647), QString("2147483647"));
    QCOMPARE(AscW("Ă"), std::int16_t(0x102));
    QCOMPARE(ChrW(0x219), QString("ș"));
    QCOMPARE(ChrW(AscW(QString(QChar(0xFFFF)))), QString(QChar(0xFFFF)));
    int number = 0;
    try {
        AscW("");
    } catch (const EngineError& e) {
        number = e.Number();
    }
    QCOMPARE(number, tkerr::InvalidProcedureCall);
}

void TextTest::utf8Decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("firstBad");
    QTest::newRow("ascii and Romanian") << QByteArray("a\xC8\x99\xC4\x83") << -1;
    QTest::newRow("four bytes") << QByteArray("\xF0\x9D\x90\x80") << -1;
    QTest::newRow("cut sequence") << QByteArray("ab\xC8") << 2;
    QTest::newRow("overlong") << QByteArray("a\xC0\x80") << 1;
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << 0;
    QTest::newRow("past Unicode") << QByteArray("x\xF4\x90\x80\x80") << 1;
    QTest::newRow("stray continuation") << QByteArray("\x80") << 0;
}

void TextTest::utf8Decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, firstBad);
    QCOMPARE(FirstBadUtf8(bytes), qsizetype(firstBad));
    // Decoded one character at a time, the good prefix is what Qt's decoder reads.
    QString decoded;
    for (qsizetype i = 0; i < (firstBad < 0 ? bytes.size() : firstBad);) {
        const char32_t c = NextUtf8(bytes, i);
        QVERIFY(c != kNotUtf8);
        decoded += QString::fromUcs4(&c, 1);
    }
    QCOMPARE(decoded, QString::fromUtf8(bytes.left(firstBad < 0 ? bytes.size() : firstBad)));
}

void TextTest::valLeadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("digits") << "12" << 12.0;
    QTest::newRow("trailing text") << "12 abc" << 12.0;
    QTest::newRow("name") << "Label2" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("leading blanks") << "  7" << 7.0;
    QTest::newRow("negative") << "-3" << -3.0;
    QTest::newRow("decimal") << "2.5x" << 2.5;
    QTest::newRow("blanks inside") << "1 2" << 12.0;
}

void TextTest::valLeadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(Val(text), value);
}

QTEST_GUILESS_MAIN(TextTest)
#include "tst_text.moc"
