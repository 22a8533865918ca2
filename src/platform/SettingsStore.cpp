#include "platform/SettingsStore.h"

#include "platform/FileModes.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {
std::unique_ptr<SettingsStore> &globalStore()
{
    static std::unique_ptr<SettingsStore> store;
    return store;
}
// QSettings reads "/" and "\\" in names as group separators ("colCountry/Region" is one key).
QString encodeName(const QString &name)
{
    QString out = name;
    out.replace(QLatin1Char('%'), QLatin1String("%25"));
    out.replace(QLatin1Char('/'), QLatin1String("%2F"));
    out.replace(QLatin1Char('\\'), QLatin1String("%5C"));
    return out;
}

QString decodeName(const QString &name)
{
    QString out = name;
    out.replace(QLatin1String("%5C"), QLatin1String("\\"));
    out.replace(QLatin1String("%2F"), QLatin1String("/"));
    out.replace(QLatin1String("%25"), QLatin1String("%"));
    return out;
}
QString notAFile(const QString &path)
{
    return QStringLiteral("The settings file \"%1\" is not a regular file; settings changed now are kept only until "
                          "Zandrift ends.")
        .arg(QDir::toNativeSeparators(path));
}
} // namespace

SettingsStore::SettingsStore(const QString &iniPath) : m_path(iniPath)
{
    // Reading a FIFO would wait for a writer for ever.
    if (existsButIsNotRegular(iniPath)) {
        m_refusal = notAFile(iniPath);
        m_settings = std::make_unique<QSettings>(QString(), QSettings::IniFormat);
        return;
    }
    m_settings = std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
}

void SettingsStore::prepareFile()
{
    if (m_prepared || !m_refusal.isEmpty())
        return;
    m_prepared = true;
    if (QFileInfo::exists(m_path) || !QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return;
    file_modes::createOwnerOnly(m_path);
}

SettingsStore::~SettingsStore()
{
    // A FIFO put there since would hold the exit for ever.
    if (m_settings && !existsButIsNotRegular(m_path))
        m_settings->sync();
}

QString SettingsStore::actualKey(const QString &section, const QString &key) const
{
    m_settings->beginGroup(encodeName(section));
    const QStringList keys = m_settings->childKeys();
    m_settings->endGroup();
    for (const QString &k : keys) {
        if (decodeName(k).compare(key, Qt::CaseInsensitive) == 0)
            return k;
    }
    return {};
}

QString SettingsStore::get(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QString k = actualKey(section, key);
    if (k.isEmpty())
        return defaultValue;
    return m_settings->value(encodeName(section) + QLatin1Char('/') + k, defaultValue).toString();
}

void SettingsStore::set(const QString &section, const QString &key, const QString &value)
{
    prepareFile();
    QString k = actualKey(section, key);
    if (k.isEmpty())
        k = encodeName(key);
    m_settings->setValue(encodeName(section) + QLatin1Char('/') + k, value);
}

void SettingsStore::deleteSection(const QString &section)
{
    prepareFile();
    m_settings->remove(encodeName(section));
}

bool SettingsStore::hasSection(const QString &section) const
{
    return m_settings->childGroups().contains(encodeName(section));
}

bool SettingsStore::sync()
{
    if (m_refusal.isEmpty() && existsButIsNotRegular(m_path))
        m_refusal = notAFile(m_path);
    if (!m_refusal.isEmpty())
        return false;
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError)
        return true;
    // The error sticks to the QSettings object: start again from what the file holds, so that
    // unsaved values are not taken for stored ones and a later write is judged on its own.
    m_settings.reset(); // first, or the new object shares the old one's unwritten values
    m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
    return false;
}

QString SettingsStore::fileName() const
{
    return m_path;
}

QString SettingsStore::defaultPath()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir(base).filePath(QStringLiteral("Zandrift/") + QLatin1String(kAppName) + QStringLiteral(".ini"));
}

SettingsStore &SettingsStore::instance()
{
    auto &store = globalStore();
    if (!store)
        store = std::make_unique<SettingsStore>(defaultPath());
    return *store;
}

void SettingsStore::redirect(const QString &iniPath)
{
    globalStore() = std::make_unique<SettingsStore>(iniPath);
}
