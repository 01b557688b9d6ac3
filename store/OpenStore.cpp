#include "store/OpenStore.h"

#include "store/Invariants.h"
#include "store/Schema.h"

namespace tarvix::store {

std::unique_ptr<Database> Open(const QString& file, Access access)
{
    std::unique_ptr<Database> db = DBEngine().OpenDatabase(file, access == Access::ReadOnly);
    // A file of another program fails here, with its name, not at the first statement.
    RequireSchema(*db);
    // A store another program left out of step would have the windows act on the wrong row.
    if (access == Access::ForWriting)
        RequireSoundStore(*db);
    return db;
}

}  // namespace tarvix::store
