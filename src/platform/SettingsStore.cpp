#include "SettingsStore.h"

#include <QDir>
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
} // namespace

SettingsStore::SettingsStore(const QString &iniPath) : m_settings(new QSettings(iniPath, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore()
{
    if (m_settings)
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
    QString k = actualKey(section, key);
    if (k.isEmpty())
        k = encodeName(key);
    m_settings->setValue(encodeName(section) + QLatin1Char('/') + k, value);
}

void SettingsStore::deleteSection(const QString &section)
{
    m_settings->remove(encodeName(section));
}

bool SettingsStore::hasSection(const QString &section) const
{
    return m_settings->childGroups().contains(encodeName(section));
}

bool SettingsStore::sync()
{
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError)
        return true;
    // The error sticks to the QSettings object: start again from what the file holds, so that
    // unsaved values are not taken for stored ones and a later write is judged on its own.
    const QString path = m_settings->fileName();
    m_settings.reset(); // first, or the new object shares the old one's unwritten values
    m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    return false;
}

QString SettingsStore::fileName() const
{
    return m_settings->fileName();
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
