#include "SingleInstance.h"

#include <QLockFile>

SingleInstance::SingleInstance(const QString &lockPath) : m_lock(std::make_unique<QLockFile>(lockPath))
{
    // Never stale by age: a copy that runs for days still holds it. A dead owner's lock is
    // recognised by its process id and removed by tryLock.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire()
{
    if (!m_held)
        m_held = m_lock->tryLock(0);
    return m_held;
}
