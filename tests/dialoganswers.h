#pragma once

#include <algorithm>
#include <functional>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include "testsupport.h"

// Answers, one after the other, the modal dialogs and message boxes that open while
// it lives, also a box that opens inside one of its own answers, and keeps a line
// for each in log(): "Title | text" for a message box, "Title in folder" for a file
// dialog. A modal widget with no answer left, or one that its answer left open, is
// logged as "unexpected: ..." or "left open: ..." and closed, so a test never hangs
// on a dialog.
class DialogAnswers
{
public:
    using Answer = std::function<void(QWidget *)>;

    DialogAnswers()
    {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] { poll(); });
        timer.start();
    }

    DialogAnswers &then(Answer answer)
    {
        answers.append(std::move(answer));
        return *this;
    }

    // Presses the button of a message box whose text is label ("Escape" presses the
    // Escape key instead).
    DialogAnswers &press(const QString &label)
    {
        return then([this, label](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box) {
                lines << QStringLiteral("not a message box: ") + modal->windowTitle();
                return;
            }
            lines << box->windowTitle() + QStringLiteral(" | ") + box->text();
            orders << buttonOrder(box);
            if (QGuiApplication::overrideCursor())
                lines << QStringLiteral("wait cursor over the box");
            if (label == QLatin1String("Escape")) {
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            for (QAbstractButton *button : box->buttons()) {
                if (button->text().remove(QLatin1Char('&')) == label) {
                    button->click();
                    return;
                }
            }
            lines << QStringLiteral("no button ") + label;
        });
    }

    // Types path as the file name of a file dialog and accepts it; afterwards, when
    // given, runs whatever must happen between the dialog and the program's use of
    // the name.
    DialogAnswers &choose(const QString &path, std::function<void()> afterwards = {})
    {
        return then([this, path, afterwards](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            if (!logFileDialog(modal, dialog))
                return;
            auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (edit)
                edit->setText(path);
            else
                dialog->selectFile(path);
            static_cast<QDialog *>(dialog)->accept();
            if (afterwards)
                afterwards();
        });
    }

    // Cancels a file dialog.
    DialogAnswers &cancel()
    {
        return then([this](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            if (logFileDialog(modal, dialog))
                dialog->reject();
        });
    }

    const QStringList &log() const { return lines; }
    // The buttons of each message box answered with press(), left to right.
    const QStringList &buttonOrders() const { return orders; }
    int unanswered() const { return int(answers.size()); }

private:
    static QString buttonOrder(const QMessageBox *box)
    {
        QList<QAbstractButton *> buttons = box->buttons();
        std::sort(buttons.begin(), buttons.end(), [](QAbstractButton *a, QAbstractButton *b) {
            return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
        });
        QStringList texts;
        for (const QAbstractButton *button : buttons)
            texts << button->text();
        return texts.join(QLatin1String(", "));
    }

    bool logFileDialog(QWidget *modal, QFileDialog *dialog)
    {
        if (!dialog) {
            lines << QStringLiteral("not a file dialog: ") + modal->windowTitle();
            return false;
        }
        lines << dialog->windowTitle() + QStringLiteral(" in ")
                + dialog->directory().absolutePath();
        return true;
    }

    // An answer that clicks may open a box in a nested modal loop (a save dialog's
    // question on an existing name). The timer that runs the answer does not fire
    // again before its slot returns, so a timer of the next depth watches while the
    // answer runs, and the box goes to the next answer; the modals being answered
    // further out are left to their own answers. The deeper timer ticks a little
    // more slowly, so that a watcher an answer starts for itself sees its box first.
    void poll()
    {
        QPointer<QWidget> modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || handling.contains(modal))
            return;
        handling.append(modal);
        QTimer deeper;
        deeper.setInterval(20);
        QObject::connect(&deeper, &QTimer::timeout, &deeper, [this] { poll(); });
        deeper.start();

        const bool expected = !answers.isEmpty();
        if (expected) {
            answers.takeFirst()(modal);
        } else {
            QString what = modal->windowTitle();
            if (auto *box = qobject_cast<QMessageBox *>(modal.data()))
                what += QStringLiteral(" | ") + box->text();
            lines << QStringLiteral("unexpected: ") + what;
        }
        if (modal && modal->isVisible() && QApplication::activeModalWidget() == modal) {
            if (expected)
                lines << QStringLiteral("left open: ") + modal->windowTitle();
            if (auto *dialog = qobject_cast<QDialog *>(modal.data()))
                dialog->reject();
            else
                modal->close();
        }
        handling.removeAll(modal);
        handling.removeAll(nullptr);
    }

    QTimer timer;
    QList<Answer> answers;
    QStringList lines;
    QStringList orders;
    QList<QPointer<QWidget>> handling;
};

// No dialog opened that the test did not answer, none was left open, and no wait
// cursor stayed on, over a box or after the command.
inline bool cleanRun(const DialogAnswers &answers)
{
    for (const QString &line : answers.log()) {
        if (line.startsWith(QLatin1String("unexpected")) || line.startsWith(QLatin1String("left"))
            || line.startsWith(QLatin1String("not a"))
            || line.startsWith(QLatin1String("no button"))
            || line.startsWith(QLatin1String("wait cursor"))) {
            qWarning("%s", qPrintable(line));
            return false;
        }
    }
    if (answers.unanswered() != 0) {
        qWarning("%d answers left unused", answers.unanswered());
        return false;
    }
    if (QApplication::activeModalWidget() || QGuiApplication::overrideCursor()) {
        qWarning("a modal widget or the wait cursor remains");
        return false;
    }
    return true;
}

// Opens path with the "Ouvrir" command, as the user would.
inline bool openThroughDialog(KalTextEdit *window, const QString &path)
{
    DialogAnswers answers;
    answers.choose(path);
    TestSupport::action(window, QStringLiteral("fileOpenAct"))->trigger();
    if (answers.log().size() != 1)
        qWarning("%s", qPrintable(answers.log().join(QLatin1Char('\n'))));
    return cleanRun(answers) && answers.log().size() == 1;
}
