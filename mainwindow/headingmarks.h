#pragma once

#include <QList>
#include <QPoint>
#include <QRectF>
#include <QWidget>

#include <functional>

class QPainter;
class QTextEdit;
class ResultView;

// Where marks beside a page's entry headings go: a column at the left of
// the view with a square mark level with each heading's first line. The
// stars and the speakers each have one, so that their marks stand side by
// side.
namespace HeadingMarks {

struct Mark
{
    int entry;    // the heading's place among the page's headings
    QRectF place; // in the column, `size` square
};

// The block numbers of the document's entry headings, in order.
QList<int> headingBlocks(const QTextEdit *view);
// The marks in sight beside the first `count` headings, top to bottom.
QList<Mark> inSight(const QTextEdit *view, qsizetype count, qreal size);
// The last of the first `count` headings at or above the top of the view
// (the first one when none is); -1 when there are none.
int atTop(const QTextEdit *view, qsizetype count);

} // namespace HeadingMarks

// A column of marks in the view's gutter, one beside each entry heading in
// sight, outside the page, so that the page itself (its text, what is
// copied or found in it) stays as the look-up made it. What a mark looks
// like, says and does is its owner's.
class HeadingColumn : public QWidget
{
public:
    struct Marks
    {
        // How many entries the page has.
        std::function<qsizetype()> count;
        std::function<void(QPainter &painter, int entry, const QRectF &place)> paint;
        // The tooltip of entry's mark.
        std::function<QString(int entry)> tip;
        std::function<void(int entry)> clicked;
    };
    HeadingColumn(ResultView *view, const QString &name, const Marks &marks);

    // The view shows a new page (a new document, laid out bit by bit).
    void pageChanged();
    // Shows or hides the column, the view's gutter narrowing to the
    // columns shown.
    void setShown(bool shown);
    // The mark at `point`; -1 where there is none.
    int entryAt(const QPoint &point) const;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void place();

    ResultView *view;
    Marks marks;
};
