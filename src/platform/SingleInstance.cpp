#include "platform/SingleInstance.h"

#include "platform/RegularFile.h"

#include <QLockFile>

SingleInstance::SingleInstance(const QString &lockPath)
    : m_lock(std::make_unique<QLockFile>(lockPath)), m_lockPath(lockPath)
{
    // Never stale by age: a copy that runs for days still holds it. A dead owner's lock is
    // recognised by its process id and removed by tryLock.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire()
{
    // A lock file is read to see whose it is, and reading a FIFO waits for ever: something
    // other than a file there is no lock at all, like a folder where none can be made.
    if (existsButIsNotRegular(m_lockPath))
        return true;
    if (!m_held)
        m_held = m_lock->tryLock(0);
    // Only a lock that another running copy holds says so; a folder where no lock can be made
    // proves nothing, and the database open that follows names the folder's problem.
    return m_held || m_lock->error() != QLockFile::LockFailedError;
}
