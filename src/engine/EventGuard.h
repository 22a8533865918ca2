#pragma once

#include <exception>
#include <utility>

class QString;

// Every entry from the event loop (a menu or toolbar command, a timer, a dialog's button, the
// close, minimising, the tray, a drop) runs its work through runGuarded(): whatever the program
// throws is reported as that procedure's error and goes no further. An exception that reaches
// Qt's event loop ends the program.
enum class ErrorReport
{
    // The user did something: a message box says what failed; the general log keeps it too.
    Message,
    // It runs by itself (a timer's tick, a step inside a handler): a general-log row only, so a
    // tick that keeps failing does not pile up boxes.
    Log,
};

namespace event_guard {
// "Error in <procedure>: <what the error says>", for any error the program raises.
QString errorText(const char *procedure, const std::exception_ptr &error);
// Reports the error; never throws, whatever fails while reporting.
void report(const char *procedure, ErrorReport how, const std::exception_ptr &error) noexcept;
} // namespace event_guard

// While one lives, the first error reported as a message shows its box and every later one
// goes to the general log only: one step of the user's, such as the start, says once what
// failed however many of its parts meet the same locked or damaged database.
class ReportOnce
{
public:
    ReportOnce();
    ~ReportOnce();
    ReportOnce(const ReportOnce &) = delete;
    ReportOnce &operator=(const ReportOnce &) = delete;

private:
    bool m_outer;
};

// Runs work; false when it threw, once the error has been reported.
template <typename Work> bool runGuarded(const char *procedure, ErrorReport how, Work &&work) noexcept
{
    try {
        std::forward<Work>(work)();
        return true;
    } catch (...) {
        event_guard::report(procedure, how, std::current_exception());
        return false;
    }
}
