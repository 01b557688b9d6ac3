#include "tools/formats/PdfText.h"

#include <poppler-qt6.h>

#include <QRectF>
#include <QVariant>

#include <algorithm>
#include <memory>

namespace tarvix::tool {

namespace {

struct Mark {
    QString title;
    int page = 0;  // from 0
};

// The chapters' bookmarks: the top level, or the level under a lone top entry that names the whole book.
std::vector<Mark> chapterMarks(const Poppler::Document& doc)
{
    QList<Poppler::OutlineItem> items = doc.outline();
    if (items.size() == 1 && items.front().hasChildren())
        items = items.front().children();
    std::vector<Mark> marks;
    for (const Poppler::OutlineItem& item : items) {
        const auto dest = item.destination();
        if (!dest || dest->pageNumber() < 1 || dest->pageNumber() > doc.numPages())
            continue;
        marks.push_back({item.name().simplified(), dest->pageNumber() - 1});
    }
    std::stable_sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) { return a.page < b.page; });
    return marks;
}

QString pagesText(const Poppler::Document& doc, int from, int to, const std::function<void()>& onPage)
{
    QString text;
    for (int i = from; i < to; ++i) {
        const std::unique_ptr<Poppler::Page> page(doc.page(i));
        if (page)
            text += page->text(QRectF()) + u'\n';
        if (onPage)
            onPage();
    }
    return text;
}

// Poppler's complaints about a damaged file go nowhere: the refusal says what matters.
void quiet(const QString&, const QVariant&) {}

ChapterPart part(QString heading, QString text)
{
    ChapterPart p;
    p.heading = std::move(heading);
    p.firstLine = FirstLineOf(text);
    p.text = std::move(text);
    return p;
}

}  // namespace

ChapterFile PdfChapters(const QByteArray& bytes, const std::function<void()>& onPage)
{
    Poppler::setDebugErrorFunction(quiet, QVariant());
    if (!bytes.startsWith("%PDF") && !bytes.left(1024).contains("%PDF-"))
        throw TextRefused{QStringLiteral("nu este un fișier PDF")};
    const std::unique_ptr<Poppler::Document> doc = Poppler::Document::loadFromData(bytes);
    if (!doc)
        throw TextRefused{QStringLiteral("nu este un PDF întreg (este deteriorat)")};
    if (doc->isLocked())
        throw TextRefused{QStringLiteral("este criptat (protejat cu parolă)")};
    const int pages = doc->numPages();
    if (pages <= 0)
        throw TextRefused{QStringLiteral("nu are nicio pagină")};
    const std::vector<Mark> marks = chapterMarks(*doc);
    ChapterFile out;
    if (marks.size() < 2) {
        out.parts.push_back(part(marks.empty() ? QString() : marks.front().title, pagesText(*doc, 0, pages, onPage)));
        return out;
    }
    out.book = true;
    if (marks.front().page > 0) {
        ChapterPart front = part(QString(), pagesText(*doc, 0, marks.front().page, onPage));
        if (!front.firstLine.isEmpty())
            out.parts.push_back(std::move(front));
    }
    for (std::size_t i = 0; i < marks.size(); ++i) {
        // Two bookmarks on one page share it: each chapter gets the page it starts on.
        const int end = i + 1 < marks.size() ? std::max(marks[i + 1].page, marks[i].page + 1) : pages;
        out.parts.push_back(part(marks[i].title, pagesText(*doc, marks[i].page, end, onPage)));
    }
    return out;
}

}  // namespace tarvix::tool
