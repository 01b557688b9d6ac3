// The Jet writer's files read back row by row by libmdb's mdb-export and the independent mdb-reader.
#include "support/JetWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <iconv.h>

using namespace tarvix::test;

namespace {

struct Variant {
    std::vector<JetTable> tables;
    JetOptions options;
};

// Rows of every shape over pages: long and short texts, NULLs, empties, deletions.
JetTable ManyRows(int count)
{
    JetTable t{QStringLiteral("tblMulte"),
               {{QStringLiteral("ID"), JetColumn::Long},
                {QStringLiteral("Scurt"), JetColumn::Text, 50},
                {QStringLiteral("Numar"), JetColumn::Long},
                {QStringLiteral("Lung"), JetColumn::Text, 255}},
               {}};
    for (int i = 1; i <= count; ++i) {
        JetValue shortText = QStringLiteral("șir %1 ĂÂÎȘȚ").arg(i);
        if (i % 11 == 0)
            shortText = std::nullopt;
        else if (i % 13 == 0)
            shortText = QString();
        JetValue longText = QStringLiteral("țară ").repeated(1 + i % 51);
        if (i % 17 == 0)
            longText = std::nullopt;
        JetValue number = i % 19 == 0 ? JetValue() : JetValue(qint32(-i * 7));
        t.rows.push_back({{JetValue(qint32(i)), shortText, number, longText}, i % 7 == 0});
    }
    return t;
}

Variant Make(const QString& name)
{
    Variant v;
    v.tables = RomanianFixture();
    if (name == QLatin1String("jet3 cp1250")) {
        v.options.version = 3;
    } else if (name == QLatin1String("jet3 header 1252, cp1250 bytes")) {
        v.options.version = 3;
        v.options.codePage = 1252;
        v.options.textCodePage = 1250;
    } else if (name == QLatin1String("jet3 header 1250, columns 1252")) {
        v.options.version = 3;
        v.options.columnCodePage = 1252;
    } else if (name == QLatin1String("jet4 plain")) {
    } else if (name == QLatin1String("jet4 compressed")) {
        v.options.compressText = true;
    } else if (name == QLatin1String("jet4 20000 rows")) {
        v.tables = {ManyRows(20000)};
        v.options.compressText = true;
    } else if (name == QLatin1String("jet3 20000 rows, reference maps")) {
        v.tables = {ManyRows(20000)};
        v.options.version = 3;
        v.options.forceReferenceMaps = true;
    } else if (name == QLatin1String("jet4 140000 links past an inline map")) {
        v.tables = LargeDictionary(400, 400, 140000);
    } else {
        qFatal("no variant %s", qPrintable(name));
    }
    return v;
}

void AddVariants()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"jet3 cp1250", "jet3 header 1252, cp1250 bytes", "jet3 header 1250, columns 1252",
                             "jet4 plain", "jet4 compressed", "jet4 20000 rows", "jet3 20000 rows, reference maps",
                             "jet4 140000 links past an inline map"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

int TextCodePage(const JetOptions& o)
{
    return o.textCodePage ? o.textCodePage : o.codePage;
}

// A text's bytes in one code page read as another, as a reader told the wrong one shows it.
QString Recode(const QString& text, int bytesIn, int readAs)
{
    auto convert = [](const QByteArray& in, const std::string& to, const std::string& from) {
        iconv_t cd = iconv_open(to.c_str(), from.c_str());
        if (cd == reinterpret_cast<iconv_t>(-1))
            return QByteArray();
        QByteArray source = in;
        QByteArray out(source.size() * 4 + 8, '\0');
        char* src = source.data();
        char* dst = out.data();
        size_t srcLeft = size_t(source.size()), dstLeft = size_t(out.size());
        const size_t done = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        iconv_close(cd);
        if (done == size_t(-1))
            return QByteArray();
        out.truncate(out.size() - qsizetype(dstLeft));
        return out;
    };
    const QByteArray bytes = convert(text.toUtf8(), "CP" + std::to_string(bytesIn), "UTF-8");
    return QString::fromUtf8(convert(bytes, "UTF-8", "CP" + std::to_string(readAs)));
}

// What a reader should give for each live row: numbers as text, NULL as nullopt.
using Cells = std::vector<std::optional<QString>>;
std::vector<Cells> Expected(const JetTable& t, const JetOptions& o, int readAs)
{
    std::vector<Cells> rows;
    for (const JetRow& r : t.rows) {
        if (r.deleted)
            continue;
        Cells cells;
        for (const JetValue& v : r.values) {
            if (!v)
                cells.push_back(std::nullopt);
            else if (std::holds_alternative<qint32>(*v))
                cells.push_back(QString::number(std::get<qint32>(*v)));
            else {
                const QString text = JetReadBack(std::get<QString>(*v), o);
                cells.push_back(o.version == 3 && readAs != TextCodePage(o) ? Recode(text, TextCodePage(o), readAs)
                                                                            : text);
            }
        }
        rows.push_back(std::move(cells));
    }
    return rows;
}

QStringList ColumnNames(const JetTable& t)
{
    QStringList names;
    for (const JetColumn& c : t.columns)
        names << c.name;
    return names;
}

QString Show(const std::optional<QString>& cell)
{
    return cell ? QLatin1Char('"') + *cell + QLatin1Char('"') : QStringLiteral("NULL");
}

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run Start(const QString& program, const QStringList& args, const QProcessEnvironment& env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Run r;
    if (!p.waitForStarted(30000) || !p.waitForFinished(300000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QProcessEnvironment MdbEnvironment(const char* jet3Charset)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MDBICONV"), QStringLiteral("UTF-8"));
    env.remove(QStringLiteral("MDB_JET3_CHARSET"));
    if (jet3Charset)
        env.insert(QStringLiteral("MDB_JET3_CHARSET"), QString::fromLatin1(jet3Charset));
    return env;
}

const QString kNull = QStringLiteral("<NULL>");

// mdb-export as tab-separated lines, NULL shown as kNull; our texts hold no tabs or line breaks.
bool CompareExport(const QString& file, const JetTable& t, const std::vector<Cells>& expected,
                   const QProcessEnvironment& env, QString& why)
{
    const Run r = Start(
        QStringLiteral(MDB_EXPORT),
        {QStringLiteral("-Q"), QStringLiteral("-d"), QStringLiteral("\\t"), QStringLiteral("-0"), kNull, file, t.name},
        env);
    if (r.exitCode != 0) {
        why = QStringLiteral("mdb-export %1 failed: %2").arg(t.name, QString::fromUtf8(r.err));
        return false;
    }
    QStringList lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.isEmpty() || lines.first().split(QLatin1Char('\t')) != ColumnNames(t)) {
        why = QStringLiteral("%1: columns %2").arg(t.name, lines.value(0));
        return false;
    }
    if (std::size_t(lines.size() - 1) != expected.size()) {
        why = QStringLiteral("%1: %2 rows, expected %3").arg(t.name).arg(lines.size() - 1).arg(expected.size());
        return false;
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const QStringList cells = lines[qsizetype(i + 1)].split(QLatin1Char('\t'));
        for (std::size_t c = 0; c < expected[i].size(); ++c) {
            const QString got = cells.value(qsizetype(c));
            const auto& want = expected[i][c];
            // libmdb 1.0 hands an empty text over with length 0, as it does NULL.
            const bool same = want ? (got == *want || (want->isEmpty() && got == kNull)) : got == kNull;
            if (!same || cells.size() != qsizetype(expected[i].size())) {
                why = QStringLiteral("%1 row %2 column %3: mdb-export gave \"%4\", expected %5")
                          .arg(t.name)
                          .arg(i)
                          .arg(c)
                          .arg(got, Show(want));
                return false;
            }
        }
    }
    return true;
}

}  // namespace

class TestJetWriter : public QObject {
    Q_OBJECT

private slots:
    void mdbExport_data() { AddVariants(); }
    void mdbExport()
    {
        QFETCH(QString, name);
        const Variant v = Make(name);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("Vechi.mdb"));
        WriteJetFile(file, v.tables, v.options);
        const int textPage = TextCodePage(v.options);
        const std::string charset = "CP" + std::to_string(textPage);
        const QProcessEnvironment told = MdbEnvironment(v.options.version == 3 ? charset.c_str() : nullptr);

        QStringList names;
        for (const JetTable& t : v.tables)
            names << t.name;
        const Run tables = Start(QStringLiteral(MDB_TABLES), {QStringLiteral("-1"), file}, told);
        QCOMPARE(tables.exitCode, 0);
        QCOMPARE(QString::fromUtf8(tables.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts), names);
        const Run schema = Start(QStringLiteral(MDB_SCHEMA), {file}, told);
        QCOMPARE(schema.exitCode, 0);
        for (const JetTable& t : v.tables)
            QVERIFY2(schema.out.contains("CREATE TABLE [" + t.name.toUtf8() + "]"), schema.out.constData());

        for (const JetTable& t : v.tables) {
            QString why;
            QVERIFY2(CompareExport(file, t, Expected(t, v.options, textPage), told, why), qPrintable(why));
            // Untold, libmdb decodes Jet 3 texts with the header's code page.
            if (v.options.version == 3)
                QVERIFY2(
                    CompareExport(file, t, Expected(t, v.options, v.options.codePage), MdbEnvironment(nullptr), why),
                    qPrintable(why));
        }
    }

    void mdbReader_data() { AddVariants(); }
    void mdbReader()
    {
        QFETCH(QString, name);
        QString node = QStringLiteral(TARVIX_NODE);
        if (node.isEmpty())
            node = QStandardPaths::findExecutable(QStringLiteral("node"));
        if (node.isEmpty())
            QSKIP("node is not installed, so mdb-reader cannot read the files: install nodejs and npm, then "
                  "./build.sh test installs mdb-reader");
        const QStringList places =
            (qEnvironmentVariableIsSet("TARVIX_NODE_MODULES") ? qEnvironmentVariable("TARVIX_NODE_MODULES")
                                                              : QStringLiteral(TARVIX_NODE_MODULES))
                .split(QLatin1Char(':'), Qt::SkipEmptyParts);
        QString modules;
        for (const QString& place : places)
            if (modules.isEmpty() && QFileInfo::exists(place + QStringLiteral("/mdb-reader/package.json")))
                modules = place;
        if (modules.isEmpty())
            QSKIP(qPrintable(QStringLiteral("mdb-reader is not in %1: ./build.sh test installs it "
                                            "(npm install --prefix <build>/npm mdb-reader@3.2.0), or set "
                                            "TARVIX_NODE_MODULES")
                                 .arg(places.join(QStringLiteral(" or ")))));

        const Variant v = Make(name);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("Vechi.mdb"));
        WriteJetFile(file, v.tables, v.options);
        const int textPage = TextCodePage(v.options);
        for (const JetTable& t : v.tables) {
            QStringList args{QStringLiteral(TARVIX_MDB_READER_SCRIPT), modules, file, t.name};
            if (v.options.version == 3)
                args << QStringLiteral("windows-%1").arg(textPage);
            const Run r = Start(node, args, QProcessEnvironment::systemEnvironment());
            QVERIFY2(r.exitCode == 0, r.err.constData());
            const QList<QByteArray> lines = r.out.trimmed().split('\n');
            QJsonArray columns = QJsonDocument::fromJson(lines.value(0)).array();
            QStringList names;
            for (const QJsonValue& c : columns)
                names << c.toString();
            QCOMPARE(names, ColumnNames(t));
            const std::vector<Cells> expected = Expected(t, v.options, textPage);
            QCOMPARE(std::size_t(lines.size() - 1), expected.size());
            for (std::size_t i = 0; i < expected.size(); ++i) {
                const QJsonArray cells = QJsonDocument::fromJson(lines[qsizetype(i + 1)]).array();
                QCOMPARE(std::size_t(cells.size()), expected[i].size());
                for (std::size_t c = 0; c < expected[i].size(); ++c) {
                    const QJsonValue got = cells[qsizetype(c)];
                    const auto& want = expected[i][c];
                    const std::optional<QString> seen = got.isNull() ? std::nullopt
                                                        : got.isDouble()
                                                            ? std::optional(QString::number(got.toInteger()))
                                                            : std::optional(got.toString());
                    if (seen != want)
                        QFAIL(qPrintable(QStringLiteral("%1 row %2 column %3: mdb-reader gave %4, expected %5")
                                             .arg(t.name)
                                             .arg(i)
                                             .arg(c)
                                             .arg(Show(seen), Show(want))));
                }
            }
        }
    }

    // The importer's tests lean on the contents table in JetWriter.h.
    void romanianFixtureAsDocumented()
    {
        const std::vector<JetTable> t = RomanianFixture();
        auto live = [](const JetTable& table) {
            return std::count_if(table.rows.begin(), table.rows.end(), [](const JetRow& r) { return !r.deleted; });
        };
        QCOMPARE(live(t[0]), 16);
        QCOMPARE(live(t[1]), 10);
        QCOMPARE(live(t[2]), 23);
        QCOMPARE(std::get<QString>(*t[1].rows[6].values[1]).size(), 255);
        QCOMPARE(std::get<QString>(*t[0].rows[13].values[1]).size(), 26);
        QVERIFY(t[0].rows[12].deleted && t[0].rows[17].deleted && t[1].rows[7].deleted && t[2].rows[22].deleted);
    }

    // Neither reader looks at a Jet 3 column's own code page, so read it from the definition.
    void jet3ColumnCodePage()
    {
        JetOptions o;
        o.version = 3;
        o.codePage = 1250;
        o.columnCodePage = 1252;
        const QByteArray bytes = WriteJet(RomanianFixture(), o);
        const char* cuvant = bytes.constData() + 3 * 2048 + 43 + 18;  // tblDictionar's definition, its second column
        QCOMPARE(int(quint8(cuvant[0])), 0x0A);
        QCOMPARE(int(quint8(cuvant[11]) | quint8(cuvant[12]) << 8), 1252);
        QCOMPARE(int(quint8(bytes[0x14])), 0);
    }
};

QTEST_GUILESS_MAIN(TestJetWriter)
#include "tst_jet_writer.moc"
