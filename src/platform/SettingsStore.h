#pragma once

#include <QString>
#include <memory>

class QSettings;

// Named text values under the application name, a section and a key, kept in one INI file
// per system user. Keys are found without regard to case; a write replaces the value under
// whatever spelling the key already has.
class SettingsStore
{
public:
    static constexpr const char *kAppName = "Zandrift 2.0";

    explicit SettingsStore(const QString &iniPath);
    ~SettingsStore();

    QString get(const QString &section, const QString &key, const QString &defaultValue = QString()) const;
    void set(const QString &section, const QString &key, const QString &value);
    void deleteSection(const QString &section);
    bool hasSection(const QString &section) const;
    // Writes pending changes to the file; false when they could not all be written.
    [[nodiscard]] bool sync();
    QString fileName() const;
    // Why the store's file cannot be used (something other than a regular file stands at its
    // path, which is never opened then): values are kept for the run only. Empty when usable.
    QString refusal() const { return m_refusal; }

    // The store every part of the program uses. Its file is the standard per-user location
    // unless redirected first; tests redirect it into their own folder.
    static SettingsStore &instance();
    static void redirect(const QString &iniPath);
    static QString defaultPath();

private:
    QString actualKey(const QString &section, const QString &key) const;
    // Before the first write: a new file is made owner-only (it holds a password), and the
    // writes that follow keep its mode.
    void prepareFile();
    std::unique_ptr<QSettings> m_settings;
    QString m_path;
    QString m_refusal;
    bool m_prepared = false;
};
