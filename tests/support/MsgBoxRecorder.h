#pragma once

#include "platform/MsgBox.h"

#include <QList>

// Scripts the message boxes shown while it lives: records each and answers it from answers,
// then with the preset answer. Outside a recorder a box fails the test.
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
