// The index's document formats by the name --format takes: one table, so a new
// format is its writer's file and one row.
#pragma once

#include "tools/formats/IndexWriter.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace tarvix::tool {

struct IndexFormat {
    QString name;  // as written after --format
    QString help;  // what it makes, for the option's help lines
    std::unique_ptr<IndexWriter> (*make)();
};

// The first one is the default.
const std::vector<IndexFormat>& IndexFormats();
const IndexFormat* IndexFormatNamed(const QString& name);

}  // namespace tarvix::tool
