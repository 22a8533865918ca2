#pragma once

#include "MsgBox.h"

#include <QList>

// Records every message box shown while it lives and answers each with a preset answer.
class MsgBoxRecorder
{
public:
    explicit MsgBoxRecorder(MsgBox::Answer answer = MsgBox::Answer::Ok)
    {
        m_previous = MsgBox::setHandler([this, answer](const MsgBox::Request &r) {
            boxes.append(r);
            return answers.isEmpty() ? answer : answers.takeFirst();
        });
    }
    ~MsgBoxRecorder() { MsgBox::setHandler(m_previous); }

    QList<MsgBox::Request> boxes;
    QList<MsgBox::Answer> answers; // taken first, before the preset answer

private:
    MsgBox::Handler m_previous;
};
