#include "mainwindow/popupwindow.h"

#include "lookup/page.h"
#include "mainwindow/outsideword.h"
#include "mainwindow/pageloader.h"
#include "mainwindow/resultview.h"
#include "preferences/viewsettings.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionSizeGrip>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// A frameless window has no border to drag: this corner resizes it.
class ResizeCorner : public QWidget
{
public:
    explicit ResizeCorner(QWidget *parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("popupResizeCorner"));
        setFixedSize(14, 14);
        setCursor(Qt::SizeFDiagCursor);
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        start = event->globalPosition().toPoint();
        startSize = window()->size();
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (event->buttons() & Qt::LeftButton)
            window()->resize(startSize + QSize(event->globalPosition().toPoint().x() - start.x(),
                                               event->globalPosition().toPoint().y() - start.y()));
    }
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QStyleOptionSizeGrip option;
        option.initFrom(this);
        option.corner = Qt::BottomRightCorner;
        style()->drawControl(QStyle::CE_SizeGrip, &option, &painter, this);
    }

private:
    QPoint start;
    QSize startSize;
};

} // namespace

PopupWindow::PopupWindow(ViewSettings *settings, QWidget *parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint), settings(settings),
      m_view(new ResultView(this)), openButton(new QPushButton(this)),
      pages(new PageLoader(m_view, this))
{
    setObjectName(QStringLiteral("popupWindow"));
    m_view->setObjectName(QStringLiteral("popupView"));
    openButton->setObjectName(QStringLiteral("openInOrvelButton"));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMinimumSize(200, 120);
    // Moves outside reach the window itself while it holds the pointer.
    setMouseTracking(true);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setFont(settings->font());
    connect(settings, &ViewSettings::fontChanged, m_view, &QWidget::setFont);
    openButton->setText(tr("Open in Orvel"));
    openButton->setAutoDefault(false);

    auto *bottom = new QHBoxLayout;
    bottom->setContentsMargins(6, 4, 0, 0);
    bottom->addStretch();
    bottom->addWidget(openButton);
    bottom->addWidget(new ResizeCorner(this), 0, Qt::AlignBottom);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    layout->addLayout(bottom);

    leaving.setSingleShot(true);
    leaving.setInterval(leaveDelay);
    connect(&leaving, &QTimer::timeout, this, &QWidget::close);
    // The main window is up before the pop-up goes, which may otherwise
    // have been all there was to show.
    connect(openButton, &QPushButton::clicked, this, [this] {
        emit openRequested(m_word);
        close();
    });
    connect(pages, &PageLoader::pageShown, this, &PopupWindow::pageShown);
    // A word in the page is looked up here too.
    connect(m_view, &ResultView::wordDoubleClicked, this, &PopupWindow::showWord);
    connect(m_view, &ResultView::lookUpRequested, this, &PopupWindow::showWord);
    connect(m_view, &QTextBrowser::anchorClicked, this, [this](const QUrl &link) {
        if (const QString word = Page::lookedUpWord(link); !word.isNull())
            showWord(word);
    });
}

void PopupWindow::showWord(const QString &text)
{
    // As the window would look it up.
    const bool rules = settings->findWhatIMean();
    const QString word = rules ? OutsideWord::fromText(text) : text;
    if (word.isEmpty())
        return;
    m_word = word;
    pages->setFindWhatIMean(rules);
    const QPoint pointer = QCursor::pos();
    const QScreen *screen = QGuiApplication::screenAt(pointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!isVisible()) {
        entered = false;
        setGeometry(placement(pointer, settings->popupSize(), screen->availableGeometry()));
    }
    pages->lookUp(word);
    show();
    m_view->setFocus(Qt::PopupFocusReason);
}

QRect PopupWindow::placement(const QPoint &pointer, QSize size, const QRect &screen)
{
    size = size.boundedTo(screen.size());
    int x = pointer.x() + gap;
    if (x + size.width() > screen.right() + 1)
        x = pointer.x() - gap - size.width();
    x = qBound(screen.left(), x, screen.right() + 1 - size.width());
    // Down: below the pointer if it fits there, else above it, else on the
    // roomier side, shortened to fit; always `gap` clear of the pointer, so
    // the window never lies under it, whatever its width does.
    const int below = screen.bottom() + 1 - (pointer.y() + gap);
    const int above = pointer.y() - gap - screen.top();
    if (size.height() > below && size.height() > above)
        size.setHeight(qMax(below, above));
    const int y = size.height() <= below ? pointer.y() + gap : pointer.y() - gap - size.height();
    return QRect(QPoint(x, y), size);
}

bool PopupWindow::event(QEvent *event)
{
    if (event->type() == QEvent::Enter || event->type() == QEvent::Leave)
        pointerIn(event->type() == QEvent::Enter);
    return QFrame::event(event);
}

void PopupWindow::mouseMoveEvent(QMouseEvent *event)
{
    pointerIn(rect().contains(event->position().toPoint()));
    QFrame::mouseMoveEvent(event);
}

void PopupWindow::pointerIn(bool in)
{
    if (in) {
        entered = true;
        leaving.stop();
    } else if (entered && !leaving.isActive()) {
        leaving.start();
    }
}

void PopupWindow::hideEvent(QHideEvent *event)
{
    QFrame::hideEvent(event);
    leaving.stop();
    settings->setPopupSize(size());
    emit closed();
}

void PopupWindow::changeEvent(QEvent *event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        openButton->setText(tr("Open in Orvel"));
}
