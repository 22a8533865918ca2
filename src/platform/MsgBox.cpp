#include "platform/MsgBox.h"

#include <cstdio>

namespace MsgBox {

namespace {
Handler &current()
{
    static Handler h;
    return h;
}
} // namespace

namespace {
Answer ask(const Request &req)
{
    if (current())
        return current()(req);
    std::fprintf(stderr, "[%s] %s\n", qPrintable(req.title), qPrintable(req.prompt));
    switch (req.buttons) {
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        return Answer::Yes;
    default:
        return Answer::Ok;
    }
}
} // namespace

Answer show(const QString &prompt, const QString &title, Icon icon, Buttons buttons,
            std::optional<Answer> defaultAnswer)
{
    return ask(Request{prompt, title, icon, buttons, defaultAnswer});
}

void notify(const QString &prompt, const QString &title, Icon icon)
{
    Request req{prompt, title, icon, Buttons::Ok, std::nullopt};
    req.waits = false;
    ask(req);
}

Handler setHandler(Handler handler)
{
    Handler old = std::move(current());
    current() = std::move(handler);
    return old;
}

} // namespace MsgBox
