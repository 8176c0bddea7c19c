#include "mainwindow/pagethread.h"

#include "lookup/boundedreader.h"
#include "lookup/pagehtml.h"
#include "mainwindow/pagedocument.h"

#include <QBrush>
#include <QColor>
#include <QCoreApplication>
#include <QLocale>
#include <QPointer>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

#include <utility>

namespace {
// The runs of `text` without a break opportunity that are longer than
// PageThread::longestRun, as start and end, trailing white space left out.
QList<std::pair<qsizetype, qsizetype>> longRuns(const QString &text)
{
    QList<std::pair<qsizetype, qsizetype>> runs;
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype start = 0;
    for (qsizetype next = breaks.toNextBoundary(); next >= 0;
         start = next, next = breaks.toNextBoundary()) {
        qsizetype end = next;
        while (end > start && text.at(end - 1).isSpace())
            --end;
        if (end - start > PageThread::longestRun)
            runs.append({start, end});
    }
    return runs;
}
// Where `text` may be cut at `at` or just after: a surrogate pair stays whole.
qsizetype characterEnd(const QString &text, qsizetype at)
{
    if (at > 0 && at < text.size() && text.at(at - 1).isHighSurrogate() &&
        text.at(at).isLowSurrogate())
        ++at;
    return at;
}

// Puts in place of `block`'s text from `cut` to `end` (positions in the
// block, `end` possibly past it) a mark in the format of the text there,
// greyed, saying how many characters are not shown.
void markNotShown(const QTextBlock &block, qsizetype cut, qsizetype end)
{
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + int(cut));
    QTextCharFormat format = cursor.charFormat();
    format.setForeground(QBrush(PageColours::page().muted));
    cursor.setPosition(block.position() + int(end), QTextCursor::KeepAnchor);
    cursor.insertText(
        QStringLiteral("\u2026 ") +
            PageThread::tr("[%1 characters not shown]").arg(QLocale().toString(end - cut)),
        format);
}
} // namespace

PageThread::PageThread(const QTextEdit *view, const PageColours &colours)
    : m_font(view->font()), m_option(view->document()->defaultTextOption()), m_colours(colours)
{
}

PageThread::~PageThread() = default;

QTextDocument *PageThread::takeDocument()
{
    return m_document.release();
}

void PageThread::run()
{
    // A long window's permit covers its document too.
    LongReadPermit permit;
    Page page;
    const Status status = lookUpAsked(&page, &permit);
    QString html = PageHtml::write(page);
    deliver(html, status);
    // The page delivered above is every look-up's; the window's adds a
    // way to do what it says.
    if (status == NoDictionary) {
        page = noDictionaryPage();
        html = PageHtml::write(page);
    }
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(m_font);
    // As the view would set them; each change of them after the document
    // is shown would lay it out again.
    document->setDefaultTextOption(m_option);
    // No width at all, so that nothing is laid out before the view sets its
    // own: until then any layout would be thrown away.
    document->setPageSize(QSizeF(0, 0));
    // Built directly where possible; setHtml() makes the same document of
    // any page, only slower.
    if (!PageDocument::build(page, document.get()))
        document->setHtml(html);
    shortenLongRuns(document.get());
    PageColours::recolour(document.get(), PageColours::page(), m_colours);
    m_next = page.next;
    if (m_next.isValid())
        PageDocument::addMoreLine(document.get(), m_next.word, m_colours.muted, m_colours.link);
    document->moveToThread(QCoreApplication::instance()->thread());
    m_document = std::move(document);
    m_page = std::move(page);
    emit documentReady();
}

Page PageThread::noDictionaryPage()
{
    Page page = SearchThread::noDictionaryPage();
    // An empty line between the message and the link.
    PageBlock &message = page.blocks.last();
    message.cuts << message.text.size() << message.text.size();
    page.blocks.append(
        Page::link(tr("Open Preferences at the Dictionary tab"), QLatin1String(preferencesLink)));
    return page;
}

void PageThread::show(QTextBrowser *view, QTextDocument *document)
{
    // The view deletes its own first document when it is replaced; those
    // made here are the view's children and are released here.
    QPointer<QTextDocument> old = view->document();
    view->setDocument(document);
    document->setParent(view);
    // Freeing a laid-out document takes a while; do it after the new page
    // is on screen.
    if (old && old->parent() == view)
        old->deleteLater();
}

int PageThread::shortenLongRuns(QTextDocument *document)
{
    int shortened = 0;
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    qsizetype shown = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        // The paragraph shows up to its room, or up to where a long run
        // that reaches past that is cut; the runs before are cut as ever.
        const bool endsDocument = text.size() > longestDocument - shown;
        const qsizetype room = qMin<qsizetype>(longestParagraph, longestDocument - shown);
        qsizetype end = text.size() > room ? characterEnd(text, room) : text.size();
        QList<std::pair<qsizetype, qsizetype>> cuts;
        const QList<std::pair<qsizetype, qsizetype>> runs =
            text.size() > longestRun ? longRuns(text) : QList<std::pair<qsizetype, qsizetype>>();
        for (const auto &[start, stop] : runs) {
            const qsizetype cut = characterEnd(text, start + longestRun);
            if (cut >= end)
                break;
            if (cut >= stop)
                continue;
            if (stop >= end) {
                end = cut;
                break;
            }
            cuts.append({cut, stop});
        }
        if (end < text.size()) {
            QTextCursor last(document);
            last.movePosition(QTextCursor::End);
            cuts.append({end, endsDocument ? last.position() - block.position() : text.size()});
        }
        // From the last cut back, so that the positions found stay valid.
        for (auto cut = cuts.crbegin(); cut != cuts.crend(); ++cut)
            markNotShown(block, cut->first, cut->second);
        shortened += int(cuts.size());
        shown += end;
        if (endsDocument)
            break;
    }
    document->setUndoRedoEnabled(undo);
    return shortened;
}

void NextWindowThread::run()
{
    m_status = SearchThread::lookUpNext(m_next, &m_page);
    emit ready();
}
