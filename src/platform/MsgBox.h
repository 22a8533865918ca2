#pragma once

#include <QString>
#include <functional>
#include <optional>

// Every message box of the program goes through here. The window installs a handler that
// shows a real box; tests install one that answers in advance and records what was asked.
namespace MsgBox {

enum class Icon
{
    None,
    Information,
    Exclamation,
    Critical,
    Question
};
enum class Buttons
{
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel
};
enum class Answer
{
    Ok,
    Cancel,
    Yes,
    No
};

struct Request
{
    QString prompt;
    QString title;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    // The button that Enter presses; the first one when not given.
    std::optional<Answer> defaultAnswer;
    // False for a box shown without waiting for its answer (OK only): nothing may hold up a snipe.
    bool waits = true;
};

using Handler = std::function<Answer(const Request &)>;

Answer show(const QString &prompt, const QString &title, Icon icon = Icon::None, Buttons buttons = Buttons::Ok,
            std::optional<Answer> defaultAnswer = std::nullopt);
// A box with OK only that returns at once, while the box stays until the user closes it.
void notify(const QString &prompt, const QString &title, Icon icon);
// Installs a handler and returns the one it replaces. Without one, boxes are written to
// standard error and answered with the first button. Every test runs with a handler that fails
// the test on a box it did not script.
Handler setHandler(Handler handler);

} // namespace MsgBox
