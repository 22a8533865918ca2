#pragma once

class QLineEdit;
class QPlainTextEdit;

// Selects the whole text of a box, so that what the user types next replaces it. An empty box
// is left alone.
void SelectAllText(QLineEdit *box);
void SelectAllText(QPlainTextEdit *box);
