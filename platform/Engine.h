// The database engine the windows talk to: connections, recordsets and the
// older SQL dialect, over SQLite. Knows nothing of Qt Widgets.
#pragma once

#include "platform/engine/DBEngine.h"
#include "platform/engine/Database.h"
#include "platform/engine/ErrorNumbers.h"
#include "platform/engine/Recordset.h"
#include "platform/engine/ServerLink.h"
#include "platform/engine/Transaction.h"
#include "platform/engine/Variant.h"
#include "platform/text/Error.h"
