#include "platform/FileModes.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace file_modes {

namespace {
constexpr mode_t kPermissionBits = 07777;
constexpr mode_t kOthersBits = S_IRWXG | S_IRWXO;

bool fail(QString *error, const QString &path, const char *what)
{
    if (error)
        *error = QStringLiteral("%1 \"%2\": %3")
                     .arg(QLatin1String(what), path, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}
} // namespace

bool createOwnerOnly(const QString &path, QString *error)
{
    // The mode is given at creation, so no moment passes in which others could open it.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return fail(error, path, "Cannot create");
    // The process's umask may only take bits away; this makes sure none was added either.
    const bool ok = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    ::close(fd);
    return ok || fail(error, path, "Cannot set the access of");
}

Tightening removeOthersAccess(const QString &path, QString *error)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st = {};
    if (::stat(name.constData(), &st) != 0)
        return errno == ENOENT ? Tightening::AlreadyPrivate : (fail(error, path, "Cannot look at"), Tightening::Failed);
    if (!S_ISREG(st.st_mode) || (st.st_mode & kOthersBits) == 0)
        return Tightening::AlreadyPrivate;
    if (::chmod(name.constData(), st.st_mode & kPermissionBits & ~kOthersBits) != 0) {
        fail(error, path, "Cannot set the access of");
        return Tightening::Failed;
    }
    return Tightening::Tightened;
}

bool copyOwnerAccess(const QString &from, const QString &to, QString *error)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(from).constData(), &st) != 0)
        return fail(error, from, "Cannot look at");
    if (::chmod(QFile::encodeName(to).constData(), st.st_mode & S_IRWXU) != 0)
        return fail(error, to, "Cannot set the access of");
    return true;
}

int permissions(const QString &path)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return static_cast<int>(st.st_mode & kPermissionBits);
}

} // namespace file_modes
