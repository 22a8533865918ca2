#include "platform_gui/SelectAllText.h"

#include <QLineEdit>
#include <QPlainTextEdit>

void SelectAllText(QLineEdit *box)
{
    if (box && !box->text().isEmpty())
        box->selectAll();
}

void SelectAllText(QPlainTextEdit *box)
{
    if (box && !box->document()->isEmpty())
        box->selectAll();
}
