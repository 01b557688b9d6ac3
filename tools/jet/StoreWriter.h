// A new store written in one go: the schema, then the rows in one transaction,
// the links' secondary indexes built once at the end.
#pragma once

#include "tools/jet/JetSide.h"

#include "platform/Engine.h"
#include "store/Schema.h"

#include <QString>

#include <memory>
#include <vector>

namespace tarvix::tool {

class StoreWriter {
public:
    explicit StoreWriter(const QString& path);
    // Words or chapters.
    void rows(const store::TextTable& table, const std::vector<StoredRow>& rows);
    // Links in word, chapter order, so the index in that order grows at its end.
    void link(qint32 word, qint32 chapter);
    // Builds the indexes, commits and closes.
    void finish();

private:
    std::unique_ptr<Database> db_;
    std::unique_ptr<Transaction> transaction_;
    std::vector<std::vector<Variant>> indexes_;
    const QString linkSql_ = QStringLiteral("INSERT INTO tblLegatura (ID_Cuvant, ID_Capitol) VALUES (?1, ?2)");
    void flush();
    static constexpr std::size_t kBatch = 250;
    QString batchSql_;
    std::vector<Variant> pending_;
};

}  // namespace tarvix::tool
