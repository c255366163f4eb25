#include "SkinStyle.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QFrame>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOption>

namespace {
// The scroll bar picture's 23 frames: each arrow (up, down, left, right) in the states
// normal, mouse over, pressed, disabled; the corner between two scroll bars; the grip
// on the vertical thumb and on the horizontal one, each normal, mouse over, pressed.
enum ScrollFrame { ArrowFrames = 0, CornerFrame = 16, VerticalGripFrames = 17, HorizontalGripFrames = 20 };
enum Arrow { Up, Down, Left, Right };

enum SkinState { Normal, MouseOver, Pressed, Disabled };

// A push button's state; checked counts as pressed.
SkinState stateOf(const QStyleOption &option)
{
    if (!(option.state & QStyle::State_Enabled))
        return Disabled;
    if (option.state & (QStyle::State_Sunken | QStyle::State_On))
        return Pressed;
    if (option.state & QStyle::State_MouseOver)
        return MouseOver;
    return Normal;
}

// The state of one part of a scroll bar.
SkinState partState(const QStyleOptionSlider &bar, QStyle::SubControls part)
{
    if (!(bar.state & QStyle::State_Enabled))
        return Disabled;
    if (!(bar.activeSubControls & part))
        return Normal;
    return (bar.state & QStyle::State_Sunken) ? Pressed : MouseOver;
}

QRect centred(const QRect &area, QSize size)
{
    return QRect(area.center() - QPoint(size.width() / 2, size.height() / 2), size);
}

bool isEditFrame(const QWidget *widget)
{
    return widget && (widget->inherits("QAbstractScrollArea") || widget->inherits("QLineEdit"));
}
}  // namespace

int PushButtonFrame(const QStyleOption &option, bool isDefault)
{
    const SkinState state = stateOf(option);
    if (state == Normal && (isDefault || (option.state & QStyle::State_HasFocus)))
        return 4;
    return state;
}

int IndicatorFrame(const QStyleOption &option, int frames)
{
    const bool checked = option.state & (QStyle::State_On | QStyle::State_NoChange);
    const bool enabled = option.state & QStyle::State_Enabled;
    if (frames < 8)
        return (checked ? 1 : 0) + (enabled ? 0 : 2);
    const SkinState state = !enabled               ? Disabled
        : (option.state & QStyle::State_Sunken)    ? Pressed
        : (option.state & QStyle::State_MouseOver) ? MouseOver
                                                   : Normal;
    return (checked ? 4 : 0) + state;
}

TSkinStyle::TSkinStyle(QStyle *base, std::shared_ptr<const TSkinLook> look) : QProxyStyle(base), look_(std::move(look))
{
}

void TSkinStyle::polish(QWidget *widget)
{
    QProxyStyle::polish(widget);
    if (qobject_cast<QAbstractButton *>(widget) || qobject_cast<QScrollBar *>(widget)
        || qobject_cast<QLineEdit *>(widget) || qobject_cast<QAbstractScrollArea *>(widget))
        widget->setAttribute(Qt::WA_Hover);
}

void TSkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                               const QWidget *widget) const
{
    switch (element) {
    case PE_PanelButtonCommand:
        if (!look_->button.isNull()) {
            const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option);
            const bool isDefault = button && (button->features & QStyleOptionButton::DefaultButton);
            look_->button.draw(*painter, option->rect, PushButtonFrame(*option, isDefault));
            return;
        }
        break;
    case PE_FrameFocusRect:
        // A skinned push button shows its focus in its own picture.
        if (!look_->button.isNull() && qobject_cast<const QPushButton *>(widget))
            return;
        break;
    case PE_IndicatorCheckBox:
        if (!look_->checkBox.isNull())
            return drawIndicator(look_->checkBox, option, painter);
        break;
    case PE_IndicatorRadioButton:
        if (!look_->radioButton.isNull())
            return drawIndicator(look_->radioButton, option, painter);
        break;
    case PE_PanelLineEdit:
        if (const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option);
            frame && frame->lineWidth > 0 && !look_->sunkEdge.isNull()) {
            painter->fillRect(option->rect, option->palette.brush(QPalette::Base));
            if (drawFrame(option, painter, widget))
                return;
        }
        break;
    case PE_FrameLineEdit:
    case PE_FrameGroupBox:
        if (drawFrame(option, painter, widget))
            return;
        break;
    case PE_PanelScrollAreaCorner:
        if (!look_->scrollParts.isNull()) {
            look_->scrollParts.draw(*painter, option->rect, CornerFrame);
            return;
        }
        break;
    default: break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void TSkinStyle::drawIndicator(const TSkinPiece &piece, const QStyleOption *option, QPainter *painter) const
{
    const QSize size = piece.frameSize();
    piece.draw(*painter, centred(option->rect, size), IndicatorFrame(*option, piece.frames));
}

// Edit boxes (single and multi-line) take the sunken edge, other frames the group box
// edge; only the border is drawn, squeezed into the frame's own width so that nothing
// inside moves.
bool TSkinStyle::drawFrame(const QStyleOption *option, QPainter *painter, const QWidget *widget) const
{
    const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option);
    if (!frame)
        return false;
    const bool edit = isEditFrame(widget);
    const TSkinPiece &piece = edit ? look_->sunkEdge : look_->groupBoxEdge;
    if (piece.isNull())
        return false;
    int band = frame->lineWidth;
    if (frame->frameShape != QFrame::NoFrame && !(frame->state & State_Raised) && frame->lineWidth > 0
        && (frame->state & State_Sunken))
        band = 2 * frame->lineWidth + frame->midLineWidth;
    if (widget && widget->inherits("QLineEdit"))
        band = proxy()->pixelMetric(PM_DefaultFrameWidth, option, widget);
    // Edit box frames: normal, mouse over, focused, disabled. Group frames: normal, disabled.
    const bool enabled = option->state & State_Enabled;
    int frameIndex = enabled ? 0 : (edit ? int(Disabled) : 1);
    if (edit && enabled)
        frameIndex = (option->state & State_HasFocus) ? 2 : (option->state & State_MouseOver) ? 1 : 0;
    piece.draw(*painter, option->rect, frameIndex, false, std::max(band, 1));
    return true;
}

void TSkinStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                             const QWidget *widget) const
{
    switch (element) {
    case CE_PushButtonBevel:
        // Flat buttons too: in the skin every push button is a picture.
        if (!look_->button.isNull()) {
            proxy()->drawPrimitive(PE_PanelButtonCommand, option, painter, widget);
            return;
        }
        break;
    case CE_PushButtonLabel:
        if (const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option);
            button && !look_->button.isNull()) {
            const TDataSkinButton &b = look_->definition->Buttons;
            const QColor text = look_->definition->Colours.ButtonText;
            const SkinState state = stateOf(*option);
            QStyleOptionButton label = *button;
            if (state != Disabled) {
                const QColor colour = look_->textColour(state == Pressed         ? b.PressedColour
                                                            : state == MouseOver ? b.MouseOverColour
                                                                                 : b.NormalColour,
                                                        text);
                label.palette.setColor(QPalette::ButtonText, colour);
            }
            QProxyStyle::drawControl(element, &label, painter, widget);
            return;
        }
        break;
    case CE_ShapedFrame:
        if (const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option)) {
            const auto shape = frame->frameShape;
            if ((shape == QFrame::Box || shape == QFrame::Panel || shape == QFrame::StyledPanel
                 || shape == QFrame::WinPanel)
                && drawFrame(option, painter, widget))
                return;
        }
        break;
    default: break;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void TSkinStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                                    const QWidget *widget) const
{
    if (control == CC_ScrollBar && drawScrollBar(option, painter, widget))
        return;
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

bool TSkinStyle::drawScrollBar(const QStyleOptionComplex *option, QPainter *painter, const QWidget *widget) const
{
    const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option);
    const bool horizontal = bar && bar->orientation == Qt::Horizontal;
    const TSkinPiece &track = horizontal ? look_->horzTrack : look_->vertTrack;
    const TSkinPiece &thumb = horizontal ? look_->horzThumb : look_->vertThumb;
    if (!bar || look_->scrollParts.isNull() || track.isNull())
        return false;
    const auto rect = [&](SubControl part) { return proxy()->subControlRect(CC_ScrollBar, bar, part, widget); };

    SkinState trackState = (bar->state & State_Enabled) ? Normal : Disabled;
    if (trackState == Normal && (bar->activeSubControls & (SC_ScrollBarAddPage | SC_ScrollBarSubPage)))
        trackState = (bar->state & State_Sunken) ? Pressed : MouseOver;
    track.draw(*painter, rect(SC_ScrollBarGroove), trackState);

    const Arrow sub = horizontal ? Left : Up, add = horizontal ? Right : Down;
    look_->scrollParts.draw(*painter, rect(SC_ScrollBarSubLine),
                            ArrowFrames + 4 * sub + partState(*bar, SC_ScrollBarSubLine));
    look_->scrollParts.draw(*painter, rect(SC_ScrollBarAddLine),
                            ArrowFrames + 4 * add + partState(*bar, SC_ScrollBarAddLine));

    const QRect slider = rect(SC_ScrollBarSlider);
    if (bar->minimum == bar->maximum || !(bar->state & State_Enabled) || slider.isEmpty())
        return true;
    const SkinState thumbState = partState(*bar, SC_ScrollBarSlider);
    const int thumbFrame = std::min(int(thumbState), 2);
    if (!thumb.isNull())
        thumb.draw(*painter, slider, thumbFrame);
    const QSize grip = look_->scrollParts.frameSize();
    if (slider.width() >= grip.width() + 4 && slider.height() >= grip.height() + 4)
        look_->scrollParts.draw(*painter, centred(slider, grip),
                                (horizontal ? HorizontalGripFrames : VerticalGripFrames) + thumbFrame);
    return true;
}

int TSkinStyle::pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const
{
    switch (metric) {
    case PM_ScrollBarExtent:
        if (!look_->scrollParts.isNull())
            return look_->scrollParts.frameSize().width();
        break;
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
        if (!look_->checkBox.isNull()) {
            const QSize size = look_->checkBox.frameSize();
            return metric == PM_IndicatorWidth ? size.width() : size.height();
        }
        break;
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
        if (!look_->radioButton.isNull()) {
            const QSize size = look_->radioButton.frameSize();
            return metric == PM_ExclusiveIndicatorWidth ? size.width() : size.height();
        }
        break;
    default: break;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}
