#pragma once

#include <QLabel>
#include <QMouseEvent>

// A status-bar label that answers a click, as a button would.
class LabelCliquable : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton) {
            QLabel::mousePressEvent(event);
            return;
        }
        event->accept();
        emit clicked();
    }
};
