// The one writer of a text table's rows besides the engine's recordsets, for
// the tools that write many rows at once or mend them: the fold column is
// written here and nowhere else, always as the fold of the text.
#pragma once

#include "platform/Engine.h"
#include "store/Schema.h"

#include <QString>

namespace tarvix::store {

class TextWriter {
public:
    TextWriter(Database& db, const TextTable& table);

    // A new row with the key given.
    void Insert(qint32 key, const QString& text);
    // The row's text, and its fold with it; RowDeleted when the row is gone.
    void Update(const Variant& key, const QString& text);
    // Moves the row's fold out of the way of any text's fold, so texts can
    // change places before each is updated; Update puts it back.
    void SetAside(const Variant& key);

private:
    void requireChanged(std::int64_t rows, const Variant& key) const;
    Database& db_;
    const TextTable& table_;
    QString insert_, update_, aside_;
};

}  // namespace tarvix::store
