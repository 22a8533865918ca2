#pragma once

class QWidget;

// Shows the program's message boxes as real QMessageBoxes, owned by the window the owner
// function gives at the moment of the box (the main window, or the dialog in front of it).
namespace QtMsgBox {
void install();
} // namespace QtMsgBox
