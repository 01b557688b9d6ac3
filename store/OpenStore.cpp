#include "store/OpenStore.h"

#include "store/Invariants.h"
#include "store/Schema.h"

namespace tarvix::store {

namespace {

// Each command whole, so it can be copied into a terminal; the file name as the engine's text gives it.
QString adviceFor(const StoreConditionError& e)
{
    switch (e.Condition()) {
    case StoreCondition::Missing:
        // Each command on a line of its own.
        return QStringLiteral("\nÎntr-un terminal deschis în acest dosar, comanda\ntarvix-db create %1\nface o bază de "
                              "date goală, iar comanda\ntarvix-db sample %1\nuna cu dicționarul de exemplu.")
            .arg(e.FileName());
    case StoreCondition::OlderAccessFile:
        return QStringLiteral(" Datele lui se pot aduce cu comanda „tarvix-db convert %1”, care păstrează originalul "
                              "alături.")
            .arg(e.FileName());
    case StoreCondition::RollbackPending:
        return QStringLiteral(" Comanda „tarvix-db check %1”, rulată unde fișierul poate fi scris, o anulează.")
            .arg(e.FileName());
    case StoreCondition::LocksNotShared:
        return QStringLiteral(" Sau puneți dicționarul pe un server PostgreSQL cu „tarvix-db share”.");
    case StoreCondition::BrokenServerLink:
        return QStringLiteral(" Comanda „tarvix-db link %1 ADRESĂ” îl scrie din nou.").arg(e.FileName());
    }
    return {};
}

}  // namespace

QString AdvisedText(const EngineError& e)
{
    const auto* condition = dynamic_cast<const StoreConditionError*>(&e);
    return condition ? e.Text() + adviceFor(*condition) : e.Text();
}

std::unique_ptr<Database> Open(const QString& file, Access access)
{
    try {
        std::unique_ptr<Database> db = DBEngine().OpenDatabase(file, access == Access::ReadOnly);
        // A file of another program fails here, with its name, not at the first statement.
        RequireSchema(*db);
        // A store another program left out of step would have the windows act on the wrong row.
        if (access == Access::ForWriting)
            RequireSoundStore(*db);
        return db;
    } catch (const StoreConditionError& e) {
        throw EngineError(e.Number(), AdvisedText(e));
    }
}

}  // namespace tarvix::store
