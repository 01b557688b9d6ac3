#include "tools/jet/StoreWriter.h"

#include "store/Schema.h"
#include "store/TextWriter.h"

namespace tarvix::tool {

StoreWriter::StoreWriter(const QString& path) : db_(DBEngine().CreateDatabase(path))
{
    store::CreateSchema(*db_);
    // A file no one else sees until it is complete: a crash leaves only a temporary file to remove.
    db_->ExecuteScript(QStringLiteral(
        "PRAGMA foreign_keys = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -65536; PRAGMA threads = 2;"));
    transaction_ = std::make_unique<Transaction>(*db_);
    QStringList values;
    for (std::size_t i = 0; i < kBatch; ++i)
        values << QStringLiteral("(?%1, ?%2)").arg(2 * i + 1).arg(2 * i + 2);
    batchSql_ =
        QStringLiteral("INSERT INTO tblLegatura (ID_Cuvant, ID_Capitol) VALUES ") + values.join(QLatin1Char(','));
    pending_.reserve(2 * kBatch);
    // Links go in sorted by word and chapter, so an index in that order grows at its end; any other
    // index is built once over all the links, far quicker than kept up row by row.
    indexes_ = db_->QueryRows(QStringLiteral("SELECT name, sql FROM sqlite_master AS m WHERE type = 'index' "
                                             "AND tbl_name = 'tblLegatura' AND sql IS NOT NULL AND "
                                             "(SELECT lower(name) FROM pragma_index_info(m.name) WHERE seqno = 0) "
                                             "<> 'id_cuvant'"));
    for (const auto& index : indexes_)
        db_->ExecuteScript(QStringLiteral("DROP INDEX \"%1\"").arg(index[0].ToText()));
}

void StoreWriter::rows(const store::TextTable& table, const std::vector<StoredRow>& rows)
{
    store::TextWriter writer(*db_, table);
    for (const StoredRow& r : rows)
        writer.Insert(r.key, r.text);
}

void StoreWriter::link(qint32 word, qint32 chapter)
{
    pending_.push_back(Variant(word));
    pending_.push_back(Variant(chapter));
    if (pending_.size() == 2 * kBatch)
        flush();
}

void StoreWriter::flush()
{
    if (pending_.empty())
        return;
    const std::size_t n = pending_.size() / 2;
    if (n == kBatch) {
        db_->QueryRows(batchSql_, pending_);
    } else {
        for (std::size_t i = 0; i < n; ++i)
            db_->QueryRows(linkSql_, {pending_[2 * i], pending_[2 * i + 1]});
    }
    pending_.clear();
}

void StoreWriter::finish()
{
    flush();
    for (const auto& index : indexes_)
        db_->ExecuteScript(index[1].ToText());
    transaction_->Commit();
    transaction_.reset();
    db_->Close();
}

}  // namespace tarvix::tool
