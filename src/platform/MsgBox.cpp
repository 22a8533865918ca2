#include "MsgBox.h"

#include <cstdio>

namespace MsgBox {

namespace {
Handler &current()
{
    static Handler h;
    return h;
}
} // namespace

Answer show(const QString &prompt, const QString &title, Icon icon, Buttons buttons,
            std::optional<Answer> defaultAnswer)
{
    const Request req{prompt, title, icon, buttons, defaultAnswer};
    if (current())
        return current()(req);
    std::fprintf(stderr, "[%s] %s\n", qPrintable(title), qPrintable(prompt));
    switch (buttons) {
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        return Answer::Yes;
    default:
        return Answer::Ok;
    }
}

Handler setHandler(Handler handler)
{
    Handler old = std::move(current());
    current() = std::move(handler);
    return old;
}

} // namespace MsgBox
