#include "layout/BNControl.h"

#include "layout/BNLayoutError.h"
#include "layout/IResizable.h"

namespace {

// A setter that throws counts as a refusal, like one that returns false.
bool tryWrite(IResizable *object, bool (IResizable::*setter)(double), double value)
{
    try {
        return (object->*setter)(value);
    } catch (...) {
        return false;
    }
}

} // namespace

void BNControl::Init(IResizable *control, bool slideRight, bool stretchRight, bool slideDown, bool stretchDown)
{
    m_control = control;
    m_name = control ? control->name() : QString();
    m_slideRight = slideRight;
    m_stretchRight = stretchRight;
    m_slideDown = slideDown;
    m_stretchDown = stretchDown;
    SaveLastSize();
}

void BNControl::Reacquire()
{
    // The present state becomes the baseline, so a later rollback agrees with the reference's
    // baseline that the resizer reacquires at the same time.
    SaveLastSize();
}

void BNControl::write(bool (IResizable::*setter)(double), double value)
{
    if (!tryWrite(m_control, setter, value))
        throw BNLayoutError(BNLayoutError::ControlFailed, m_name);
}

void BNControl::Resize(qint32 dx, qint32 dy, bool exclusiveOnly)
{
    if (exclusiveOnly && !Exclusive)
        return;
    if (!m_control)
        throw BNLayoutError(BNLayoutError::ControlFailed, m_name);

    if (m_slideRight)
        write(&IResizable::setLeft, m_control->left() + dx);
    if (m_slideDown)
        write(&IResizable::setTop, m_control->top() + dy);
    if (m_stretchRight) {
        if (PercentXOverride != 0) {
            if (!PercentRef)
                throw BNLayoutError(BNLayoutError::ControlFailed, m_name);
            write(&IResizable::setWidth, PercentRef->width() * double(PercentXOverride));
        } else {
            write(&IResizable::setWidth, m_control->width() + dx);
        }
    }
    if (m_stretchDown) {
        if (PercentYOverride != 0) {
            if (!PercentRef)
                throw BNLayoutError(BNLayoutError::ControlFailed, m_name);
            write(&IResizable::setHeight, PercentRef->height() * double(PercentYOverride));
        } else {
            write(&IResizable::setHeight, m_control->height() + dy);
        }
    }
    if (m_constrainX)
        write(&IResizable::setWidth, m_control->width() - dx);
    if (m_constrainY)
        write(&IResizable::setHeight, m_control->height() - dy);
}

void BNControl::SaveLastSize()
{
    if (m_control)
        m_lastSaved = LayoutRect::of(*m_control);
}

void BNControl::ConstrainSlide(bool constrainX, bool constrainY)
{
    m_constrainX = constrainX;
    m_constrainY = constrainY;
}

bool BNControl::Rollback()
{
    if (!m_control)
        return false;
    // Only what differs is written, and one refusal does not stop the others going back.
    bool ok = true;
    if (m_control->left() != m_lastSaved.left)
        ok = tryWrite(m_control, &IResizable::setLeft, m_lastSaved.left) && ok;
    if (m_control->top() != m_lastSaved.top)
        ok = tryWrite(m_control, &IResizable::setTop, m_lastSaved.top) && ok;
    if (m_control->width() != m_lastSaved.width)
        ok = tryWrite(m_control, &IResizable::setWidth, m_lastSaved.width) && ok;
    if (m_control->height() != m_lastSaved.height)
        ok = tryWrite(m_control, &IResizable::setHeight, m_lastSaved.height) && ok;
    return ok;
}
