#include "tools/formats/ZipArchive.h"

#include "tools/formats/ChapterText.h"

#include <zip.h>

namespace tarvix::tool {

ZipArchive::ZipArchive(const QByteArray& bytes, const QString& what) : bytes_(bytes), what_(what)
{
    // Word and LibreOffice keep an encrypted document in an OLE compound file, not in a ZIP archive.
    if (bytes_.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        throw TextRefused{QStringLiteral("este criptat (protejat cu parolă) sau este în formatul vechi .doc; "
                                         "salvați-l ca %1 fără parolă")
                              .arg(what_)};
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(bytes_.constData(), static_cast<zip_uint64_t>(bytes_.size()), 0, &error);
    if (source)
        archive_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive_) {
        if (source)
            zip_source_free(source);
        zip_error_fini(&error);
        throw TextRefused{
            QStringLiteral("nu este un document %1 întreg (arhiva ZIP din el este deteriorată)").arg(what_)};
    }
    zip_error_fini(&error);
}

ZipArchive::~ZipArchive()
{
    if (archive_)
        zip_discard(archive_);
}

std::optional<QByteArray> ZipArchive::Entry(const char* name) const
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat(archive_, name, 0, &st) != 0)
        return std::nullopt;
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
        throw TextRefused{QStringLiteral("este criptat (protejat cu parolă)")};
    const auto damaged = [&] {
        return TextRefused{QStringLiteral("nu este un document %1 întreg (partea %2 este deteriorată)")
                               .arg(what_, QString::fromUtf8(name))};
    };
    if ((st.valid & ZIP_STAT_SIZE) && st.size > static_cast<zip_uint64_t>(kMaxUnpackedBytes))
        throw TextRefused{
            QStringLiteral("s-ar despacheta în %1 MiB, mai mult decât are vreun capitol (cel mult %2 MiB)")
                .arg(st.size / (1024 * 1024))
                .arg(kMaxUnpackedBytes / (1024 * 1024))};
    zip_file_t* f = zip_fopen(archive_, name, 0);
    if (!f)
        throw damaged();
    QByteArray out;
    char buffer[65536];
    // The size an archive declares may lie: the reading itself stops at the limit.
    for (;;) {
        const zip_int64_t n = zip_fread(f, buffer, sizeof buffer);
        if (n < 0) {
            zip_fclose(f);
            throw damaged();
        }
        if (n == 0)
            break;
        if (out.size() + n > kMaxUnpackedBytes) {
            zip_fclose(f);
            throw TextRefused{QStringLiteral("s-ar despacheta în mai mult de %1 MiB, mai mult decât are vreun capitol")
                                  .arg(kMaxUnpackedBytes / (1024 * 1024))};
        }
        out.append(buffer, static_cast<qsizetype>(n));
    }
    if (zip_fclose(f) != 0)
        throw damaged();
    return out;
}

}  // namespace tarvix::tool
