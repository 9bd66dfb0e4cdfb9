#pragma once

#include <QApplication>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers, in order, the modal widgets that open while it lives. A modal widget
// for which no answer is left, or that an answer left open, is noted in
// unexpected() and closed, so that a test can neither hang nor leak a watcher
// into the next test.
class ModalScript
{
public:
    using Answer = std::function<void(QWidget *)>;

    ModalScript()
    {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] { poll(); });
        timer.start();
    }

    ModalScript &then(Answer answer)
    {
        answers.append(std::move(answer));
        return *this;
    }

    int answered() const { return count; }
    int unanswered() const { return int(answers.size()); }
    const QStringList &unexpected() const { return strays; }

private:
    void poll()
    {
        QPointer<QWidget> modal = QApplication::activeModalWidget();
        if (busy || !modal || !modal->isVisible())
            return;
        busy = true;
        const bool expected = !answers.isEmpty();
        if (expected) {
            ++count;
            answers.takeFirst()(modal);
        } else {
            strays << QString::fromLatin1(modal->metaObject()->className()) + QLatin1Char(' ')
                    + modal->windowTitle();
        }
        // An answer closes its widget; whatever is still open was not meant to stay.
        if (modal && modal->isVisible() && QApplication::activeModalWidget() == modal) {
            if (expected)
                strays << QStringLiteral("left open: ") + modal->windowTitle();
            if (auto *dialog = qobject_cast<QDialog *>(modal.data()))
                dialog->reject();
            else
                modal->close();
        }
        busy = false;
    }

    QTimer timer;
    QList<Answer> answers;
    QStringList strays;
    int count = 0;
    bool busy = false;
};
