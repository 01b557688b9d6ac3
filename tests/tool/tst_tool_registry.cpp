// The help text, the bash completion and the manual pages (English and
// Romanian) against the command registry: each command with exactly its own
// options and arguments, nothing the registry does not know, so none of them
// can drift from what the program takes.
#include "tools/cli/Help.h"
#include "tools/cli/Registry.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace tarvix::tool;

namespace {

QString source(const QString& path)
{
    QFile f(QStringLiteral(TARVIX_SOURCE_DIR "/") + path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(f.fileName()));
    return QString::fromUtf8(f.readAll());
}

QString sorted(QStringList words)
{
    std::sort(words.begin(), words.end());
    return words.join(QLatin1Char(' '));
}

QStringList optionNames(const Command& c)
{
    QStringList names;
    for (const Option& o : c.options)
        names << o.longName();
    return names;
}

// What the completion offers for each line, typed up to its end, as bash would ask it in cwd.
QStringList offered(const QStringList& lines, const QString& cwd)
{
    // Split as readline does, "=" being a word of its own.
    const char* script = "source \"$1\"; shift\n"
                         "for line in \"$@\"; do\n"
                         "    read -r -a COMP_WORDS <<<\"${line//=/ = }\"\n"
                         "    [[ $line == *\" \" ]] && COMP_WORDS+=(\"\")\n"
                         "    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
                         "    COMPREPLY=()\n"
                         "    _tarvix_db tarvix-db \"${COMP_WORDS[COMP_CWORD]}\" \"${COMP_WORDS[COMP_CWORD - 1]:-}\"\n"
                         "    printf '%s\\n' \"${COMPREPLY[@]}\" | LC_ALL=C sort | paste -sd ' ' -\n"
                         "done\n";
    QProcess bash;
    bash.setWorkingDirectory(cwd);
    bash.start(QStringLiteral("bash"),
               QStringList{QStringLiteral("-c"), QString::fromUtf8(script), QStringLiteral("bash"),
                           QStringLiteral(TARVIX_SOURCE_DIR "/completion/tarvix-db")}
                   + lines);
    if (!bash.waitForFinished(20000) || bash.exitCode() != 0)
        qFatal("bash: %s", bash.readAllStandardError().constData());
    return QString::fromUtf8(bash.readAllStandardOutput()).split(QLatin1Char('\n')).mid(0, lines.size());
}

}  // namespace

class RegistryTest : public QObject {
    Q_OBJECT

private slots:
    void helpShowsEveryCommandAndOption();
    void completionOffersWhatEachCommandTakes();
    void manPageDescribesEachCommand_data();
    void manPageDescribesEachCommand();
};

void RegistryTest::helpShowsEveryCommandAndOption()
{
    const QString help = HelpText();
    QSet<QString> names;
    for (const Command& c : Registry()) {
        QVERIFY2(!names.contains(c.name), qPrintable(c.name));
        names.insert(c.name);
        QVERIFY2(help.contains(QStringLiteral("\n  ") + c.usage()), qPrintable(c.name));
        for (const Option& o : c.options)
            QVERIFY2(help.contains(
                         QRegularExpression(QStringLiteral("\\n    (-\\w, )?%1%2( |\\n)")
                                                .arg(QRegularExpression::escape(o.longName()),
                                                     o.takesValue() ? QLatin1Char(' ') + o.valueName : QString()))),
                     qPrintable(c.name + QLatin1Char(' ') + o.longName()));
    }
}

void RegistryTest::completionOffersWhatEachCommandTakes()
{
    QTemporaryDir dir;
    QFile(dir.filePath("a.mdb")).open(QIODevice::WriteOnly);
    QDir(dir.path()).mkdir(QStringLiteral("d"));
    QStringList lines{QStringLiteral("tarvix-db ")}, expected;
    QStringList commands;
    for (const Command& c : Registry())
        commands << c.name;
    expected << sorted(commands);
    for (const Command& c : Registry()) {
        lines << QStringLiteral("tarvix-db %1 --").arg(c.name);
        expected << sorted(optionNames(c) << QStringLiteral("--help"));
        for (const Option& o : c.options) {
            if (!o.examples.isEmpty()) {
                lines << QStringLiteral("tarvix-db %1 %2 ").arg(c.name, o.longName());
                expected << sorted(o.examples);
            }
        }
        // After each argument but the last: a folder only where the command takes a folder.
        QString line = QStringLiteral("tarvix-db ") + c.name + QLatin1Char(' ');
        for (int i = 0; i < c.arguments.size(); ++i) {
            lines << line;
            const bool folder = std::find(c.folders.begin(), c.folders.end(), i) != c.folders.end();
            expected << (folder ? QStringLiteral("d") : QStringLiteral("a.mdb d"));
            line += QStringLiteral("a.mdb ");
        }
        if (c.arguments.isEmpty()) {
            lines << line;
            expected << QString();
        }
    }
    const QStringList got = offered(lines, dir.path());
    for (qsizetype i = 0; i < lines.size(); ++i)
        QVERIFY2(got.value(i) == expected[i],
                 qPrintable(QStringLiteral("'%1': got '%2', expected '%3'").arg(lines[i], got.value(i), expected[i])));
}

void RegistryTest::manPageDescribesEachCommand_data()
{
    QTest::addColumn<QString>("page");
    QTest::newRow("English") << QStringLiteral("man/tarvix-db.1.scd");
    QTest::newRow("Romanian") << QStringLiteral("man/ro/tarvix-db.1.scd");
}

void RegistryTest::manPageDescribesEachCommand()
{
    QFETCH(QString, page);
    const QString text = source(page);
    const QStringList lines = text.split(QLatin1Char('\n'));
    QSet<QString> known{QStringLiteral("--help"), QStringLiteral("--version")};
    QStringList synopsisCommands;
    for (const Command& c : Registry()) {
        const QString start = QStringLiteral("*tarvix-db* *%1*").arg(c.name);
        const auto synopsis = std::find_if(lines.begin(), lines.end(), [&](const QString& l) {
            return l.startsWith(start + QLatin1Char(' ')) || l.startsWith(start + QStringLiteral("++"));
        });
        QVERIFY2(synopsis != lines.end(), qPrintable(c.name + QStringLiteral(": no synopsis line")));
        // Its options, then as many arguments as the command takes.
        QStringList options;
        QRegularExpressionMatchIterator m =
            QRegularExpression(QStringLiteral("\\*(--[a-z-]+)\\*")).globalMatch(*synopsis);
        while (m.hasNext())
            options << m.next().captured(1);
        options.removeAll(QStringLiteral("--help"));
        options.removeAll(QStringLiteral("--version"));
        QCOMPARE(sorted(options), sorted(optionNames(c)));
        QString rest = QString(*synopsis).remove(QRegularExpression(QStringLiteral("\\[[^]]*\\]")));
        QCOMPARE(rest.count(QRegularExpression(QStringLiteral("\\b_[^_ ]+_"))), c.arguments.size());
        // Each command and each option described under its own heading line.
        QVERIFY2(
            lines.contains(QStringLiteral("*%1*").arg(c.name))
                || std::any_of(lines.begin(), lines.end(),
                               [&](const QString& l) { return l.startsWith(QStringLiteral("*%1* ").arg(c.name)); }),
            qPrintable(c.name));
        for (const Option& o : c.options) {
            known.insert(o.longName());
            QVERIFY2(std::any_of(lines.begin(), lines.end(),
                                 [&](const QString& l) {
                                     return l.startsWith(QStringLiteral("*%1*").arg(o.longName()))
                                            || l.contains(QStringLiteral("*, *%1*").arg(o.longName()));
                                 }),
                     qPrintable(o.longName()));
        }
    }
    // Nothing the program does not take.
    QRegularExpressionMatchIterator all =
        QRegularExpression(QStringLiteral("\\*(--[a-z][a-z-]*)\\*")).globalMatch(text);
    while (all.hasNext()) {
        const QString o = all.next().captured(1);
        QVERIFY2(known.contains(o), qPrintable(o));
    }
    for (const QString& l : lines)
        if (l.startsWith(QStringLiteral("*tarvix-db* *")) && !l.startsWith(QStringLiteral("*tarvix-db* *-")))
            QVERIFY2(CommandNamed(l.section(QLatin1Char('*'), 3, 3)), qPrintable(l));
}

QTEST_GUILESS_MAIN(RegistryTest)
#include "tst_tool_registry.moc"
