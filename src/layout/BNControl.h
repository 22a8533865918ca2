#pragma once

#include "layout/LayoutRect.h"

#include <QString>

class IResizable;

// One control registered with a resizer: how it follows the reference (slide and/or stretch in
// each axis) and the rectangle a rollback puts back.
class BNControl
{
public:
    // 0 = off; otherwise a stretch sets the size to PercentRef's size times this factor.
    float PercentXOverride = 0;
    float PercentYOverride = 0;
    IResizable *PercentRef = nullptr;
    // Takes part while its resizer is in exclusive mode.
    bool Exclusive = false;

    bool SlideRight() const { return m_slideRight; }
    bool StretchRight() const { return m_stretchRight; }
    bool SlideDown() const { return m_slideDown; }
    bool StretchDown() const { return m_stretchDown; }
    QString Name() const { return m_name; }
    IResizable *Control() const { return m_control; }

    void Init(IResizable *control, bool slideRight, bool stretchRight, bool slideDown, bool stretchDown);
    // Takes the control's present rectangle as the one a rollback returns to.
    void Reacquire();
    // Throws BNLayoutError(ControlFailed) when the control refuses a value; steps done stay done.
    void Resize(qint32 dx, qint32 dy, bool exclusiveOnly);
    void SaveLastSize();
    // With a slide: the far edge stays while the near edge follows the reference.
    void ConstrainSlide(bool constrainX, bool constrainY);
    // Never throws: tries every property and returns false when the control refused one.
    bool Rollback();

    LayoutRect lastSaved() const { return m_lastSaved; }

private:
    void write(bool (IResizable::*setter)(double), double value);

    IResizable *m_control = nullptr;
    QString m_name;
    bool m_slideRight = false;
    bool m_stretchRight = false;
    bool m_slideDown = false;
    bool m_stretchDown = false;
    bool m_constrainX = false;
    bool m_constrainY = false;
    LayoutRect m_lastSaved;
};
