// A table's rows read as Access keeps them on its data pages: a deleted row
// never, a row an update moved to another page once, at its new place. Only
// the Jet reader child uses it, as it holds libmdb's structures.
#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

// mdbtools.h declares templates through glib, which must come first in C++.
#include <glib.h>
#include <mdbtools.h>

namespace tarvix::tool {

class JetRowsDamaged : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class JetRows {
public:
    explicit JetRows(MdbTableDef* table);

    // Cracks the next live row into fields (one per column of the table); false after the last.
    // Throws JetRowsDamaged for a page or a pointer that cannot be what Access writes.
    bool Next(std::vector<MdbField>& fields);

    // A cracked field as protocol text: a number in decimal, a text as UTF-8 (Jet 3 bytes
    // as Latin-1, for the parent to decode in the right code page), or the undecodable marker.
    QByteArray Value(const MdbColumn& column, const MdbField& field);

private:
    bool nextPage();
    void crack(int start, int end, std::vector<MdbField>& fields);
    void followMoved(int start, int end, std::vector<MdbField>& fields);
    QByteArray text(const unsigned char* data, std::size_t size) const;
    QByteArray memo(const unsigned char* data, std::size_t size);

    MdbTableDef* table_;
    MdbHandle* mdb_;
    bool jet3_;
    int pageSize_;
    int rowCountAt_;
    std::uint32_t owner_;
    long long page_ = 0;  // the data page being read; -1 before the first
    int row_ = 0;
    int rows_ = 0;
    std::vector<unsigned char> copy_;  // the page being read, while a moved row's page is in libmdb's buffer
    bool displaced_ = false;           // libmdb's buffer holds a moved row's page
};

}  // namespace tarvix::tool
