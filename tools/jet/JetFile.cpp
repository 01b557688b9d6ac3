#include "tools/jet/JetFile.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tarvix::tool {

namespace {

constexpr int kMaskedStart = 0x18;

// The header's fields past 0x18 are masked with RC4 under a key every Jet file shares.
void unmask(QByteArray& page, int length)
{
    const std::array<std::uint8_t, 4> key{0xC7, 0xDA, 0x39, 0x6B};
    std::array<std::uint8_t, 256> s{};
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<std::uint8_t>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % key.size()]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        page[kMaskedStart + n] =
            static_cast<char>(static_cast<std::uint8_t>(page[kMaskedStart + n]) ^ s[(s[i] + s[j]) & 0xFF]);
    }
}

std::uint32_t le(const QByteArray& b, int at, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(b[at + i]);
    return v;
}

// Jet 3 keeps 20 bytes of password; Jet 4 and later 20 UTF-16 letters, each 4 bytes masked again with the
// whole days of the file's creation date, so that no two files show the same bytes for one password.
QString passwordOf(const QByteArray& page, int version)
{
    QString password;
    if (version == 0) {
        password = QString::fromLatin1(page.mid(0x42, 20));
    } else {
        double created = 0;
        std::memcpy(&created, page.constData() + 0x72, sizeof created);
        const auto day = std::isfinite(created) && std::abs(created) < 2e9 ? std::uint32_t(std::int32_t(created)) : 0u;
        QByteArray units = page.mid(0x42, 40);
        for (int i = 0; i < units.size(); ++i)
            units[i] = static_cast<char>(static_cast<std::uint8_t>(units[i]) ^ ((day >> (8 * (i % 4))) & 0xFF));
        password = QString::fromUtf16(reinterpret_cast<const char16_t*>(units.constData()), units.size() / 2);
    }
    const qsizetype end = password.indexOf(QChar(0));
    return end < 0 ? password : password.left(end);
}

QString formatName(int version)
{
    switch (version) {
    case 0: return QStringLiteral("Jet 3 (Access 97)");
    case 1: return QStringLiteral("Jet 4 (Access 2000–2003)");
    case 2: return QStringLiteral("ACE 12 (Access 2007)");
    case 3: return QStringLiteral("ACE 14 (Access 2010)");
    case 4: return QStringLiteral("ACE 15 (Access 2013)");
    case 5: return QStringLiteral("ACE 16 (Access 2016)");
    default: return QStringLiteral("ACE 17 (Access 2019)");
    }
}

}  // namespace

JetHeader InspectJet(const QByteArray& head, qint64 size)
{
    JetHeader h;
    const QByteArray signature = head.mid(4, 15);
    const bool jet = signature == "Standard Jet DB";
    const bool ace = signature == "Standard ACE DB";
    if (head.size() < 0x80 || (!jet && !ace)) {
        h.problem =
            QStringLiteral("nu este o bază de date Access (Jet): semnătura „Standard Jet DB” lipsește de la început.");
        return h;
    }
    h.version = static_cast<std::uint8_t>(head[0x14]);
    if ((jet && h.version > 1) || (ace && (h.version < 2 || h.version > 6))) {
        h.problem = QStringLiteral("are o versiune necunoscută a formatului Access (octetul de versiune este %1).")
                        .arg(h.version);
        return h;
    }
    h.format = formatName(h.version);
    h.pageSize = h.version == 0 ? 2048 : 4096;
    if (size < 2LL * h.pageSize || size % h.pageSize != 0 || head.size() < h.pageSize) {
        h.problem =
            QStringLiteral("este deteriorat sau trunchiat: are %1 octeți, nu un număr întreg de pagini de %2 octeți.")
                .arg(size)
                .arg(h.pageSize);
        return h;
    }
    QByteArray page = head.left(h.pageSize);
    unmask(page, h.version == 0 ? 126 : 128);
    h.codePage = static_cast<int>(le(page, 0x3C, 2));
    h.password = passwordOf(page, h.version);
    // A non-zero database key means every page is enciphered.
    h.encrypted = le(page, 0x3E, 4) != 0;
    if (h.encrypted)
        h.problem = QStringLiteral("este criptat (codificat cu o parolă); decriptați-l întâi în Access (Instrumente › "
                                   "Securitate › Decodificare bază de date).");
    return h;
}

JetHeader InspectJetFile(const QString& path)
{
    QFile f(path);
    const QFileInfo info(path);
    JetHeader h;
    if (!info.isFile()) {
        h.problem = QStringLiteral("nu este un fișier obișnuit.");
        return h;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        h.problem = QStringLiteral("nu poate fi citit (%1).").arg(f.errorString());
        return h;
    }
    return InspectJet(f.read(4096), f.size());
}

}  // namespace tarvix::tool
