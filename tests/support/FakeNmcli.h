#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

// Our fake nmcli (tests/data/fake_nmcli) first on PATH while this lives, keeping its connections
// (name, uuid, type, active, user; tab-separated lines) in the folder's nm-state file. PATH is
// put back as it was, and the faults a test asks of it (FAKE_NMCLI_FAIL, FAKE_NMCLI_SLEEP) end.
class FakeNmcli
{
public:
    // The state file as it is: none means no connections.
    explicit FakeNmcli(const QString &folder) : m_state(folder + QStringLiteral("/nm-state")), m_path(qgetenv("PATH"))
    {
        qputenv("PATH", QByteArray(ZANDRIFT_TEST_DATA "/fake_nmcli:") + m_path);
        qputenv("FAKE_NMCLI_STATE", m_state.toUtf8());
        qunsetenv("FAKE_NMCLI_FAIL");
        qunsetenv("FAKE_NMCLI_SLEEP");
    }
    FakeNmcli(const QString &folder, const QByteArray &state) : FakeNmcli(folder) { write(state); }
    ~FakeNmcli()
    {
        qputenv("PATH", m_path);
        qunsetenv("FAKE_NMCLI_FAIL");
        qunsetenv("FAKE_NMCLI_SLEEP");
    }
    FakeNmcli(const FakeNmcli &) = delete;
    FakeNmcli &operator=(const FakeNmcli &) = delete;

    void write(const QByteArray &state)
    {
        QFile f(m_state);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(state);
    }
    QByteArray read() const
    {
        QFile f(m_state);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QString m_state;
    QByteArray m_path;
};
