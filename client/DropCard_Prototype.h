#pragma once
// TDropCards: one square of the ring on which the chain grows.
#include "Card_Prototype.h"

class TDropCards : public TImage {
    Q_OBJECT
public:
    explicit TDropCards(QWidget *parent) : TImage(parent) {}

    std::uint8_t Position = 0;  // 1..26, set once when the table is built

    void LoadTiny(const QString &name);  // GraphDir + "tiny/" + name + ".bmp"

    // Marks drawn over the picture: where the dragged tile would be taken, and the
    // halves that the latest move placed.
    void SetDropHint(bool on);
    bool DropHint() const { return dropHint_; }
    void SetLatest(bool on);
    bool Latest() const { return latest_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool dropHint_ = false;
    bool latest_ = false;
};
