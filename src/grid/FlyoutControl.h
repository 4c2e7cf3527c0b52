#pragma once

#include "Controls.h"
#include "Geometry.h"

#include <QRegion>

// A small window that floats above every other window, owned by a control but
// not inside it, and never takes the focus.
class TFlyoutControl : public TCustomControl
{
    Q_OBJECT
public:
    explicit TFlyoutControl(QWidget* owner = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};

// The grey marker of a middle-button roll: an up arrow, a dot and a down
// arrow, cut out of a 32 x 32 window by its shape, with the dot's centre on
// the press point.
class TRollShadow : public TFlyoutControl
{
    Q_OBJECT
public:
    explicit TRollShadow(QWidget* owner = nullptr);

    // Places the window so that the dot's centre lies on p (screen coordinates).
    void ShowAt(const TPoint& p);
    // The window's shape: the two arrows and the dot.
    static QRegion Shape();

protected:
    void Paint() override;
    virtual void UpdateShape();
};
