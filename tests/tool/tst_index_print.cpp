// The printed index as a reader meets it: numbers in their order, Romanian
// letters in their comma forms, no control character in any format, one
// column on a screen, and LaTeX that compiles without a line in the gutter.
#include "support/TempStore.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <poppler-qt6.h>

#include <algorithm>
#include <map>
#include <vector>

using namespace tarvix;
using namespace tarvix::test;

namespace {

QString run(TempStore& s, const QString& format)
{
    const Run r = tool(s.folder(), {"index", "Dictionar.mdb", "--format", format});
    if (r.code != 0)
        qWarning("%s", qPrintable(r.err));
    return r.code == 0 ? r.out : QString();
}

// The lines of the text index that hold one of the texts given.
QStringList linesWith(const QString& doc, const QStringList& texts)
{
    QStringList out;
    for (const QString& line : doc.split(QLatin1Char('\n')))
        for (const QString& t : texts)
            if (line.trimmed() == t)
                out << t;
    return out;
}

// A store as a long course might have it: 32,767 words of every length up to
// 25 letters, and long chapter titles with numbers in them.
void fillLong(TempStore& s)
{
    s.other().ExecuteScript(QStringLiteral(
        "PRAGMA foreign_keys = OFF; BEGIN;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 32767) "
        "INSERT INTO tblDictionar (ID_Cuvant, Cuvant, Cuvant_Fold) "
        "SELECT i, w, lower(w) FROM (SELECT i, substr('ÎNTREBUINȚAREAPROGRAMĂRIISTRUCTURATE', 1 + i % 11, 3 + i % 15) "
        "|| printf('%05d', i) || substr('ȘTIINȚĂ', 1, i % 4) AS w FROM n);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
        "INSERT INTO tblCapitol (ID_Capitol, Capitol, Capitol_Fold) "
        "SELECT i, t, lower(t) FROM (SELECT i, printf('CAPITOLUL %d: ', i) || "
        "substr('BACKTRACKING ȘI PROGRAMARE DINAMICĂ PENTRU STRUCTURI ARBORESCENTE', 1 + i % 7, 26) AS t FROM n);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 32767) "
        "INSERT INTO tblLegatura (ID_Cuvant, ID_Capitol) SELECT i, 1 + i % 400 FROM n;"
        "COMMIT;"));
}

// A printed line: its words, and how far it starts from its column's left edge.
struct Line {
    QString text;
    double indent = 0;
};

// The PDF's text as set: every column of its first pages, top to bottom, a line at a time.
std::vector<std::vector<Line>> columnsOf(const QString& pdf, int pages)
{
    std::vector<std::vector<Line>> columns;
    const std::unique_ptr<Poppler::Document> doc = Poppler::Document::load(pdf);
    if (!doc)
        return columns;
    for (int p = 0; p < std::min(pages, doc->numPages()); ++p) {
        const std::unique_ptr<Poppler::Page> page = doc->page(p);
        const double middle = page->pageSizeF().width() / 2;
        std::map<int, std::map<int, std::vector<Poppler::TextBox*>>> byColumn;  // column, line top: words
        const auto boxes = page->textList();
        for (const auto& box : boxes) {
            const QRectF r = box->boundingBox();
            byColumn[r.center().x() < middle ? 0 : 1][qRound(r.bottom())].push_back(box.get());
        }
        for (auto& [side, lines] : byColumn) {
            double left = 1e9;
            for (auto& [y, words] : lines)
                for (const Poppler::TextBox* w : words)
                    left = std::min(left, w->boundingBox().left());
            std::vector<Line> column;
            for (auto& [y, words] : lines) {
                std::sort(words.begin(), words.end(),
                          [](auto* a, auto* b) { return a->boundingBox().left() < b->boundingBox().left(); });
                Line line{QString(), words.front()->boundingBox().left() - left};
                for (const Poppler::TextBox* w : words)
                    line.text += (line.text.isEmpty() ? QString() : QStringLiteral(" ")) + w->text();
                column.push_back(line);
            }
            columns.push_back(column);
        }
    }
    return columns;
}

struct Program {
    int code = -1;
    QByteArray out;
};

Program runProgram(const QString& program, const QStringList& args, const QString& cwd)
{
    QProcess p;
    p.setWorkingDirectory(cwd);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAll()};
}

}  // namespace

class IndexPrintTest : public QObject {
    Q_OBJECT

private slots:
    // In the printed index only: CAPITOLUL 2 before CAPITOLUL 10, for headwords and chapters alike.
    void numbersByValue()
    {
        TempStore s;
        const QStringList chapters{"CAPITOLUL 10", "CAPITOLUL 1",   "CAPITOLUL 100", "CAPITOLUL 2",
                                   "ANEXA 3",      "CAPITOLUL 2.5", "CAPITOLUL 007"};
        const auto w = s.addWord("LECȚIA 10");
        for (const QString& c : chapters)
            s.link(w, s.addChapter(c));
        s.link(s.addWord("LECȚIA 9"), s.addChapter("CAPITOLUL 99999999999999999999999"));
        s.link(s.addWord("LECȚIA 09B"), s.addChapter("CAPITOLUL 9999999999999999999999"));
        const QString doc = run(s, "text");
        QCOMPARE(linesWith(doc, {"LECȚIA 9", "LECȚIA 09B", "LECȚIA 10"}),
                 QStringList({"LECȚIA 9", "LECȚIA 09B", "LECȚIA 10"}));
        QCOMPARE(linesWith(doc, chapters), QStringList({"ANEXA 3", "CAPITOLUL 1", "CAPITOLUL 2", "CAPITOLUL 2.5",
                                                        "CAPITOLUL 007", "CAPITOLUL 10", "CAPITOLUL 100"}));
    }

    void commaForms_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("text") << "text";
        QTest::newRow("html") << "html";
        QTest::newRow("tex") << "tex";
    }

    // A store written elsewhere may hold the cedilla forms: the page shows Ș and Ț.
    void commaForms()
    {
        QFETCH(QString, format);
        TempStore s;
        s.other().ExecuteScript(
            QStringLiteral("INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES ('ŞAH', 'şah'), ('ŢARĂ', 'ţară');"
                           "INSERT INTO tblCapitol (Capitol, Capitol_Fold) VALUES ('ŞIRURI ŞI ŢEVI', 'şiruri şi ţevi');"
                           "INSERT INTO tblLegatura SELECT ID_Cuvant, ID_Capitol FROM tblDictionar, tblCapitol;"));
        const QString doc = run(s, format);
        QVERIFY(doc.contains(QStringLiteral("ȘAH")));
        QVERIFY(doc.contains(QStringLiteral("ȚARĂ")));
        QVERIFY(doc.contains(QStringLiteral("ȘIRURI ȘI ȚEVI")));
        for (const QChar c : {QChar(0x015E), QChar(0x015F), QChar(0x0162), QChar(0x0163)})
            QVERIFY2(!doc.contains(c), qPrintable(doc));
    }

    void controlCharacters_data() { commaForms_data(); }

    // Tabs, line breaks, other control codes and invisible direction marks reach no format.
    void controlCharacters()
    {
        QFETCH(QString, format);
        TempStore s;
        s.other().ExecuteScript(QStringLiteral(
            "INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES "
            "('A' || char(9) || 'B', 'a b'), (char(1) || 'LINIE' || char(10) || 'NOUĂ', 'linie noua'), "
            "('INVERS' || char(8238) || 'AT', 'invers'), ('SEMN' || char(127) || char(155), 'semn');"
            "INSERT INTO tblCapitol (Capitol, Capitol_Fold) VALUES ('UNU' || char(13) || char(12) || 'DOI', 'unu'),"
            "('ZERO' || char(8203) || 'LAȚIME' || char(8232), 'zero');"
            "INSERT INTO tblLegatura SELECT ID_Cuvant, ID_Capitol FROM tblDictionar, tblCapitol;"));
        const QString doc = run(s, format);
        QVERIFY(!doc.isEmpty());
        for (const QChar c : doc) {
            const bool control = c.category() == QChar::Other_Control && c != QLatin1Char('\n');
            QVERIFY2(!control && c.category() != QChar::Other_Format && c.category() != QChar::Separator_Line,
                     qPrintable(QStringLiteral("U+%1 in %2").arg(c.unicode(), 4, 16, QLatin1Char('0')).arg(doc)));
        }
        QVERIFY(doc.contains(QStringLiteral("LINIE NOUĂ")));
        QVERIFY(doc.contains(QStringLiteral("ZEROLAȚIME")));
    }

    // On a screen one column, read from top to bottom; two columns only on paper.
    void htmlColumns()
    {
        TempStore s;
        s.link(s.addWord("CASA"), s.addChapter("ACOPERIȘ"));
        const QString doc = run(s, "html");
        const QString style = doc.section(QStringLiteral("<style>"), 1).section(QStringLiteral("</style>"), 0, 0);
        const qsizetype print = style.indexOf(QStringLiteral("@media print"));
        QVERIFY(print > 0);
        QVERIFY2(!style.left(print).contains(QStringLiteral("column")), qPrintable(style));
        QVERIFY(style.mid(print).contains(QStringLiteral("column-count: 2")));
    }

    void latexPrints_data()
    {
        QTest::addColumn<QString>("store");
        QTest::newRow("the sample") << "sample";
        QTest::newRow("32,767 words") << "long";
    }

    // Compiled as the README says: vector fonts, no error, no line over the margin.
    void latexPrints()
    {
        QFETCH(QString, store);
        const QString pdflatex = QStandardPaths::findExecutable("pdflatex");
        if (pdflatex.isEmpty())
            QSKIP("pdflatex is not installed (Debian packages texlive-latex-base, texlive-lang-european and lmodern)");
        TempStore s(store == "long");
        if (store == "long")
            fillLong(s);
        else
            QCOMPARE(tool(s.folder(), {"sample", "Dictionar.mdb"}).code, 0);
        QCOMPARE(tool(s.folder(), {"index", "Dictionar.mdb", "--format", "tex", "--output", "index.tex"}).code, 0);
        const QByteArray tex = bytesOf(QDir(s.folder()).filePath("index.tex"));
        QVERIFY(tex.startsWith("% Indexul scris de tarvix-db"));
        QVERIFY(tex.left(300).contains("\\usepackage{lmodern}"));
        writeFile(QDir(s.folder()).filePath("carte.tex"),
                  "\\documentclass[a4paper]{article}\n\\usepackage[T1]{fontenc}\n\\usepackage{lmodern}\n"
                  "\\usepackage[romanian]{babel}\n\\begin{document}\n\\input{index.tex}\n\\end{document}\n");
        QElapsedTimer clock;
        clock.start();
        const Program p = runProgram(
            pdflatex, {"-interaction=nonstopmode", "-halt-on-error", "-no-shell-escape", "carte.tex"}, s.folder());
        qInfo("pdflatex: %lld ms", clock.elapsed());
        QVERIFY2(p.code == 0, p.out.right(3000).constData());
        const QByteArray log = bytesOf(QDir(s.folder()).filePath("carte.log"));
        for (const char* fault : {"Overfull", "LaTeX Warning", "Missing character", "pk>"}) {
            const qsizetype at = log.indexOf(fault);
            QVERIFY2(at < 0, log.mid(std::max<qsizetype>(0, at - 200), 800).constData());
        }
        // As read on paper: no word broken at a line's end, no headword left at a column's foot
        // with its chapters in the next column.
        const auto columns = columnsOf(QDir(s.folder()).filePath("carte.pdf"), 40);
        QVERIFY(columns.size() > 1);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            for (const Line& line : columns[c])
                QVERIFY2(!line.text.endsWith(u'-'), qPrintable(line.text));
            if (c + 1 == columns.size() || columns[c].empty() || columns[c + 1].empty())
                continue;
            const Line& foot = columns[c].back();
            const Line& next = columns[c + 1].front();
            QVERIFY2(!(foot.indent < 5 && next.indent > 15),
                     qPrintable(QStringLiteral("„%1” at a column's foot, „%2” in the next").arg(foot.text, next.text)));
        }
    }
};

QTEST_GUILESS_MAIN(IndexPrintTest)
#include "tst_index_print.moc"
