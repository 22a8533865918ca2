// The favorites folder on disk: finding it, walking it, and reading its shortcut files.
#include "mainwindow/FavoritesPane.h"

#include "platform/MsgBox.h"
#include "platform/RegularFile.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {
const QString kFolderPicture = QStringLiteral("picClosedFavFolder");
const QString kFilePicture = QStringLiteral("picFavFile");
// Far more than any shortcut file holds; a larger file is read no further.
constexpr qint64 kMaxRead = 64 * 1024;

QFileInfoList subfolders(const QDir &dir)
{
    // Links are not followed: a link back up the tree would be walked for ever.
    return dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Unsorted);
}

// A shortcut file saved on Windows is in its single-byte code page; one saved here is UTF-8.
QString decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? TextCodec::fromWindows1252(bytes) : text;
}
} // namespace

QString FavoritesPane::FavoritesFolder()
{
    QString profile = qEnvironmentVariable("USERPROFILE");
    if (profile.isEmpty())
        profile = QDir::homePath();
    const QDir dir(profile);
    if (profile.isEmpty() || !dir.exists())
        return QString();
    const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        if (name.compare(QLatin1String("favorites"), Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    }
    return QString();
}

QString FavoritesPane::UrlDisplayName(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || fileName.mid(dot + 1).compare(QLatin1String("url"), Qt::CaseInsensitive) != 0)
        return QStringLiteral("NOTAURL");
    return fileName.left(dot);
}

void FavoritesPane::walkError(int number, const QString &description, const QString &path)
{
    MsgBox::show(QStringLiteral("Error Building Favorites, Error Number: %1, Err Description: %2, Path = %3")
                     .arg(number)
                     .arg(description, path),
                 QStringLiteral("Error Building Favorites"), MsgBox::Icon::Information);
    setBulkUpdate(false);
}

void FavoritesPane::WalkFavoritesFolder(const QString &path, qint32 level, bool addSelf, bool linksOnly)
{
    const QFileInfo info(path);
    if (!info.isDir()) {
        walkError(76, QStringLiteral("Path not found"), path);
        return;
    }
    if (!info.isReadable() || !info.isExecutable()) {
        walkError(70, QStringLiteral("Permission denied"), path);
        return;
    }
    const QDir dir(path);
    if (linksOnly) {
        const QStringList files = dir.entryList(QDir::Files, QDir::Unsorted);
        for (const QString &file : files) {
            const QString text = UrlDisplayName(file);
            if (text != QLatin1String("NOTAURL"))
                addItem(text, level + 2, QLatin1Char('l') + text, kFilePicture);
        }
        return;
    }
    if (addSelf)
        addItem(info.fileName(), level, QLatin1Char('f') + info.fileName(), kFolderPicture);
    for (const QFileInfo &sub : subfolders(dir)) {
        const QString subPath = sub.filePath();
        if (!subfolders(QDir(subPath)).isEmpty()) {
            WalkFavoritesFolder(subPath, level + 1, true, false);
        } else {
            addItem(sub.fileName(), level + 1, QLatin1Char('f') + sub.fileName(), kFolderPicture);
        }
        WalkFavoritesFolder(subPath, level, false, true);
    }
}

QString FavoritesPane::ReadUrlFile(const QString &path)
{
    QString filePath = path + QStringLiteral(".url");
    // The tree shows "b" for b.URL too: find the ending in whatever case it was saved.
    if (!QFileInfo::exists(filePath)) {
        const QFileInfo wanted(filePath);
        const QStringList names = wanted.dir().entryList(QDir::Files, QDir::Name);
        for (const QString &name : names) {
            if (name.size() == wanted.fileName().size() && name.startsWith(wanted.completeBaseName()) &&
                name.compare(wanted.fileName(), Qt::CaseInsensitive) == 0) {
                filePath = wanted.dir().filePath(name);
                break;
            }
        }
    }
    QFile file;
    if (!openRegularFile(file, filePath))
        return QString();
    const QList<QByteArray> lines = file.read(kMaxRead).split('\n');
    for (qsizetype i = 0; i < lines.size() && i < 3; ++i) {
        QString line = decode(lines[i]);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const qsizetype at = line.indexOf(QLatin1String("URL="), 0, Qt::CaseInsensitive);
        if (at >= 0)
            return line.mid(at + 4);
    }
    return QString();
}
