#pragma once

#include <QTextEdit>

// The editing widget: a plain QTextEdit that tells when the Insert key was pressed
// and takes whatever a paste or a drop brings as plain text.
class monQTextEdit : public QTextEdit
{
    Q_OBJECT

public:
    explicit monQTextEdit(QWidget *parent);

signals:
    void insertKeyPressed();

protected:
    void keyPressEvent(QKeyEvent *e) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
};
