#include "store/TextWriter.h"

#include "platform/text/TextFunctions.h"

namespace tarvix::store {

TextWriter::TextWriter(Database& db, const TextTable& table) : db_(db)
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
    db_.ExecuteSql(update_, {key, Variant(text), Variant(FoldKey(text))});
}

void TextWriter::SetAside(const Variant& key)
{
    db_.ExecuteSql(aside_, {key, Variant(QChar(1) + QStringLiteral("aside ") + key.ToText())});
}

}  // namespace tarvix::store
