#include "tools/formats/Csv.h"

#include "platform/text/TextFunctions.h"

namespace tarvix::tool {

QByteArray CsvLine(const QStringList& fields)
{
    QByteArray out;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        const QString& f = fields[i];
        const bool quote = f.contains(QLatin1Char(',')) || f.contains(QLatin1Char('"')) || f.contains(QLatin1Char('\n'))
                           || f.contains(QLatin1Char('\r'));
        if (quote) {
            QString doubled = f;
            doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
            out += '"' + doubled.toUtf8() + '"';
        } else {
            out += f.toUtf8();
        }
    }
    out += "\r\n";
    return out;
}

namespace {

class Parser {
public:
    Parser(const QString& text, CsvTable& out) : s_(text), out_(out) {}

    void run()
    {
        while (i_ < s_.size()) {
            if (!record())
                return;
        }
    }

private:
    QChar at(qsizetype k) const { return k < s_.size() ? s_[k] : QChar(); }
    bool atEnd() const { return i_ >= s_.size(); }
    bool atLineBreak() const { return !atEnd() && (s_[i_] == QLatin1Char('\n') || s_[i_] == QLatin1Char('\r')); }

    // Consumes one line break (CR LF counts as one) and counts the line.
    void lineBreak()
    {
        if (s_[i_] == QLatin1Char('\r') && at(i_ + 1) == QLatin1Char('\n'))
            ++i_;
        ++i_;
        ++line_;
    }

    void skipRestOfLine()
    {
        while (!atEnd() && !atLineBreak())
            ++i_;
        if (!atEnd())
            lineBreak();
    }

    void issue(int line, const QString& text) { out_.issues.push_back({line, text}); }

    // False when nothing after this record can be read.
    bool record()
    {
        CsvRow row;
        row.line = line_;
        row.blank = atLineBreak();
        for (;;) {
            QString field;
            if (!atEnd() && s_[i_] == QLatin1Char('"')) {
                const int opened = line_;
                ++i_;
                for (;;) {
                    if (atEnd()) {
                        issue(opened, QStringLiteral("ghilimelele deschise aici nu se mai închid până la sfârșitul "
                                                     "fișierului"));
                        return false;
                    }
                    const QChar c = s_[i_];
                    if (c == QLatin1Char('"')) {
                        if (at(i_ + 1) == QLatin1Char('"')) {
                            field += c;
                            i_ += 2;
                            continue;
                        }
                        ++i_;
                        break;
                    }
                    if (c == QLatin1Char('\n') || (c == QLatin1Char('\r') && at(i_ + 1) != QLatin1Char('\n')))
                        ++line_;
                    field += c;
                    ++i_;
                }
                if (!atEnd() && s_[i_] != QLatin1Char(',') && !atLineBreak()) {
                    issue(line_, QStringLiteral("după ghilimelele care închid un câmp urmează „%1”; se aștepta o "
                                                "virgulă sau sfârșitul rândului")
                                     .arg(s_[i_]));
                    skipRestOfLine();
                    return true;
                }
            } else {
                while (!atEnd() && s_[i_] != QLatin1Char(',') && !atLineBreak()) {
                    if (s_[i_] == QLatin1Char('"')) {
                        issue(line_, QStringLiteral("ghilimele în mijlocul unui câmp; un câmp care conține ghilimele "
                                                    "se scrie între ghilimele, cu ghilimelele dublate"));
                        skipRestOfLine();
                        return true;
                    }
                    field += s_[i_];
                    ++i_;
                }
            }
            row.fields << field;
            if (!atEnd() && s_[i_] == QLatin1Char(',')) {
                ++i_;
                continue;
            }
            if (!atEnd())
                lineBreak();
            out_.rows.push_back(std::move(row));
            return true;
        }
    }

    const QString& s_;
    CsvTable& out_;
    qsizetype i_ = 0;
    int line_ = 1;
};

}  // namespace

CsvTable ReadCsv(const QByteArray& raw)
{
    CsvTable table;
    QByteArray bytes = raw;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const qsizetype bad = FirstBadUtf8(bytes);
    int badLine = 0;
    unsigned badByte = 0;
    if (bad >= 0) {
        badByte = static_cast<unsigned char>(bytes[bad]);
        // Read what comes before the line holding the bad bytes, so earlier rows are checked too.
        qsizetype lineStart = 0;
        badLine = 1;
        for (qsizetype k = 0; k < bad; ++k) {
            const char c = bytes[k];
            if (c == '\n' || (c == '\r' && (k + 1 >= bytes.size() || bytes[k + 1] != '\n'))) {
                ++badLine;
                lineStart = k + 1;
            }
        }
        bytes.truncate(lineStart);
    }
    const QString text = QString::fromUtf8(bytes);
    Parser(text, table).run();
    if (bad >= 0)
        table.issues.push_back(
            {badLine, QStringLiteral("textul nu este scris în UTF-8 (octetul 0x%1 nu se potrivește); "
                                     "fișierul nu a mai fost citit de aici înainte")
                          .arg(badByte, 2, 16, QLatin1Char('0'))});
    return table;
}

}  // namespace tarvix::tool
