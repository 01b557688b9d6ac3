// tarvix-db index run as a real program: each format in full, the HTML parsed, the LaTeX
// compiled, files never overwritten without --force, the store never changed, a large store fast.
#include "support/TempStore.h"
#include "support/ToolRun.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarvix;
using namespace tarvix::test;

namespace {

// Romanian letters, the cedilla Ş, a foreign accent, quotes and every sign HTML or LaTeX escapes.
void fill(TempStore& s)
{
    const QStringList words{"ȘTIINȚĂ", "ȘAH", "ĂSTA",    "ÎNCEPUT", "ARBORE",    "ÁRBOL",       "„CITAT” & <B>",
                            "100%",    "A_B", "C:\\DOS", "ȚARĂ",    "NEFOLOSIT", "ÎN AȘTEPTARE"};
    const QStringList chapters{"NOȚIUNI \"DE BAZĂ\"",
                               "ȘIRURI & TABLOURI",
                               "PROCENTE: 50% DIN <TOT>",
                               "NUME_DE_FIȘIER ȘI C:\\TEMP",
                               "ÎNTREBĂRI {RECAPITULARE} $#~^",
                               "ANEXĂ -- O'BRIEN",
                               "CAPITOL GOL",
                               "ALTE LUCRURI",
                               "SUMAR"};
    QHash<QString, std::int32_t> w, c;
    s.other().BeginTransaction();  // one sync to the disk, not one per row
    for (const QString& t : words)
        w.insert(t, s.addWord(t));
    for (const QString& t : chapters)
        c.insert(t, s.addChapter(t));
    const std::pair<const char*, const char*> links[] = {
        {"ȘTIINȚĂ", "ȘIRURI & TABLOURI"},
        {"ȘTIINȚĂ", "NOȚIUNI \"DE BAZĂ\""},
        {"ȘTIINȚĂ", "SUMAR"},
        {"ȘTIINȚĂ", "NOȚIUNI \"DE BAZĂ\""},  // twice in the table, once in the index
        {"ȘAH", "ÎNTREBĂRI {RECAPITULARE} $#~^"},
        {"ĂSTA", "PROCENTE: 50% DIN <TOT>"},
        {"ÎNCEPUT", "NOȚIUNI \"DE BAZĂ\""},
        {"ÎNCEPUT", "ANEXĂ -- O'BRIEN"},
        {"ARBORE", "NUME_DE_FIȘIER ȘI C:\\TEMP"},
        {"ARBORE", "ȘIRURI & TABLOURI"},
        {"ÁRBOL", "NUME_DE_FIȘIER ȘI C:\\TEMP"},
        {"„CITAT” & <B>", "PROCENTE: 50% DIN <TOT>"},
        {"„CITAT” & <B>", "NOȚIUNI \"DE BAZĂ\""},
        {"„CITAT” & <B>", "ȘIRURI & TABLOURI"},
        {"100%", "PROCENTE: 50% DIN <TOT>"},
        {"A_B", "NUME_DE_FIȘIER ȘI C:\\TEMP"},
        {"C:\\DOS", "NUME_DE_FIȘIER ȘI C:\\TEMP"},
        {"ȚARĂ", "ÎNTREBĂRI {RECAPITULARE} $#~^"},
        {"ȚARĂ", "ANEXĂ -- O'BRIEN"},
    };
    for (const auto& [word, chapter] : links)
        s.link(w.value(QString::fromUtf8(word)), c.value(QString::fromUtf8(chapter)));
    s.other().CommitTransaction();
}

const char* const kText = R"(Index

— Cifre și semne —
„CITAT” & <B>
    NOȚIUNI "DE BAZĂ"
    PROCENTE: 50% DIN <TOT>
    ȘIRURI & TABLOURI
100%
    PROCENTE: 50% DIN <TOT>

— A —
A_B
    NUME_DE_FIȘIER ȘI C:\TEMP
ÁRBOL
    NUME_DE_FIȘIER ȘI C:\TEMP
ARBORE
    NUME_DE_FIȘIER ȘI C:\TEMP
    ȘIRURI & TABLOURI

— Ă —
ĂSTA
    PROCENTE: 50% DIN <TOT>

— C —
C:\DOS
    NUME_DE_FIȘIER ȘI C:\TEMP

— Î —
ÎNCEPUT
    ANEXĂ -- O'BRIEN
    NOȚIUNI "DE BAZĂ"

— Ș —
ȘAH
    ÎNTREBĂRI {RECAPITULARE} $#~^
ȘTIINȚĂ
    NOȚIUNI "DE BAZĂ"
    SUMAR
    ȘIRURI & TABLOURI

— Ț —
ȚARĂ
    ANEXĂ -- O'BRIEN
    ÎNTREBĂRI {RECAPITULARE} $#~^
)";

const char* const kTextUnlinked = R"(
Cuvinte fără capitole
ÎN AȘTEPTARE
NEFOLOSIT

Capitole fără cuvinte: ALTE LUCRURI; CAPITOL GOL
)";

// Everything but the style sheet, which is checked on its own.
const char* const kHtml = R"(<!DOCTYPE html>
<html lang="ro">
<head>
<meta charset="utf-8">
<meta name="generator" content="tarvix-db">
<title>Index</title>
<style>…</style>
</head>
<body>
<h1>Index</h1>
<div class="index">
<h2>Cifre și semne</h2>
<dl><dt>„CITAT” &amp; &lt;B&gt;</dt>
<dd>NOȚIUNI &quot;DE BAZĂ&quot;</dd>
<dd>PROCENTE: 50% DIN &lt;TOT&gt;</dd>
<dd>ȘIRURI &amp; TABLOURI</dd>
</dl>
<dl><dt>100%</dt>
<dd>PROCENTE: 50% DIN &lt;TOT&gt;</dd>
</dl>
<h2>A</h2>
<dl><dt>A_B</dt>
<dd>NUME_DE_FIȘIER ȘI C:\TEMP</dd>
</dl>
<dl><dt>ÁRBOL</dt>
<dd>NUME_DE_FIȘIER ȘI C:\TEMP</dd>
</dl>
<dl><dt>ARBORE</dt>
<dd>NUME_DE_FIȘIER ȘI C:\TEMP</dd>
<dd>ȘIRURI &amp; TABLOURI</dd>
</dl>
<h2>Ă</h2>
<dl><dt>ĂSTA</dt>
<dd>PROCENTE: 50% DIN &lt;TOT&gt;</dd>
</dl>
<h2>C</h2>
<dl><dt>C:\DOS</dt>
<dd>NUME_DE_FIȘIER ȘI C:\TEMP</dd>
</dl>
<h2>Î</h2>
<dl><dt>ÎNCEPUT</dt>
<dd>ANEXĂ -- O&#39;BRIEN</dd>
<dd>NOȚIUNI &quot;DE BAZĂ&quot;</dd>
</dl>
<h2>Ș</h2>
<dl><dt>ȘAH</dt>
<dd>ÎNTREBĂRI {RECAPITULARE} $#~^</dd>
</dl>
<dl><dt>ȘTIINȚĂ</dt>
<dd>NOȚIUNI &quot;DE BAZĂ&quot;</dd>
<dd>SUMAR</dd>
<dd>ȘIRURI &amp; TABLOURI</dd>
</dl>
<h2>Ț</h2>
<dl><dt>ȚARĂ</dt>
<dd>ANEXĂ -- O&#39;BRIEN</dd>
<dd>ÎNTREBĂRI {RECAPITULARE} $#~^</dd>
</dl>
</div>
<h2>Cuvinte fără capitole</h2>
<ul class="fara-capitole">
<li>ÎN AȘTEPTARE</li>
<li>NEFOLOSIT</li>
</ul>
<p class="nota"><em>Capitole fără cuvinte:</em> ALTE LUCRURI; CAPITOL GOL</p>
</body>
</html>
)";

const char* const kTex = R"(% Indexul scris de tarvix-db: se include cu \input într-un document LaTeX cu
% \usepackage[T1]{fontenc}, \usepackage{lmodern} și \usepackage[romanian]{babel}.
\begin{theindex}
\raggedright\hyphenpenalty=10000 \exhyphenpenalty=10000 \emergencystretch=2em
  {\bfseries Cifre și semne}\nopagebreak
  \item „CITAT” \& <B>\nopagebreak
    \subitem NOȚIUNI \textquotedbl{}DE BAZĂ\textquotedbl{}
    \subitem PROCENTE: 50\% DIN <TOT>
    \subitem ȘIRURI \& TABLOURI
  \item 100\%\nopagebreak
    \subitem PROCENTE: 50\% DIN <TOT>

  \indexspace
  {\bfseries A}\nopagebreak
  \item A\_B\nopagebreak
    \subitem NUME\_DE\_FIȘI\penalty5000{}ER ȘI C:\textbackslash{}TEMP
  \item ÁRBOL\nopagebreak
    \subitem NUME\_DE\_FIȘI\penalty5000{}ER ȘI C:\textbackslash{}TEMP
  \item ARBORE\nopagebreak
    \subitem NUME\_DE\_FIȘI\penalty5000{}ER ȘI C:\textbackslash{}TEMP
    \subitem ȘIRURI \& TABLOURI

  \indexspace
  {\bfseries Ă}\nopagebreak
  \item ĂSTA\nopagebreak
    \subitem PROCENTE: 50\% DIN <TOT>

  \indexspace
  {\bfseries C}\nopagebreak
  \item C:\textbackslash{}DOS\nopagebreak
    \subitem NUME\_DE\_FIȘI\penalty5000{}ER ȘI C:\textbackslash{}TEMP

  \indexspace
  {\bfseries Î}\nopagebreak
  \item ÎNCEPUT\nopagebreak
    \subitem ANEXĂ -{}- O\textquotesingle{}BRIEN
    \subitem NOȚIUNI \textquotedbl{}DE BAZĂ\textquotedbl{}

  \indexspace
  {\bfseries Ș}\nopagebreak
  \item ȘAH\nopagebreak
    \subitem ÎNTREBĂRI \{RECAPITULAR\penalty5000{}E\} \$\#\textasciitilde{}\textasciicircum{}
  \item ȘTIINȚĂ\nopagebreak
    \subitem NOȚIUNI \textquotedbl{}DE BAZĂ\textquotedbl{}
    \subitem SUMAR
    \subitem ȘIRURI \& TABLOURI

  \indexspace
  {\bfseries Ț}\nopagebreak
  \item ȚARĂ\nopagebreak
    \subitem ANEXĂ -{}- O\textquotesingle{}BRIEN
    \subitem ÎNTREBĂRI \{RECAPITULAR\penalty5000{}E\} \$\#\textasciitilde{}\textasciicircum{}

  \indexspace
  {\bfseries Cuvinte fără capitole}\nopagebreak
  \item ÎN AȘTEPTARE
  \item NEFOLOSIT

  \indexspace
  \par\noindent\textit{Capitole fără cuvinte:} ALTE LUCRURI; CAPITOL GOL
\end{theindex}
)";

QByteArray withoutStyle(QByteArray html)
{
    const qsizetype from = html.indexOf("<style>");
    const qsizetype to = html.indexOf("</style>");
    if (from < 0 || to < from)
        return html;
    return html.replace(from + 7, to - from - 7, "…");
}

// The texts of the parsed page's headings, words, chapters, list items and note, one a line.
const char* const kHtmlTexts = R"(Index
Cifre și semne
„CITAT” & <B>
NOȚIUNI "DE BAZĂ"
PROCENTE: 50% DIN <TOT>
ȘIRURI & TABLOURI
100%
PROCENTE: 50% DIN <TOT>
A
A_B
NUME_DE_FIȘIER ȘI C:\TEMP
ÁRBOL
NUME_DE_FIȘIER ȘI C:\TEMP
ARBORE
NUME_DE_FIȘIER ȘI C:\TEMP
ȘIRURI & TABLOURI
Ă
ĂSTA
PROCENTE: 50% DIN <TOT>
C
C:\DOS
NUME_DE_FIȘIER ȘI C:\TEMP
Î
ÎNCEPUT
ANEXĂ -- O'BRIEN
NOȚIUNI "DE BAZĂ"
Ș
ȘAH
ÎNTREBĂRI {RECAPITULARE} $#~^
ȘTIINȚĂ
NOȚIUNI "DE BAZĂ"
SUMAR
ȘIRURI & TABLOURI
Ț
ȚARĂ
ANEXĂ -- O'BRIEN
ÎNTREBĂRI {RECAPITULARE} $#~^
Cuvinte fără capitole
ÎN AȘTEPTARE
NEFOLOSIT
Capitole fără cuvinte: ALTE LUCRURI; CAPITOL GOL)";

// 32,767 words and chapters, 1,000,000 links: each word has 30 or 31 chapters, every pair once.
struct Program {
    int code = -1;
    QByteArray out;
};

Program runProgram(const QString& program, const QStringList& args, const QString& cwd, int timeoutMs = 120000)
{
    QProcess p;
    p.setWorkingDirectory(cwd);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAll()};
}

}  // namespace

class IndexTest : public QObject {
    Q_OBJECT

private slots:
    void formats_data();
    void formats();
    void outputFiles_data();
    void outputFiles();
    void htmlParses_data();
    void htmlParses();
    void latexCompiles_data();
    void latexCompiles();
    void largeStore_data();
    void largeStore();

private:
    std::unique_ptr<TempStore> large_;  // filled once for the three formats
};

void IndexTest::formats_data()
{
    QTest::addColumn<bool>("filled");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray text = QByteArray(kText) + kTextUnlinked;
    QTest::newRow("text") << true << QStringList{} << text;
    QTest::newRow("text, named") << true << QStringList{"--format", "text"} << text;
    QTest::newRow("text, linked only") << true << QStringList{"--linked-only"} << QByteArray(kText);
    QTest::newRow("html") << true << QStringList{"--format=html"} << QByteArray(kHtml);
    QTest::newRow("tex") << true << QStringList{"--format", "tex"} << QByteArray(kTex);
    QTest::newRow("text, empty store") << false << QStringList{}
                                       << QByteArray("Index\n\n(Niciun cuvânt nu are capitole.)\n");
    QTest::newRow("html, empty store") << false << QStringList{"--format", "html"}
                                       << QByteArray(kHtml).left(QByteArray(kHtml).indexOf("<div class=\"index\">"))
                                              + "<p>Niciun cuvânt nu are capitole.</p>\n</body>\n</html>\n";
    QTest::newRow("tex, empty store") << false << QStringList{"--format", "tex"}
                                      << QByteArray(kTex).left(QByteArray(kTex).indexOf("  {\\bfseries"))
                                             + "  \\textit{Niciun cuvânt nu are capitole.}\n\\end{theindex}\n";
}

void IndexTest::formats()
{
    QFETCH(bool, filled);
    QFETCH(QStringList, options);
    QFETCH(QByteArray, expected);
    TempStore s;
    if (filled)
        fill(s);
    const QByteArray before = bytesOf(s.file());

    const Run r = tool(s.folder(), QStringList{"index", "Dictionar.mdb"} + options);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.code, 0);
    const QByteArray out = r.out.toUtf8();
    QCOMPARE(withoutStyle(out), expected);
    QCOMPARE(bytesOf(s.file()), before);
    if (out.contains("<style>")) {
        const QByteArray style = out.mid(out.indexOf("<style>"), out.indexOf("</style>") - out.indexOf("<style>"));
        QVERIFY(style.contains("@media print"));
        QVERIFY(style.contains("column-count: 2"));
        QVERIFY(style.contains("break-inside: avoid"));
        QVERIFY(style.contains("page-break-inside: avoid"));
        QVERIFY2(!out.contains("src=") && !out.contains("href=") && !out.contains("url("),
                 "the page needs no other file");
    }
}

void IndexTest::outputFiles_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("existing");  // what OUT holds before, "" for no such file
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");     // in stdout for 0, in stderr otherwise
    QTest::addColumn<QStringList>("sameAs");  // OUT then holds what these options write to stdout; empty: OUT untouched

    const QStringList html{"index", "Dictionar.mdb", "--format", "html"};
    QTest::newRow("new file")
        << html + QStringList{"--output", "index.html"} << QByteArray() << 0
        << "Am scris indexul în „index.html”: 11 cuvinte cu capitole (18 legături); 2 cuvinte fără "
           "capitole, 2 capitole fără cuvinte."
        << QStringList{"--format", "html"};
    QTest::newRow("linked only") << QStringList{"index", "--linked-only", "Dictionar.mdb", "--output=index.html"}
                                 << QByteArray() << 0
                                 << "Am scris indexul în „index.html”: 11 cuvinte cu capitole (18 legături)."
                                 << QStringList{"--linked-only"};
    QTest::newRow("there, without --force") << html + QStringList{"--output", "index.html"} << QByteArray("mine") << 3
                                            << "„index.html” există deja; nu îl înlocuiesc" << QStringList{};
    QTest::newRow("there, with --force") << html + QStringList{"--output", "index.html", "--force"}
                                         << QByteArray("mine") << 0 << "Am scris indexul în „index.html”"
                                         << QStringList{"--format", "html"};
    QTest::newRow("the store itself") << QStringList{"index", "Dictionar.mdb", "--output", "./Dictionar.mdb", "-f"}
                                      << QByteArray() << 2 << "nu se poate scrie peste baza de date" << QStringList{};
    QTest::newRow("a folder") << QStringList{"index", "Dictionar.mdb", "--output", "."} << QByteArray() << 3
                              << "este un dosar" << QStringList{};
    QTest::newRow("folder missing") << QStringList{"index", "Dictionar.mdb", "--output", "nu/index.html"}
                                    << QByteArray() << 3 << "nu există" << QStringList{};
    QTest::newRow("store missing") << QStringList{"index", "Altul.mdb", "--output", "index.html"} << QByteArray() << 3
                                   << "eroarea 3024" << QStringList{};
    QTest::newRow("not a store") << QStringList{"index", "index.html"} << QByteArray("<html>") << 3 << "eroarea 3343"
                                 << QStringList{};
    QTest::newRow("unknown format") << QStringList{"index", "Dictionar.mdb", "--format", "pdf"} << QByteArray() << 2
                                    << "--format primește text, html sau tex, nu „pdf”" << QStringList{};
    QTest::newRow("no value") << QStringList{"index", "Dictionar.mdb", "--output"} << QByteArray() << 2
                              << "--output are nevoie de o valoare" << QStringList{};
    QTest::newRow("empty name") << QStringList{"index", "Dictionar.mdb", "--output="} << QByteArray() << 2 << "este gol"
                                << QStringList{};
    QTest::newRow("for another command") << QStringList{"check", "Dictionar.mdb", "--linked-only"} << QByteArray() << 2
                                         << "este doar pentru index" << QStringList{};
    QTest::newRow("two stores") << QStringList{"index", "Dictionar.mdb", "Altul.mdb"} << QByteArray() << 2
                                << "primește un FIȘIER" << QStringList{};
}

void IndexTest::outputFiles()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, existing);
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(QStringList, sameAs);
    TempStore s;
    fill(s);
    const QString out = QDir(s.folder()).filePath("index.html");
    if (!existing.isEmpty())
        writeFile(out, existing);
    const QByteArray store = bytesOf(s.file());

    const Run r = tool(s.folder(), args);
    QCOMPARE(r.code, code);
    QVERIFY2((code == 0 ? r.out : r.err).contains(message), qPrintable(r.out + r.err));
    if (!sameAs.isEmpty()) {
        const Run toStdout = tool(s.folder(), QStringList{"index", "Dictionar.mdb"} + sameAs);
        QCOMPARE(toStdout.code, 0);
        QCOMPARE(bytesOf(out), toStdout.out.toUtf8());
    } else {
        QCOMPARE(bytesOf(out), existing.isEmpty() ? QByteArray("<missing>") : existing);
    }
    QCOMPARE(bytesOf(s.file()), store);
    const QStringList left = QDir(s.folder()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left, QFile::exists(out) ? QStringList({"Dictionar.mdb", "index.html"}) : QStringList{"Dictionar.mdb"});
}

void IndexTest::htmlParses_data()
{
    QTest::addColumn<bool>("filled");
    QTest::addColumn<QString>("texts");
    QTest::newRow("words, chapters and notes") << true << QString::fromUtf8(kHtmlTexts);
    QTest::newRow("empty store") << false << QStringLiteral("Index\nNiciun cuvânt nu are capitole.");
}

void IndexTest::htmlParses()
{
    QFETCH(bool, filled);
    QFETCH(QString, texts);
    const QString xmllint = QStandardPaths::findExecutable("xmllint");
    if (xmllint.isEmpty())
        QSKIP(
            "xmllint is not installed (Debian package libxml2-utils, which build.sh installs): the HTML page is not parsed");
    TempStore s;
    if (filled)
        fill(s);
    QCOMPARE(tool(s.folder(), {"index", "Dictionar.mdb", "--format", "html", "--output", "index.html"}).code, 0);

    // libxml2's HTML parser reports unescaped signs, unknown entities, unclosed or misplaced tags.
    const Program parsed = runProgram(xmllint, {"--html", "--noout", "--nonet", "index.html"}, s.folder());
    QCOMPARE(QString::fromUtf8(parsed.out), QString());
    QCOMPARE(parsed.code, 0);
    const Program lang =
        runProgram(xmllint, {"--html", "--nonet", "--xpath", "string(/html/@lang)", "index.html"}, s.folder());
    QCOMPARE(QString::fromUtf8(lang.out).trimmed(), QStringLiteral("ro"));
    // The page's text as the parser decoded it, a line per heading, word, chapter, item and note.
    const Program text =
        runProgram(xmllint, {"--html", "--nonet", "--xpath", "string(/html/body)", "index.html"}, s.folder());
    QCOMPARE(text.code, 0);
    QStringList lines;
    for (const QString& l : QString::fromUtf8(text.out).split(QLatin1Char('\n')))
        if (!l.trimmed().isEmpty())
            lines << l.trimmed();
    QCOMPARE(lines.join(QLatin1Char('\n')), texts);
}

void IndexTest::latexCompiles_data()
{
    QTest::addColumn<bool>("filled");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("whole index") << true << QStringList{};
    QTest::newRow("linked only") << true << QStringList{"--linked-only"};
    QTest::newRow("empty store") << false << QStringList{};
}

void IndexTest::latexCompiles()
{
    QFETCH(bool, filled);
    QFETCH(QStringList, options);
    const QString pdflatex = QStandardPaths::findExecutable("pdflatex");
    if (pdflatex.isEmpty())
        QSKIP(
            "pdflatex is not installed (Debian packages texlive-latex-base and texlive-lang-european): the LaTeX index "
            "is not compiled");
    TempStore s;
    if (filled)
        fill(s);
    QCOMPARE(
        tool(s.folder(), QStringList{"index", "Dictionar.mdb", "--format", "tex", "--output", "index.tex"} + options)
            .code,
        0);
    writeFile(QDir(s.folder()).filePath("carte.tex"),
              "\\documentclass[a4paper]{article}\n\\usepackage[T1]{fontenc}\n\\usepackage[romanian]{babel}\n"
              "\\tracinglostchars=2\n\\begin{document}\n\\input{index.tex}\n\\end{document}\n");
    const Program p = runProgram(
        pdflatex, {"-interaction=nonstopmode", "-halt-on-error", "-no-shell-escape", "carte.tex"}, s.folder(), 240000);
    QVERIFY2(p.code == 0, p.out.right(3000).constData());
    const QByteArray log = bytesOf(QDir(s.folder()).filePath("carte.log"));
    QVERIFY2(!log.contains("Missing character"), log.right(3000).constData());
    QVERIFY2(!log.contains("LaTeX Warning"), log.right(3000).constData());
    QVERIFY(QFileInfo(QDir(s.folder()).filePath("carte.pdf")).size() > 0);
}

void IndexTest::largeStore_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("chapterLine");  // how each of the million chapter lines begins
    QTest::newRow("text") << "text" << QByteArray("\n    CAPITOLUL ");
    QTest::newRow("html") << "html" << QByteArray("\n<dd>CAPITOLUL ");
    QTest::newRow("tex") << "tex" << QByteArray("\n    \\subitem CAPITOLUL ");
}

void IndexTest::largeStore()
{
    QFETCH(QString, format);
    QFETCH(QByteArray, chapterLine);
    constexpr int kLinks = 1000000;
    if (!large_) {
        large_ = std::make_unique<TempStore>();
        large_->fillLarge();
    }
    TempStore& s = *large_;
    QCOMPARE(s.count("tblLegatura"), kLinks);

    // Its speed is measured in bench_index.
    const Run r = tool(s.folder(), {"index", "Dictionar.mdb", "--format", format, "--output", "index", "--force"});
    QCOMPARE(r.code, 0);
    const QByteArray doc = bytesOf(QDir(s.folder()).filePath("index"));
    QCOMPARE(doc.count(chapterLine), kLinks);
    QVERIFY(
        r.out.contains(QStringLiteral("32767 de cuvinte cu capitole (1000000 de legături); 0 cuvinte fără capitole, 0 "
                                      "capitole fără cuvinte.")));
    // The first word's chapters, in Romanian order (here the digits' order).
    QByteArrayList lines;
    const QByteArray prefix = chapterLine.mid(1);
    for (const QByteArray& l : doc.mid(doc.indexOf(chapterLine) + 1).split('\n')) {
        if (!l.startsWith(prefix))
            break;
        lines << l;
    }
    QCOMPARE(lines.size(), 30);
    QByteArrayList sorted = lines;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(lines, sorted);
}

QTEST_GUILESS_MAIN(IndexTest)
#include "tst_tool_index.moc"
