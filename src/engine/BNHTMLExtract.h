#pragma once

#include <QString>
#include <QStringView>

class BNParseScripElem;

// Pulls one piece of text out of a page, as a parse-script element describes it. Knows nothing
// of the site. Commands: "TRUEFALSE", "FORWARD", "BACKSLIP" (any case).
class BNHTMLExtract
{
public:
    // The extracted text. *ok is false (and the text empty) when FORWARD finds no CloseTag
    // after its OpenTag, or BACKSLIP has no CloseTag past the window's first 250 characters;
    // the callers treat that as "nothing extracted". Every other input gives a text.
    QString Extract(const QString &OpenTag, const QString &CloseTag, const QString &Catch, qint16 CaseNumber,
                    QStringView page, const QString &xType, bool *ok = nullptr) const;
    QString Extract(const BNParseScripElem &elem, QStringView page, bool *ok = nullptr) const;

    // The window FORWARD and BACKSLIP work in: from the Catch match, at most 500 characters
    // (case number below 2), or from its n-th occurrence to the end of the page. Null when the
    // page lacks Catch.
    static QStringView Window(QStringView page, const QString &OpenTag, const QString &Catch, qint16 CaseNumber);

    // QStringView::indexOf, quicker for the case-blind searches of a parse; same answers.
    static qsizetype IndexOf(QStringView hay, QStringView needle, qsizetype from, Qt::CaseSensitivity cs);

private:
    static QString TrueFalse(QStringView page, const QString &OpenTag, const QString &CloseTag, const QString &Catch);
    static QString Forward(QStringView window, const QString &OpenTag, const QString &CloseTag, bool *ok);
    static QString BackSlip(QStringView window, const QString &OpenTag, const QString &CloseTag, bool *ok);
};
