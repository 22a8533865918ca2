#include "engine/EventGuard.h"

#include "platform/Database.h"
#include "platform/DialUpComponent.h"
#include "platform/MsgBox.h"
#include "store/BSN_Log.h"
#include "store/Globals.h"

#include <QString>
#include <QThread>

namespace {
// Nested steps share the outermost ReportOnce's one box. A dialog opened meanwhile runs an event
// loop of its own, and what its buttons meet is the user's next step: that is said again.
bool g_reportingOnce = false;
bool g_boxShown = false;
int g_loopLevel = 0;
} // namespace

ReportOnce::ReportOnce() : m_outer(!g_reportingOnce)
{
    if (m_outer) {
        g_reportingOnce = true;
        g_boxShown = false;
        g_loopLevel = QThread::currentThread()->loopLevel();
    }
}

ReportOnce::~ReportOnce()
{
    if (m_outer)
        g_reportingOnce = false;
}

namespace event_guard {

namespace {

struct Described
{
    QString text;
    QString title;
    MsgBox::Icon icon = MsgBox::Icon::Critical;
};

Described describe(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const DbError &e) {
        return {e.message(), QStringLiteral("Database Error"), MsgBox::Icon::Exclamation};
    } catch (const DialUpError &e) {
        // Titled by its number, as the dial-up procedures show the component's errors.
        return {e.text(), QStringLiteral("Error: %1").arg(DialUpComponent::kObjectErrorBase + e.number())};
    } catch (const std::exception &e) {
        return {QString::fromUtf8(e.what()), QStringLiteral("Zandrift")};
    } catch (...) {
        return {QStringLiteral("an unknown error"), QStringLiteral("Zandrift")};
    }
}

} // namespace

QString errorText(const char *procedure, const std::exception_ptr &error)
{
    return QStringLiteral("Error in %1: %2").arg(QLatin1String(procedure), describe(error).text);
}

void report(const char *procedure, ErrorReport how, const std::exception_ptr &error) noexcept
{
    try {
        const Described d = describe(error);
        const QString text = errorText(procedure, error);
        try {
            if (gDB && gDB->isOpen())
                BSN_Log().MarkAuction(0, gCurrentUser ? gCurrentUser->PrimaryKey : 0, text);
        } catch (...) {
            // The database may be what failed: the message still goes out.
        }
        if (how == ErrorReport::Message && g_reportingOnce && QThread::currentThread()->loopLevel() == g_loopLevel) {
            if (g_boxShown)
                return;
            g_boxShown = true;
        }
        if (how == ErrorReport::Message)
            MsgBox::show(text, d.title, d.icon);
    } catch (...) {
    }
}

} // namespace event_guard
