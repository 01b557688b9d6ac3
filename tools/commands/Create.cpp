// create and sample: an empty store, or one with the sample textbook.
#include "tools/base/PendingStore.h"
#include "tools/base/StoreTool.h"
#include "tools/commands/Command.h"
#include "tools/commands/Commands.h"
#include "tools/commands/Sample.h"

#include "store/Schema.h"

#include <QFileInfo>

namespace tarvix::tool {

int RunCreate(const QString& file, bool force, bool sample)
{
    PendingStore pending(file, force);
    Content content;
    try {
        std::unique_ptr<Database> db = DBEngine().CreateDatabase(pending.tempPath());
        store::CreateSchema(*db);
        if (sample) {
            content = SampleContent();
            Transaction t(*db);
            AppendContent(*db, content);
            t.Commit();
        }
        db->Close();
    } catch (const EngineError& e) {
        const int code =
            e.Number() == err::CannotOpen || e.Number() == err::ReadOnly || e.Number() == err::AlreadyExists
                ? exitcode::FileProblem
                : exitcode::EngineFailure;
        throw Failure{
            code, QStringLiteral("Fișierul „%1” nu a fost făcut: %2").arg(pending.fileName(), DescribeEngineError(e))};
    }
    pending.MoveIntoPlace();

    if (sample)
        PrintOut(QStringLiteral("Am făcut baza de date „%1” cu exemplul: %2, %3 și %4.")
                     .arg(file, Counted(content.words.size(), "cuvânt", "cuvinte"),
                          Counted(content.chapters.size(), "capitol", "capitole"),
                          Counted(static_cast<long long>(content.links.size()), "legătură", "legături")));
    else
        PrintOut(QStringLiteral("Am făcut baza de date goală „%1”.").arg(file));
    return exitcode::Ok;
}

Command CreateCommand()
{
    return {
        QStringLiteral("create"),
        {QStringLiteral("FIȘIER")},
        QStringLiteral("un FIȘIER"),
        {QStringLiteral("face o bază de date nouă, goală.")},
        {{QStringLiteral("force"), QLatin1Char('f'), {}, {QStringLiteral("înlocuiește un FIȘIER care există deja.")}}},
        [](const Invocation& in) { return RunCreate(in.positional[0], in.has(QStringLiteral("force")), false); }};
}

}  // namespace tarvix::tool
