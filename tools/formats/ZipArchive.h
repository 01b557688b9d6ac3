// A document that is a ZIP archive (ODT, DOCX), read from memory with libzip.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct zip;

namespace tarvix::tool {

class ZipArchive {
public:
    // Throws TextRefused for bytes that are no ZIP archive. what names the kind of document in messages.
    ZipArchive(const QByteArray& bytes, const QString& what);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // An entry's bytes, nothing when it is not there; throws TextRefused for one
    // that is encrypted, damaged or would unpack past kMaxUnpackedBytes.
    std::optional<QByteArray> Entry(const char* name) const;

private:
    QByteArray bytes_;  // libzip reads from it for the archive's whole life
    QString what_;
    struct zip* archive_ = nullptr;
};

}  // namespace tarvix::tool
