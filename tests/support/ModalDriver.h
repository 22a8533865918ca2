#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <functional>

// Acts on the modal dialog of type T once it is up (call before the code that opens it).
// When no such dialog comes up within the time limit, whatever modal dialog is open is ended
// as rejected, so a test fails instead of hanging; so is the dialog when act leaves it open
// for as long. *acted tells whether act ran.
template <typename T> void whenModal(std::function<void(T &)> act, bool *acted = nullptr, int timeoutMs = 5000)
{
    if (acted)
        *acted = false;
    auto *poll = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, clock, act, acted, timeoutMs] {
        if (auto *d = qobject_cast<T *>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            poll->stop();
            if (acted)
                *acted = true;
            QPointer<QDialog> open(d);
            act(*d);
            // An act that leaves the dialog open must not leave the test waiting either.
            QTimer::singleShot(timeoutMs, qApp, [open] {
                if (open && open->isVisible())
                    open->done(QDialog::Rejected);
            });
            return;
        }
        if (clock->elapsed() > timeoutMs) {
            poll->stop();
            poll->deleteLater();
            if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                d->done(QDialog::Rejected);
        }
    });
    poll->start(10);
}
