#pragma once

#include <QTextEdit>

// The editing widget: a plain QTextEdit that tells when the Insert key was pressed.
class monQTextEdit : public QTextEdit
{
    Q_OBJECT

public:
    explicit monQTextEdit(QWidget *parent);

signals:
    void insertKeyPressed();

protected:
    void keyPressEvent(QKeyEvent *e) override;
};
