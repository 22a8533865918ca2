#include "platform/DialUpComponent.h"

#include <optional>

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>

namespace {
constexpr int kNmNotRunning = 8;
constexpr int kInteractiveWaitSecs = 60;
constexpr int kSecretsWaitSecs = 8;

// nmcli's terse output: fields split at ":", with "\:" and "\\" escaped.
QStringList splitTerse(const QString &line)
{
    QStringList fields(QString{});
    for (int i = 0; i < line.size(); ++i) {
        const QChar ch = line.at(i);
        if (ch == QLatin1Char('\\') && i + 1 < line.size())
            fields.last() += line.at(++i);
        else if (ch == QLatin1Char(':'))
            fields.append(QString());
        else
            fields.last() += ch;
    }
    return fields;
}

// The setting that holds a profile's credentials.
QString credentialSetting(const QString &type)
{
    if (type == QLatin1String("cdma") || type == QLatin1String("pppoe"))
        return type;
    return QStringLiteral("gsm");
}
} // namespace

DialUpComponent::DialUpComponent() : m_program(QStandardPaths::findExecutable(QStringLiteral("nmcli"))) {}

QStringList DialUpComponent::dialUpTypes()
{
    return {QStringLiteral("ppp"), QStringLiteral("gsm"), QStringLiteral("cdma"), QStringLiteral("pppoe"),
            QStringLiteral("bluetooth")};
}

void DialUpComponent::raise(int number, const QString &text)
{
    m_lastError = ErrorInfo{number, text};
    throw DialUpError(number, text);
}

DialUpComponent::Result DialUpComponent::run(const QStringList &args, int limitMs, bool keepEventsFlowing)
{
    if (m_program.isEmpty())
        return {};
    // One bound for starting and answering together.
    const QDeadlineTimer deadline(limitMs);
    QProcess p;
    p.start(m_program, args);
    if (!p.waitForStarted(static_cast<int>(deadline.remainingTime())))
        raise(errNotConfigured, QStringLiteral("nmcli could not be started: ") + p.errorString());
    bool finished = false;
    if (keepEventsFlowing) {
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        limit.start(static_cast<int>(deadline.remainingTime()));
        if (p.state() != QProcess::NotRunning)
            loop.exec();
        finished = p.state() == QProcess::NotRunning;
    } else {
        finished = p.waitForFinished(static_cast<int>(deadline.remainingTime()));
    }
    if (!finished) {
        p.kill();
        p.waitForFinished(200);
        raise(errNoAnswer, QStringLiteral("nmcli did not answer within %1 ms").arg(limitMs));
    }
    if (p.exitStatus() != QProcess::NormalExit)
        raise(errNotConfigured, QStringLiteral("nmcli stopped unexpectedly"));
    const int code = p.exitCode();
    if (code == kNmNotRunning)
        return {};
    if (code != 0) {
        QString text = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        if (text.isEmpty())
            text = QStringLiteral("nmcli failed with exit code %1").arg(code);
        switch (code) {
        case 2:
            raise(errNotSupported, text);
        case 3:
            raise(errNoAnswer, text);
        case 4:
            raise(errDeviceError, text);
        case 5:
        case 6:
            raise(errBadHandle, text);
        case 10:
            raise(errNoSuchEntry, text);
        default:
            raise(errOtherBase + code, text);
        }
    }
    return {true, QString::fromLocal8Bit(p.readAllStandardOutput())};
}

std::vector<QStringList> DialUpComponent::table(const QStringList &args, int limitMs)
{
    std::vector<QStringList> rows;
    const Result r = run(args, limitMs);
    const QStringList types = dialUpTypes();
    for (const QString &line : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = splitTerse(line);
        if (f.size() >= 3 && types.contains(f.at(2)))
            rows.push_back(f);
    }
    return rows;
}

void DialUpComponent::loadEntries()
{
    if (m_entriesLoaded)
        return;
    m_entriesLoaded = true;
    for (const QStringList &f : table({QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("NAME,UUID,TYPE"),
                                       QStringLiteral("connection"), QStringLiteral("show")},
                                      timeoutMs))
        m_entries.push_back(DialUpEntry{f.at(0), QString(), QString(), f.at(1), f.at(2)});
}

void DialUpComponent::loadConnections()
{
    if (m_connectionsLoaded)
        return;
    m_connectionsLoaded = true;
    for (const QStringList &f :
         table({QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("NAME,UUID,TYPE,STATE"),
                QStringLiteral("connection"), QStringLiteral("show"), QStringLiteral("--active")},
               onlineTimeoutMs))
        m_connections.push_back(DialUpConnection{f.at(0), f.value(3), f.at(1), f.at(2)});
}

int DialUpComponent::PhoneBookCount()
{
    loadEntries();
    return static_cast<int>(m_entries.size());
}

DialUpEntry &DialUpComponent::PhoneBookEntry(int index)
{
    loadEntries();
    if (index < 0 || index >= static_cast<int>(m_entries.size()))
        raise(errNoSuchEntry, QStringLiteral("There is no phone-book entry %1").arg(index));
    return m_entries[static_cast<size_t>(index)];
}

int DialUpComponent::OpenConnectionCount()
{
    loadConnections();
    return static_cast<int>(m_connections.size());
}

DialUpConnection DialUpComponent::OpenConnection(int index)
{
    loadConnections();
    if (index < 0 || index >= static_cast<int>(m_connections.size()))
        raise(errBadHandle, QStringLiteral("There is no open connection %1").arg(index));
    return m_connections[static_cast<size_t>(index)];
}

void DialUpComponent::RemoveConnection(int index)
{
    const DialUpConnection c = OpenConnection(index);
    run({QStringLiteral("connection"), QStringLiteral("down"), QStringLiteral("uuid"), c.uuid}, timeoutMs);
}

void DialUpComponent::DialEntry(const DialUpEntry &entry, bool interactive)
{
    if (m_program.isEmpty())
        raise(errNotConfigured, QStringLiteral("NetworkManager's nmcli is not installed"));
    const QString setting = credentialSetting(entry.type);
    // The user name overrides the profile's for this connection only (--temporary), and a
    // failure to set it does not stop the dial: it is reported once the dial has been asked for.
    std::optional<DialUpError> userNameError;
    if (!entry.UserName.isEmpty()) {
        try {
            run({QStringLiteral("connection"), QStringLiteral("modify"), QStringLiteral("--temporary"),
                 QStringLiteral("uuid"), entry.uuid, setting + QStringLiteral(".username"), entry.UserName},
                timeoutMs);
        } catch (const DialUpError &e) {
            userNameError = e;
        }
    }
    if (entry.Password.contains(QLatin1Char('\n')) || entry.Password.contains(QLatin1Char('\r')))
        raise(errNotConfigured, QStringLiteral("The dial-up password holds a line break"));
    // nmcli hands a passwd-file's secrets over only while it runs: give it a few seconds then.
    const int waitSecs = interactive ? kInteractiveWaitSecs : (entry.Password.isEmpty() ? 0 : kSecretsWaitSecs);
    QStringList args{QStringLiteral("--wait"), QString::number(waitSecs), QStringLiteral("connection"),
                     QStringLiteral("up"),     QStringLiteral("uuid"),    entry.uuid};
    // The password goes in a private file, never on the command line where others could read it.
    QTemporaryFile secrets;
    if (!entry.Password.isEmpty()) {
        if (!secrets.open())
            raise(errNotConfigured, QStringLiteral("Cannot write the password file"));
        secrets.write((setting + QStringLiteral(".password:") + entry.Password + QLatin1Char('\n')).toUtf8());
        secrets.flush();
        args << QStringLiteral("passwd-file") << secrets.fileName();
    }
    if (!run(args, waitSecs * 1000 + timeoutMs, true).ran)
        raise(errNotConfigured, QStringLiteral("NetworkManager is not running"));
    m_connectionsLoaded = false;
    m_connections.clear();
    if (userNameError)
        raise(userNameError->number(), userNameError->text());
}
