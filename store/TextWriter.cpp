#include "store/TextWriter.h"

#include "platform/text/TextFunctions.h"

namespace tarvix::store {

TextWriter::TextWriter(Database& db, const TextTable& table) : db_(db), table_(table)
{
    const QString t = QLatin1String(table.table), key = QLatin1String(table.key), text = QLatin1String(table.text);
    const QString fold = FoldField(table);
    insert_ = QStringLiteral("INSERT INTO %1 (%2, %3, %4) VALUES (?1, ?2, ?3)").arg(t, key, text, fold);
    update_ = QStringLiteral("UPDATE %1 SET %3 = ?2, %4 = ?3 WHERE %2 = ?1").arg(t, key, text, fold);
    // A fold begins with a character no fold of a stored text holds (controls are refused).
    aside_ = QStringLiteral("UPDATE %1 SET %3 = ?2 WHERE %2 = ?1").arg(t, key, fold);
}

void TextWriter::Insert(qint32 key, const QString& text)
{
    db_.ExecuteSql(insert_, {Variant(key), Variant(text), Variant(FoldKey(text))});
}

void TextWriter::Update(const Variant& key, const QString& text)
{
    requireChanged(db_.ExecuteSql(update_, {key, Variant(text), Variant(FoldKey(text))}), key);
}

void TextWriter::SetAside(const Variant& key)
{
    requireChanged(db_.ExecuteSql(aside_, {key, Variant(QChar(1) + QStringLiteral("aside ") + key.ToText())}), key);
}

// A row another computer deleted since it was read is never reported as written.
void TextWriter::requireChanged(std::int64_t rows, const Variant& key) const
{
    if (rows != 0)
        return;
    QString text = QStringLiteral("%1 cu %2 %3 a fost șters între timp de altă copie a programului.")
                       .arg(QString::fromUtf8(table_.what), QLatin1String(table_.key), key.ToText());
    text[0] = text[0].toUpper();
    throw EngineError(err::RowDeleted, text);
}

}  // namespace tarvix::store
