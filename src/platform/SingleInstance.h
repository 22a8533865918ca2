#pragma once

#include <QString>
#include <memory>

class QLockFile;

// One running copy per program folder: a lock file next to the database, held for the whole
// run. A lock left by a copy that was killed names a process that no longer runs and is taken over.
class SingleInstance
{
public:
    explicit SingleInstance(const QString &lockPath);
    ~SingleInstance();

    // False when another running copy holds the lock.
    bool acquire();
    bool held() const { return m_held; }

    static constexpr const char *kLockFileName = "zandrift.lock";

private:
    std::unique_ptr<QLockFile> m_lock;
    QString m_lockPath;
    bool m_held = false;
};
