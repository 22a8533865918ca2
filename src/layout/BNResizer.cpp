#include "layout/BNResizer.h"

#include "layout/BNLayoutError.h"
#include "layout/IResizable.h"

#include <limits>

namespace {

qint32 change(qint32 now, qint32 before)
{
    const qint64 d = qint64(now) - before;
    return qint32(qBound(qint64(std::numeric_limits<qint32>::min()), d, qint64(std::numeric_limits<qint32>::max())));
}

// Consumes a one-shot override: its value when set, else the measured change.
qint32 takeOverride(qint32 &override, qint32 measured)
{
    if (override == 0)
        return measured;
    const qint32 value = override;
    override = 0;
    return value;
}

bool tryWrite(IResizable *object, bool (IResizable::*setter)(double), double value)
{
    try {
        return (object->*setter)(value);
    } catch (...) {
        return false;
    }
}

} // namespace

BNControl *BNResizer::Item(const QString &name) const
{
    for (const auto &entry : m_controls) {
        if (entry->Name().compare(name, Qt::CaseInsensitive) == 0)
            return entry.get();
    }
    return nullptr;
}

void BNResizer::ExclusiveControls()
{
    for (const auto &entry : m_controls)
        entry->Exclusive = false;
    m_exclusiveMode = false;
}

void BNResizer::ExclusiveControls(const QList<IResizable *> &controls)
{
    for (IResizable *control : controls) {
        const QString name = control ? control->name() : QString();
        BNControl *entry = Item(name);
        if (!entry)
            throw BNLayoutError(BNLayoutError::UnknownName, name);
        entry->Exclusive = true;
    }
    if (!controls.isEmpty())
        m_exclusiveMode = true;
}

void BNResizer::Init(IResizable *reference, qint32 mode)
{
    m_mode = mode;
    SetReference(reference);
}

void BNResizer::SetReference(IResizable *reference)
{
    m_reference = reference;
    if (m_reference)
        m_refRect = LayoutRect::of(*m_reference);
}

BNControl &BNResizer::Add(std::unique_ptr<BNControl> control)
{
    if (!control)
        throw BNLayoutError(BNLayoutError::UnknownName, QString());
    if (Item(control->Name()))
        throw BNLayoutError(BNLayoutError::DuplicateName, control->Name());
    m_controls.push_back(std::move(control));
    return *m_controls.back();
}

void BNResizer::Resize()
{
    if (!m_reference)
        return;
    try {
        if (m_mode == FollowSize || m_mode == FollowPosition) {
            if (m_mode == FollowSize) {
                // Raising the reference may make the host resize us again before the write
                // returns; that inner pass moves the entries and records the new baseline, so
                // the change is measured only afterwards.
                if (m_reference->width() < m_minWidth && !tryWrite(m_reference, &IResizable::setWidth, m_minWidth))
                    throw BNLayoutError(BNLayoutError::ControlFailed, m_reference->name());
                if (m_reference->height() < m_minHeight && !tryWrite(m_reference, &IResizable::setHeight, m_minHeight))
                    throw BNLayoutError(BNLayoutError::ControlFailed, m_reference->name());
            }
            const LayoutRect now = LayoutRect::of(*m_reference);
            const bool bySize = m_mode == FollowSize;
            const qint32 dx = takeOverride(XOffsetOverride, bySize ? change(now.width, m_refRect.width)
                                                                   : change(now.left, m_refRect.left));
            const qint32 dy = takeOverride(YOffsetOverride, bySize ? change(now.height, m_refRect.height)
                                                                   : change(now.top, m_refRect.top));
            // By index: a host called back from a write may register more entries.
            for (size_t i = 0; i < m_controls.size(); ++i)
                m_controls[i]->Resize(dx, dy, m_exclusiveMode);
            for (size_t i = 0; i < m_controls.size(); ++i)
                m_controls[i]->SaveLastSize();
        }
    } catch (...) {
        Rollback();
        return;
    }
    m_refRect = LayoutRect::of(*m_reference);
}

void BNResizer::Reacquire()
{
    for (size_t i = 0; i < m_controls.size(); ++i)
        m_controls[i]->Reacquire();
    if (m_reference)
        m_refRect = LayoutRect::of(*m_reference);
}

void BNResizer::Rollback()
{
    // Restored on every way out, so a refused write cannot leave the host's resize handling
    // switched off for good.
    const bool wasRollingBack = m_rollingBack;
    m_rollingBack = true;
    if (m_reference) {
        tryWrite(m_reference, &IResizable::setWidth, m_refRect.width);
        tryWrite(m_reference, &IResizable::setHeight, m_refRect.height);
        tryWrite(m_reference, &IResizable::setLeft, m_refRect.left);
        tryWrite(m_reference, &IResizable::setTop, m_refRect.top);
    }
    for (size_t i = 0; i < m_controls.size(); ++i)
        m_controls[i]->Rollback();
    m_rollingBack = wasRollingBack;
}
