#include "Card_Prototype.h"

#include "Global.h"

#include <QApplication>
#include <QBackingStore>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHash>
#include <QMimeData>
#include <QPainter>
#include <QTimer>
#include <QWindow>

TImage::TImage(QWidget *parent) : QWidget(parent) {}

void TImage::SetPicture(const QPixmap &picture)
{
    source_ = nullptr;
    picture_ = picture;
    update();
}

void TImage::SetPictureSource(std::function<QPixmap()> decode)
{
    source_ = std::move(decode);
    picture_ = QPixmap();
    update();
}

const QPixmap &TImage::Picture() const
{
    if (const auto decode = std::exchange(source_, nullptr)) {
        try {
            picture_ = decode();
        } catch (const std::exception &e) {
            // Said once the paint is over: a box opened inside it would paint again.
            QTimer::singleShot(0, qApp, [text = QString::fromStdString(e.what())] { ReportError(text); });
        }
    }
    return picture_;
}

void TImage::ShowNow(const QPixmap &picture)
{
    source_ = nullptr;
    picture_ = picture;
    QWindow *const window = this->window()->windowHandle();
    QBackingStore *const store = backingStore();
    if (!store || !window || !window->isExposed() || !isVisible() || !standsClear()) {
        repaint();
        return;
    }
    // The picture goes straight into the window's backing store, which is flushed for this
    // rectangle alone: the widgets' repaint (a paint event, the clipping against every
    // sibling) cost more than the frame itself.
    const QRect area(mapTo(this->window(), QPoint()), size());
    store->beginPaint(area);
    {
        QPainter painter(store->paintDevice());
        painter.drawPixmap(area.topLeft(), picture_, QRect(QPoint(), area.size()));  // no further than the control
    }
    store->endPaint();
    store->flush(area, window);
}

bool TImage::standsClear() const
{
    QRect area = rect();
    for (const QWidget *widget = this; !widget->isWindow(); widget = widget->parentWidget()) {
        area.translate(widget->pos());  // now in the parent's coordinates
        const QWidget *parent = widget->parentWidget();
        if (!parent->rect().contains(area))
            return false;
        const QObjectList &siblings = parent->children();
        for (qsizetype i = siblings.indexOf(const_cast<QWidget *>(widget)) + 1; i < siblings.size(); ++i) {
            const auto *sibling = qobject_cast<const QWidget *>(siblings[i]);
            if (sibling && !sibling->isWindow() && sibling->isVisible() && sibling->geometry().intersects(area))
                return false;
        }
    }
    return true;
}

void TImage::LoadPicture(const QString &path)
{
    CheckPicture(path);
    SetPictureSource([path] { return ::LoadPicture(path); });
}

void TImage::paintEvent(QPaintEvent *)
{
    if (Picture().isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
}

namespace {
TCards *draggedTile(const QDropEvent *event)
{
    return event->mimeData()->hasFormat(QLatin1String(TileMimeType)) ? qobject_cast<TCards *>(event->source())
                                                                     : nullptr;
}
}  // namespace

void TImage::dragEnterEvent(QDragEnterEvent *event) { dragMoveEvent(event); }

void TImage::dragMoveEvent(QDragMoveEvent *event)
{
    if (!onDragOver || !draggedTile(event)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    Guarded([&] { onDragOver(this); });
}

void TImage::dropEvent(QDropEvent *event)
{
    TCards *source = draggedTile(event);
    if (!onDrop || !source) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    Guarded([&] { onDrop(this, source); });
}

TCards::TCards(QWidget *parent) : TImage(parent) {}

void TCards::LoadFace(const QString &name) { LoadPicture(GraphDir() + name + QStringLiteral(".bmp")); }

void TCards::SetTile(int tile) { LoadFace(QStringLiteral("%1").arg(tile, 2, 10, QLatin1Char('0'))); }

void TCards::ShowBack()
{
    LoadFace(QStringLiteral("back_this"));
    // The back in black and white, made once for every back that was loaded.
    static QHash<qint64, QPixmap> monochrome;
    QPixmap &mono = monochrome[Picture().cacheKey()];
    if (mono.isNull())
        mono = QPixmap::fromImage(Picture().toImage().convertToFormat(QImage::Format_Mono, Qt::ThresholdDither));
    SetPicture(mono);
    setEnabled(false);
}

void TCards::mousePressEvent(QMouseEvent *event)
{
    pressedAt_ = event->position().toPoint();
    QWidget::mousePressEvent(event);
}

void TCards::mouseMoveEvent(QMouseEvent *event)
{
    const bool dragging = draggable_ && isEnabled() && (event->buttons() & Qt::LeftButton)
        && (event->position().toPoint() - pressedAt_).manhattanLength() >= QApplication::startDragDistance();
    if (!dragging)
        return QWidget::mouseMoveEvent(event);
    auto *drag = new QDrag(this);
    auto *mime = new QMimeData;
    mime->setData(QLatin1String(TileMimeType), QByteArray());
    drag->setMimeData(mime);
    drag->setPixmap(Picture());
    drag->setHotSpot(pressedAt_);
    if (dragCursor_)
        drag->setDragCursor(dragCursor_().pixmap(), Qt::MoveAction);
    if (onDragStart)
        Guarded([&] { onDragStart(this); });
    const auto end = onDragEnd;  // the tile may go while the drag runs its own event loop
    drag->exec(Qt::MoveAction);
    if (end)
        Guarded(end);
}
