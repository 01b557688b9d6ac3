#include "tools/jet/StoreWriter.h"

#include "store/Schema.h"
#include "store/TextWriter.h"

namespace tarvix::tool {

StoreWriter::StoreWriter(const QString& path) : db_(DBEngine().CreateDatabase(path))
{
    store::CreateSchema(*db_);
    // A file no one else sees until it is complete: a crash leaves only a temporary file to remove.
    db_->ExecuteScript(
        QStringLiteral("PRAGMA foreign_keys = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -262144;"));
    transaction_ = std::make_unique<Transaction>(*db_);
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
    params_[0] = Variant(word);
    params_[1] = Variant(chapter);
    db_->QueryRows(linkSql_, params_);
}

void StoreWriter::finish()
{
    for (const auto& index : indexes_)
        db_->ExecuteScript(index[1].ToText());
    transaction_->Commit();
    transaction_.reset();
    db_->Close();
}

}  // namespace tarvix::tool
