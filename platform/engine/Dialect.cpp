#include "platform/engine/Dialect.h"

#include "platform/engine/ErrorNumbers.h"
#include "platform/text/TextFunctions.h"

#include <QStringList>

namespace tarvix::detail {

int TableInfo::find(const QString& column) const
{
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name.compare(column, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

const TableInfo* Schema::find(const QString& table) const
{
    for (const TableInfo& t : tables)
        if (t.name.compare(table, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

namespace {

struct Token {
    enum class Type { Word, Text, Punct, End };
    Type type = Type::End;
    QString text;  // the word, the unquoted text, or the punctuation character
};

[[noreturn]] void notUnderstood(const QString& why)
{
    throw EngineError(err::StatementNotUnderstood, QStringLiteral("Instrucțiunea SQL nu este înțeleasă: %1.").arg(why));
}

std::vector<Token> tokenize(const QString& s)
{
    std::vector<Token> out;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'"' || c == u'\'') {
            // A doubled quote inside a text stands for one quote.
            QString value;
            ++i;
            for (;;) {
                if (i >= n)
                    notUnderstood(QStringLiteral("un text între ghilimele nu este închis"));
                if (s[i] == c) {
                    if (i + 1 < n && s[i + 1] == c) {
                        value += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += s[i++];
            }
            out.push_back({Token::Type::Text, value});
        } else if (c.isLetter() || c == u'_') {
            const qsizetype start = i;
            while (i < n && (s[i].isLetterOrNumber() || s[i] == u'_'))
                ++i;
            out.push_back({Token::Type::Word, s.mid(start, i - start)});
        } else if (c == u'.' || c == u',' || c == u'(' || c == u')' || c == u'=' || c == u'*' || c == u';') {
            out.push_back({Token::Type::Punct, QString(c)});
            ++i;
        } else {
            notUnderstood(QStringLiteral("caracterul „%1” nu este așteptat").arg(c));
        }
    }
    out.push_back({Token::Type::End, {}});
    return out;
}

struct ColumnRef {
    const TableInfo* table = nullptr;
    int column = -1;  // -1 for table.*
};

class Parser {
public:
    Parser(const QString& text, const Schema& schema) : tokens_(tokenize(text)), schema_(schema) {}

    Translated parse()
    {
        Translated out;
        if (keyword("SELECT"))
            parseSelect(out);
        else if (keyword("DELETE"))
            parseDelete(out);
        else
            notUnderstood(QStringLiteral("se acceptă doar SELECT și DELETE"));
        if (peekPunct(';'))
            ++at_;
        if (tokens_[at_].type != Token::Type::End)
            notUnderstood(QStringLiteral("text în plus după condiție"));
        return out;
    }

private:
    bool keyword(const char* word)
    {
        const Token& t = tokens_[at_];
        if (t.type == Token::Type::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0) {
            ++at_;
            return true;
        }
        return false;
    }
    void expectKeyword(const char* word)
    {
        if (!keyword(word))
            notUnderstood(QStringLiteral("lipsește %1").arg(QLatin1String(word)));
    }
    bool peekPunct(char p) const
    {
        const Token& t = tokens_[at_];
        return t.type == Token::Type::Punct && t.text == QLatin1Char(p);
    }
    void expectPunct(char p)
    {
        if (!peekPunct(p))
            notUnderstood(QStringLiteral("lipsește „%1”").arg(QLatin1Char(p)));
        ++at_;
    }
    QString word()
    {
        const Token& t = tokens_[at_];
        if (t.type != Token::Type::Word)
            notUnderstood(QStringLiteral("lipsește un nume"));
        ++at_;
        return t.text;
    }
    const TableInfo& table(const QString& name)
    {
        const TableInfo* t = schema_.find(name);
        if (!t)
            throw EngineError(err::UnknownTable, QStringLiteral("Tabela „%1” nu există în baza de date.").arg(name));
        return *t;
    }

    // table.field, or table.* when star is allowed; tables are checked against FROM later.
    struct RawRef {
        QString table, column;  // column empty for *
    };
    RawRef rawRef(bool starAllowed)
    {
        RawRef r;
        r.table = word();
        expectPunct('.');
        if (starAllowed && peekPunct('*')) {
            ++at_;
            return r;
        }
        r.column = word();
        return r;
    }
    ColumnRef resolve(const RawRef& r)
    {
        bool inFrom = false;
        for (const TableInfo* t : from_)
            inFrom = inFrom || t->name.compare(r.table, Qt::CaseInsensitive) == 0;
        const TableInfo& t = table(r.table);
        if (!inFrom)
            notUnderstood(QStringLiteral("tabela „%1” nu apare după FROM").arg(r.table));
        ColumnRef c{&t, -1};
        if (!r.column.isEmpty()) {
            c.column = t.find(r.column);
            if (c.column < 0)
                throw EngineError(err::UnknownField,
                                  QStringLiteral("Câmpul „%1” nu există în tabela „%2”.").arg(r.column, t.name));
        }
        return c;
    }

    // source := primary { INNER JOIN primary ON ref = ref }; primary := table | ( source )
    void parseSource()
    {
        parsePrimary();
        while (keyword("INNER")) {
            expectKeyword("JOIN");
            parsePrimary();
            expectKeyword("ON");
            RawRef a = rawRef(false);
            expectPunct('=');
            RawRef b = rawRef(false);
            joins_.push_back({a, b});
        }
    }
    void parsePrimary()
    {
        if (++depth_ > 16)
            notUnderstood(QStringLiteral("prea multe paranteze"));
        if (peekPunct('(')) {
            ++at_;
            parseSource();
            expectPunct(')');
        } else {
            const TableInfo& t = table(word());
            for (const TableInfo* seen : from_)
                if (seen == &t)
                    notUnderstood(QStringLiteral("tabela „%1” apare de două ori").arg(t.name));
            from_.push_back(&t);
        }
        --depth_;
    }

    // cond := ref = "text" { AND ref = "text" }
    void parseWhere()
    {
        expectKeyword("WHERE");
        do {
            RawRef r = rawRef(false);
            expectPunct('=');
            const Token& t = tokens_[at_];
            if (t.type != Token::Type::Text)
                notUnderstood(QStringLiteral("după „=” se așteaptă un text între ghilimele"));
            ++at_;
            conditions_.push_back({r, t.text});
        } while (keyword("AND"));
    }

    static QString columnSql(const ColumnRef& c, bool folded)
    {
        const ColumnInfo& col = c.table->columns[static_cast<std::size_t>(c.column)];
        return QuoteName(c.table->name) + QLatin1Char('.')
               + QuoteName(folded && !col.foldColumn.isEmpty() ? col.foldColumn : col.name);
    }

    // The tables and the join and WHERE conditions as one flat inner join.
    QString fromAndWhere(Translated& out)
    {
        QStringList tables, conds;
        for (const TableInfo* t : from_)
            tables << QuoteName(t->name);
        for (const auto& [a, b] : joins_)
            conds << columnSql(resolve(a), false) + QStringLiteral(" = ") + columnSql(resolve(b), false);
        for (const auto& [r, value] : conditions_) {
            ColumnRef c = resolve(r);
            const bool folded = !c.table->columns[static_cast<std::size_t>(c.column)].foldColumn.isEmpty();
            out.params.push_back(folded ? FoldKey(value) : value);
            conds << columnSql(c, true) + QStringLiteral(" = ?") + QString::number(out.params.size());
        }
        return QStringLiteral(" FROM ") + tables.join(QStringLiteral(", ")) + QStringLiteral(" WHERE ")
               + conds.join(QStringLiteral(" AND "));
    }

public:
    std::vector<bool> foldedParams() const
    {
        std::vector<bool> out;
        for (const auto& [r, value] : conditions_) {
            const TableInfo* t = schema_.find(r.table);
            const int c = t ? t->find(r.column) : -1;
            out.push_back(c >= 0 && !t->columns[static_cast<std::size_t>(c)].foldColumn.isEmpty());
        }
        return out;
    }

private:
    void parseSelect(Translated& out)
    {
        std::vector<RawRef> list;
        do
            list.push_back(rawRef(false));
        while (peekPunct(',') && ++at_);
        expectKeyword("FROM");
        parseSource();
        parseWhere();
        QStringList cols;
        for (const RawRef& r : list) {
            ColumnRef c = resolve(r);
            const QString& name = c.table->columns[static_cast<std::size_t>(c.column)].name;
            cols << columnSql(c, false) + QStringLiteral(" AS ") + QuoteName(name);
            out.columns.push_back(name);
        }
        out.kind = Translated::Kind::Select;
        out.sql = QStringLiteral("SELECT ") + cols.join(QStringLiteral(", ")) + fromAndWhere(out);
    }

    void parseDelete(Translated& out)
    {
        std::vector<RawRef> list;
        do
            list.push_back(rawRef(true));
        while (peekPunct(',') && ++at_);
        expectKeyword("FROM");
        parseSource();
        parseWhere();
        // The table named with .* loses rows; without one, every field must name the same table.
        const TableInfo* target = nullptr;
        bool star = false;
        for (const RawRef& r : list) {
            ColumnRef c = resolve(r);
            if (c.column < 0) {
                if (star && target != c.table)
                    notUnderstood(QStringLiteral("DELETE poate șterge dintr-o singură tabelă"));
                target = c.table;
                star = true;
            } else if (!star) {
                if (target && target != c.table)
                    notUnderstood(QStringLiteral("DELETE trebuie să numească tabela din care șterge cu „.*”"));
                target = c.table;
            }
        }
        out.kind = Translated::Kind::Delete;
        const QString where = fromAndWhere(out);
        if (from_.size() == 1)
            out.sql = QStringLiteral("DELETE") + where;
        else
            out.sql = QStringLiteral("DELETE FROM ") + QuoteName(target->name) + QStringLiteral(" WHERE ")
                      + target->rowid + QStringLiteral(" IN (SELECT ") + QuoteName(target->name) + QLatin1Char('.')
                      + target->rowid + where + QLatin1Char(')');
    }

    std::vector<Token> tokens_;
    const Schema& schema_;
    std::size_t at_ = 0;
    int depth_ = 0;
    std::vector<const TableInfo*> from_;
    std::vector<std::pair<RawRef, RawRef>> joins_;
    std::vector<std::pair<RawRef, QString>> conditions_;
};

}  // namespace

QString QuoteName(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

Translated Translate(const QString& text, const Schema& schema, std::vector<bool>* folded)
{
    Parser parser(text, schema);
    Translated out = parser.parse();
    if (folded)
        *folded = parser.foldedParams();
    return out;
}

}  // namespace tarvix::detail
