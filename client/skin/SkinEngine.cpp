#include "SkinEngine.h"

#include "SkinData.h"
#include "SkinLook.h"
#include "SkinStyle.h"

#include <QApplication>
#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <QWindow>

namespace {
QStyle *platformStyle(const QString &name)
{
    QStyle *style = QStyleFactory::create(name);
    return style ? style : QStyleFactory::create(QStringLiteral("fusion"));
}

QPalette skinPalette(const TSkinColours &c)
{
    QPalette p = QApplication::palette();
    p.setColor(QPalette::Window, c.ButtonFace);
    p.setColor(QPalette::Button, c.ButtonFace);
    p.setColor(QPalette::WindowText, c.WindowText);
    p.setColor(QPalette::ButtonText, c.ButtonText);
    p.setColor(QPalette::Highlight, c.Hilight);
    p.setColor(QPalette::HighlightedText, c.HilightText);
    p.setColor(QPalette::Light, c.ButtonHilight);
    p.setColor(QPalette::Midlight, c.Buttonlight);
    p.setColor(QPalette::Mid, c.ButtonShadow);
    p.setColor(QPalette::Dark, c.ButtonShadow);
    p.setColor(QPalette::Shadow, c.ButtonDkShadow);
    p.setColor(QPalette::Disabled, QPalette::WindowText, c.ButtonShadow);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, c.ButtonShadow);
    return p;
}

// Windows with a caption of the platform's own; popups, tool windows, splash screens
// and borderless windows keep their look.
bool hasCaption(const QWidget *w)
{
    if (!w->isWindow() || qobject_cast<const TSkinFrame *>(w) || w->testAttribute(Qt::WA_DontShowOnScreen))
        return false;
    const Qt::WindowType type = w->windowType();
    const Qt::WindowFlags flags = w->windowFlags();
    if (type != Qt::Window && type != Qt::Dialog)
        return false;
    if (flags & (Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint))
        return false;
    return !(flags & Qt::CustomizeWindowHint) || (flags & Qt::WindowTitleHint);
}

bool hasButton(const QWidget *w, CaptionAction action)
{
    const Qt::WindowFlags flags = w->windowFlags();
    const bool custom = flags & Qt::CustomizeWindowHint;
    const bool plainWindow = w->windowType() == Qt::Window;
    switch (action) {
    case CaptionAction::Close: return !custom || (flags & Qt::WindowCloseButtonHint);
    case CaptionAction::Minimize: return custom ? bool(flags & Qt::WindowMinimizeButtonHint) : plainWindow;
    case CaptionAction::Maximize:
        return (custom ? bool(flags & Qt::WindowMaximizeButtonHint) : plainWindow)
            && w->minimumSize() != w->maximumSize();
    }
    return false;
}

void setNativeFrame(QWidget *w, bool on)
{
    QWindow *handle = w->windowHandle();
    if (!handle || (w->windowFlags() & Qt::FramelessWindowHint))
        return;
    handle->setFlags(on ? handle->flags() & ~Qt::FramelessWindowHint : handle->flags() | Qt::FramelessWindowHint);
}

class TSkinEngine : public QObject {
public:
    using QObject::QObject;

    void follow(TSkinData *skin, QWidget *owner)
    {
        if (skin_)
            disconnect(skin_, nullptr, this, nullptr);
        skin_ = skin;
        owner_ = owner;
        connect(skin, &TSkinData::appliedChanged, this, [this, skin](bool applied) {
            if (applied)
                putOn(skin->Definition());
            else
                takeOff();
        });
        connect(skin, &QObject::destroyed, this, &TSkinEngine::takeOff);
        if (skin->Applied())
            putOn(skin->Definition());
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!watched->isWidgetType() || !look_)
            return false;
        auto *w = static_cast<QWidget *>(watched);
        if (event->type() == QEvent::Paint && w == owner_ && w->isVisible()) {
            QPainter(w).fillRect(static_cast<QPaintEvent *>(event)->rect(), look_->definition->Colours.ButtonFace);
            return false;
        }
        if (!w->isWindow())
            return false;
        switch (event->type()) {
        case QEvent::Show: dress(w); break;
        case QEvent::Hide:
            if (TSkinFrame *frame = SkinFrameOf(w))
                frame->hide();
            break;
        case QEvent::WindowStateChange:
            if (TSkinFrame *frame = SkinFrameOf(w))
                frame->setVisible(w->isVisible() && !w->isMinimized());
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::ActivationChange:
        case QEvent::WindowTitleChange:
            if (TSkinFrame *frame = SkinFrameOf(w))
                frame->follow();
            break;
        default: break;
        }
        return false;
    }

private:
    void putOn(std::shared_ptr<const TSkinDefinition> definition)
    {
        if (!definition)
            return;
        undressAll();
        if (!styled_) {
            baseStyle_ = QApplication::style()->name();
            hadPalette_ = QCoreApplication::testAttribute(Qt::AA_SetPalette);
            savedPalette_ = QApplication::palette();
            qApp->installEventFilter(this);
            styled_ = true;
        }
        look_ = std::make_shared<const TSkinLook>(std::move(definition));
        QApplication::setStyle(new TSkinStyle(platformStyle(baseStyle_), look_));
        QApplication::setPalette(skinPalette(look_->definition->Colours));
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible())
                dress(w);
        if (owner_)
            owner_->update();
    }

    void takeOff()
    {
        if (!styled_)
            return;
        qApp->removeEventFilter(this);
        undressAll();
        look_.reset();
        QApplication::setStyle(platformStyle(baseStyle_));
        QApplication::setPalette(hadPalette_ ? savedPalette_ : QPalette());
        styled_ = false;
        if (owner_)
            owner_->update();
    }

    void dress(QWidget *w)
    {
        if (!look_ || !look_->framesWindows() || !hasCaption(w))
            return;
        TSkinFrame *frame = SkinFrameOf(w);
        if (!frame) {
            frame = new TSkinFrame(w, look_);
            frames_.push_back(frame);
            // After the window's own show handling, which may still place it (dialogs).
            QTimer::singleShot(0, frame, [this, w] { keepCaptionOnScreen(w); });
        }
        setNativeFrame(w, false);
        frame->follow();
        frame->show();
    }

    void undressAll()
    {
        for (const QPointer<TSkinFrame> &frame : frames_) {
            if (!frame)
                continue;
            setNativeFrame(frame->dressed(), true);
            delete frame.data();
        }
        frames_.clear();
    }

    // A window placed at the top of the screen would hide its caption bar above it.
    void keepCaptionOnScreen(QWidget *w)
    {
        const QScreen *screen = w->screen();
        if (!screen)
            return;
        const QRect area = screen->availableGeometry();
        const QRect outer = w->geometry().marginsAdded(look_->frameMargins());
        const QPoint shift(std::max(0, area.left() - outer.left()), std::max(0, area.top() - outer.top()));
        if (!shift.isNull())
            w->move(w->pos() + shift);
    }

    QPointer<TSkinData> skin_;
    QPointer<QWidget> owner_;
    std::shared_ptr<const TSkinLook> look_;
    std::vector<QPointer<TSkinFrame>> frames_;
    bool styled_ = false;
    QString baseStyle_;
    bool hadPalette_ = false;
    QPalette savedPalette_;
};

TSkinEngine &engine()
{
    static QPointer<TSkinEngine> instance;
    if (!instance)
        instance = new TSkinEngine(qApp);
    return *instance;
}

int stateFrame(bool pressed, bool hovered, bool active, int frames)
{
    const int state = pressed ? 2 : hovered ? 1 : 0;
    return (!active && frames >= 6) ? state + 3 : state;
}
}  // namespace

void DressWindowsWith(TSkinData *skin, QWidget *owner) { engine().follow(skin, owner); }

TSkinFrame *SkinFrameOf(const QWidget *window)
{
    return window ? window->findChild<TSkinFrame *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

TSkinFrame::TSkinFrame(QWidget *window, std::shared_ptr<const TSkinLook> look)
    : QWidget(window,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint
                  | (window->windowFlags() & Qt::WindowStaysOnTopHint)),
      window_(window), look_(std::move(look))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);
}

namespace {
bool opaqueAllOver(const QImage &image, const QRect &area)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x)
            if (qAlpha(line[x]) != 255)
                return false;
    }
    return true;
}
}  // namespace

void TSkinFrame::follow()
{
    const QMargins margins = look_->frameMargins();
    const QRect outer = window_->geometry().marginsAdded(margins);
    if (geometry() != outer)
        setGeometry(outer);
    update();
    // The shape: the ring around the window, less what the pictures leave see-through.
    // It changes with the size and with the window's activation.
    const std::pair shapeOf(outer.size(), window_->isActiveWindow());
    if (shapeOf == shapeOf_)
        return;
    shapeOf_ = shapeOf;
    // Only the four sides are painted for it: the inside is cut out anyway, and painting
    // the whole window's area would cost a picture of its size at every change.
    const int w = width(), h = height(), between = h - margins.top() - margins.bottom();
    const QRegion inside(rect().marginsRemoved(margins));
    QRegion ring;
    for (const QRect side : {QRect(0, 0, w, margins.top()), QRect(0, h - margins.bottom(), w, margins.bottom()),
                             QRect(0, margins.top(), margins.left(), between),
                             QRect(w - margins.right(), margins.top(), margins.right(), between)})
        ring += opaquePartOf(side);
    // A shape of more pieces than the window system takes in one request ends the program.
    setMask(ring.rectCount() <= SkinLimits::MaxWindowShapeRects ? ring : QRegion(rect()) - inside);
}

QRegion TSkinFrame::opaquePartOf(const QRect &side) const
{
    if (side.isEmpty())
        return {};
    QImage shape(side.size(), QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    QPainter painter(&shape);
    painter.translate(-side.topLeft());
    paintFrame(painter, false);
    // All the caption draws lies in its text area: where the pictures are opaque all over
    // it, the caption cannot add to the shape, and its font is not needed before the
    // frame is first painted.
    const QRect text = captionTextArea().adjusted(-1, -1, 1, 1).intersected(side).translated(-side.topLeft());
    if (!text.isEmpty() && !opaqueAllOver(shape, text))
        paintCaption(painter, window_->isActiveWindow());
    painter.end();
    return QRegion(QBitmap::fromImage(shape.createAlphaMask())).translated(side.topLeft());
}

QRect TSkinFrame::captionRect() const { return QRect(0, 0, width(), look_->frameMargins().top()); }

std::vector<TSkinFrame::Button> TSkinFrame::buttons() const
{
    std::vector<Button> result;
    for (std::size_t i = 0; i < look_->captionButtons.size(); ++i) {
        const TSkinCaptionButton &b = look_->captionButtons[i];
        if (!hasButton(window_, b.action))
            continue;
        const QPoint at(b.fromRight ? width() - b.at.x() : b.at.x(), b.at.y());
        result.push_back({int(i), QRect(at, b.piece.frameSize())});
    }
    return result;
}

int TSkinFrame::buttonAt(QPoint at) const
{
    for (const Button &b : buttons())
        if (b.rect.contains(at))
            return b.index;
    return -1;
}

void TSkinFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintFrame(painter, true);
}

void TSkinFrame::paintFrame(QPainter &painter, bool withCaption) const
{
    const bool active = window_->isActiveWindow();
    const int frame = active ? 0 : 1;
    const QMargins m = look_->frameMargins();
    const int w = width(), h = height(), side = h - m.top() - m.bottom();
    look_->top.draw(painter, QRect(0, 0, w, m.top()), frame);
    look_->left.draw(painter, QRect(0, m.top(), m.left(), side), frame);
    look_->right.draw(painter, QRect(w - m.right(), m.top(), m.right(), side), frame);
    look_->bottom.draw(painter, QRect(0, h - m.bottom(), w, m.bottom()), frame);
    if (withCaption)
        paintCaption(painter, active);
    for (const Button &b : buttons()) {
        const TSkinPiece &piece = look_->captionButtons[std::size_t(b.index)].piece;
        const bool pressed = pressed_ == b.index && hovered_ == b.index;
        piece.draw(painter, b.rect, stateFrame(pressed, hovered_ == b.index, active, piece.frames));
    }
}

QRect TSkinFrame::captionTextArea() const
{
    const TDataSkinTitle &title = look_->definition->Title;
    QRect area(title.LeftWidth, title.TopHeight, width() - title.LeftWidth - title.RightWidth, captionRect().height());
    for (const Button &b : buttons()) {
        if (b.rect.center().x() > area.center().x())
            area.setRight(std::min(area.right(), b.rect.left() - 4));
        else
            area.setLeft(std::max(area.left(), b.rect.right() + 4));
    }
    return area;
}

// The window's title in the title settings: shifted, aligned, clear of the caption
// buttons, on its text back when the skin has one.
void TSkinFrame::paintCaption(QPainter &painter, bool active) const
{
    const TSkinDefinition &skin = *look_->definition;
    const TDataSkinTitle &title = skin.Title;
    const QRect area = captionTextArea();
    QFont font = QApplication::font();
    font.setPixelSize(std::clamp(title.FontHeight, 4, 100));
    font.setBold(true);
    const QFontMetrics metrics(font);
    const bool back = title.TextBackground == 1 && !look_->textBack.isNull();
    const int padding = back ? title.TextBackLeft + title.TextBackRight : 0;
    const QString text = metrics.elidedText(window_->windowTitle().remove(QStringLiteral("[*]")), Qt::ElideRight,
                                            std::max(area.width() - padding, 0));
    if (text.isEmpty())
        return;
    const int textWidth = metrics.horizontalAdvance(text);
    const int boxWidth = textWidth + padding;
    int x = area.left();
    if (title.TextAlignment == 1)
        x = area.right() + 1 - boxWidth;
    else if (title.TextAlignment == 2)
        x = area.left() + (area.width() - boxWidth) / 2;
    if (back) {
        const int backHeight = std::min(look_->textBack.frameSize().height(), area.height());
        look_->textBack.draw(painter, QRect(x, area.top() + (area.height() - backHeight) / 2, boxWidth, backHeight),
                             active ? 0 : 1);
        x += title.TextBackLeft;
    }
    painter.setFont(font);
    painter.setPen(active ? title.ActiveText.value_or(skin.Colours.TitleTextActive)
                          : title.InactiveText.value_or(skin.Colours.TitleTextInactive));
    painter.drawText(QRect(x, area.top(), textWidth + 1, area.height()), Qt::AlignLeft | Qt::AlignVCenter, text);
}

void TSkinFrame::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    pressed_ = buttonAt(event->position().toPoint());
    if (pressed_ >= 0) {
        update();
        return;
    }
    if (captionRect().contains(event->position().toPoint()))
        grabOffset_ = event->globalPosition().toPoint() - window_->pos();
    // The window comes to the front with its frame just below it.
    raise();
    window_->raise();
    window_->activateWindow();
}

void TSkinFrame::mouseMoveEvent(QMouseEvent *event)
{
    if (grabOffset_) {
        window_->move(event->globalPosition().toPoint() - *grabOffset_);
        return;
    }
    const int over = buttonAt(event->position().toPoint());
    if (over != hovered_) {
        hovered_ = over;
        update();
    }
}

void TSkinFrame::mouseReleaseEvent(QMouseEvent *event)
{
    grabOffset_.reset();
    const int index = pressed_;
    pressed_ = -1;
    update();
    if (index >= 0 && buttonAt(event->position().toPoint()) == index)
        press(index);
}

void TSkinFrame::leaveEvent(QEvent *)
{
    hovered_ = -1;
    update();
}

void TSkinFrame::press(int index)
{
    switch (look_->captionButtons[std::size_t(index)].action) {
    case CaptionAction::Close: window_->close(); break;
    case CaptionAction::Minimize: window_->showMinimized(); break;
    case CaptionAction::Maximize: window_->isMaximized() ? window_->showNormal() : window_->showMaximized(); break;
    }
}
