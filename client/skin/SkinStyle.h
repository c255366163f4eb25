#pragma once
// The controls in the skin: push buttons, check boxes and radio buttons, scroll bars,
// the frames of edit boxes and group frames. A proxy of the platform's style, set on the
// application while a skin is applied, so that every control of every window is dressed
// without the code that makes it knowing; whatever the skin has no picture for is drawn
// by the platform's style as it would be without a skin.
#include "SkinLook.h"

#include <QProxyStyle>
#include <memory>

class TSkinStyle : public QProxyStyle {
    Q_OBJECT
public:
    TSkinStyle(QStyle *base, std::shared_ptr<const TSkinLook> look);

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override;
    void polish(QWidget *widget) override;
    using QProxyStyle::polish;

private:
    bool drawFrame(const QStyleOption *option, QPainter *painter, const QWidget *widget) const;
    void drawIndicator(const TSkinPiece &piece, const QStyleOption *option, QPainter *painter) const;
    bool drawScrollBar(const QStyleOptionComplex *option, QPainter *painter, const QWidget *widget) const;

    std::shared_ptr<const TSkinLook> look_;
};

// Frames of a push button picture: 0 normal, 1 mouse over, 2 pressed, 3 disabled,
// 4 focused or default.
int PushButtonFrame(const QStyleOption &option, bool isDefault);
// Frames of a check box or radio button picture. Eight or more: unchecked normal, mouse
// over, pressed, disabled, then the same checked. Fewer: unchecked, checked, unchecked
// disabled, checked disabled.
int IndicatorFrame(const QStyleOption &option, int frames);
