#include "platform/toolkit/Look.h"

#include "platform/toolkit/Program.h"
#include "platform/toolkit/ProgramStyle.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTranslator>
#include <QWidget>

namespace tarvix {

namespace detail {

QString StripAccel(const QString& caption)
{
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == u'&') {
            if (i + 1 < caption.size() && caption.at(i + 1) == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += caption.at(i);
    }
    return out;
}

void PlaceWidget(QWidget* w, const ControlDef& def)
{
    w->move(Twips(def.left), Twips(def.top));
    if (def.width > 0 || def.height > 0)
        w->resize(Twips(def.width), Twips(def.height));
}

void ApplyLook(QWidget* w, const ControlProps& props, QPalette::ColorRole role)
{
    if (props.bold) {
        QFont f = w->font();
        f.setBold(true);
        w->setFont(f);
    }
    if (props.backColor) {
        QPalette p = w->palette();
        p.setColor(role, *props.backColor);
        w->setPalette(p);
        w->setAutoFillBackground(role == QPalette::Window);
    }
}

QPalette LightPalette()
{
    const QColor black(Qt::black), white(Qt::white), face(0xF0, 0xF0, 0xF0), grey(0x6D, 0x6D, 0x6D);
    QPalette p(black, face, white, QColor(0x80, 0x80, 0x80), QColor(0xA0, 0xA0, 0xA0), black, white, white, white);
    p.setColor(QPalette::Midlight, QColor(0xE3, 0xE3, 0xE3));
    p.setColor(QPalette::Shadow, QColor(0x69, 0x69, 0x69));
    p.setColor(QPalette::AlternateBase, QColor(0xF5, 0xF5, 0xF5));
    p.setColor(QPalette::Highlight, QColor(0x00, 0x5A, 0xB4));
    p.setColor(QPalette::HighlightedText, white);
    p.setColor(QPalette::Link, QColor(0x00, 0x00, 0xCC));
    p.setColor(QPalette::LinkVisited, QColor(0x55, 0x1A, 0x8B));
    p.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xDC));
    p.setColor(QPalette::ToolTipText, black);
    p.setColor(QPalette::PlaceholderText, grey);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, grey);
    p.setColor(QPalette::Disabled, QPalette::Highlight, grey);
    return p;
}

}  // namespace detail

namespace {

// Qt's own texts a user of this program meets, when Qt ships no Romanian file.
class RomanianQtTexts : public QTranslator {
public:
    explicit RomanianQtTexts(QObject* parent) : QTranslator(parent) {}
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override
    {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        const QByteArrayView ctx(context);
        if (ctx != "QLineEdit" && ctx != "QWidgetTextControl")
            return {};
        static const std::pair<const char*, const char*> texts[] = {
            {"&Undo", "&Anulează"},
            {"&Redo", "&Refă"},
            {"Cu&t", "&Taie"},
            {"&Copy", "&Copiază"},
            {"&Paste", "&Lipește"},
            {"Delete", "Șterge"},
            {"Select All", "Selectează tot"},
        };
        for (const auto& [from, to] : texts)
            if (qstrcmp(source, from) == 0)
                return QString::fromUtf8(to);
        return {};
    }
};

// The program's font: MS Sans Serif where installed, else one of the same
// width, so captions fit where the designer placed the counts beside them.
QFont programFont()
{
    const QStringList installed = QFontDatabase::families();
    for (const char* family :
         {"MS Sans Serif", "Microsoft Sans Serif", "Arial", "Liberation Sans", "Arimo", "Nimbus Sans", "Helvetica"})
        if (installed.contains(QString::fromLatin1(family), Qt::CaseInsensitive))
            return QFont(QString::fromLatin1(family));
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setFamilies({font.family(), QStringLiteral("sans-serif")});
    return font;
}

}  // namespace

void InstallLook()
{
    static bool done = false;
    if (done || !qApp)
        return;
    done = true;
    auto* qtTexts = new QTranslator(qApp);
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (qtTexts->load(QStringLiteral("qtbase_ro"), dir) || qtTexts->load(QStringLiteral("qt_ro"), dir)) {
        QCoreApplication::installTranslator(qtTexts);
    } else {
        delete qtTexts;
        QCoreApplication::installTranslator(new RomanianQtTexts(qApp));
    }
    QApplication::setStyle(new detail::ProgramStyle);
    QFont font = programFont();
    font.setPointSizeF(8.25);
    font.setBold(false);
    QApplication::setFont(font);
    // Menus and pop-up lists too: none of them takes the desktop's dark colours.
    QApplication::setPalette(detail::LightPalette());
}

}  // namespace tarvix
