#pragma once

#include "layout/BNControl.h"
#include "layout/LayoutRect.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

class IResizable;

// Keeps a set of controls anchored to one reference: when the reference changes size (a window)
// or position (a splitter bar), every entry slides and/or stretches by the same change. When a
// control refuses a value, the reference and every entry go back to the last good state.
class BNResizer
{
public:
    enum Mode : qint32
    {
        FollowSize = 0,
        FollowPosition = 1,
    };

    // 0 = off; otherwise the next Resize takes it as the change instead of measuring one.
    qint32 XOffsetOverride = 0;
    qint32 YOffsetOverride = 0;

    // True only while Rollback runs: a host must not start a Resize of this resizer from the
    // notifications the rollback's own writes cause.
    bool RollingBack() const { return m_rollingBack; }
    // The entries in registration order.
    const std::vector<std::unique_ptr<BNControl>> &colBNControls() const { return m_controls; }
    // The entry registered under name (any case), or null.
    BNControl *Item(const QString &name) const;

    // Unmarks every entry and leaves exclusive mode.
    void ExclusiveControls();
    // Marks the entries of these controls and enters exclusive mode; an empty list changes
    // nothing. Throws BNLayoutError(UnknownName) for a control not registered; entries marked
    // before it stay marked.
    void ExclusiveControls(const QList<IResizable *> &controls);
    void SetRefMinWidth(qint32 minWidth) { m_minWidth = minWidth; }
    void SetRefMinHeight(qint32 minHeight) { m_minHeight = minHeight; }
    void Init(IResizable *reference, qint32 mode);
    void SetReference(IResizable *reference);
    // Throws BNLayoutError(DuplicateName) when an entry of that name is registered already.
    BNControl &Add(std::unique_ptr<BNControl> control);
    // Never throws: a refusal rolls everything back.
    void Resize();
    void Reacquire();
    void Rollback();

private:
    IResizable *m_reference = nullptr;
    qint32 m_mode = FollowSize;
    LayoutRect m_refRect;
    qint32 m_minWidth = 0;
    qint32 m_minHeight = 0;
    bool m_exclusiveMode = false;
    bool m_rollingBack = false;
    std::vector<std::unique_ptr<BNControl>> m_controls;
};
