#pragma once

#include "kaltextedit.h"

#include <QAbstractTextDocumentLayout>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <memory>

class HighlighterHtml;
class JournalRecuperation;
class monQTextEdit;
class QAction;
class QLabel;
class QToolBar;

// Reaches the editor window's state from the tests.
class KalTextEditTestAccess
{
public:
    explicit KalTextEditTestAccess(KalTextEdit *window)
        : w(window)
    { }

    monQTextEdit *textEdit() const { return w->textEdit; }
    QString &currentFile() const { return w->currentFile; }
    QString &currentDir() const { return w->currentDir; }
    QString &programDir() const { return w->programDir; }
    QString &helpDir() const { return w->helpDir; }
    QString &optionsFile() const { return w->optionsFile; }
    QString &strAlignement() const { return w->strAlignement; }
    QString &strCherche() const { return w->strCherche; }
    QString &strRemplace() const { return w->strRemplace; }
    QString &windowTitleText() const { return w->windowTitleText; }
    QFont &editorFont() const { return w->editorFont; }
    bool &respecteCasse() const { return w->respecteCasse; }
    bool &motsEntiers() const { return w->motsEntiers; }
    bool &expressionReguliere() const { return w->expressionReguliere; }
    bool &isHtml() const { return w->isHtml; }
    bool &optionsModifiees() const { return w->optionsModifiees; }
    const char *codecName() const { return w->codecName; }
    Lisorel *browser() const { return w->browser; }
    HighlighterHtml *highlighter() const { return w->highlighter; }
    QLabel *labelAlignement() const { return w->labelAlignement; }
    QLabel *labelInsertion() const { return w->labelInsertion; }
    QLabel *labelModif() const { return w->labelModif; }
    QToolBar *toolBar() const { return w->toolBar; }
    QToolBar *toolBarB() const { return w->toolBarB; }
    JournalRecuperation *journal() const { return w->journal; }

    bool aSelection() const { return w->aSelection(); }
    void insereBalises(const QString &o, const QString &f, int d, int l) const
    {
        w->insereBalises(o, f, d, l);
    }
    void deplaceCurseur(int d, int l) const { w->deplaceCurseur(d, l); }
    void insereRetourLigne() const { w->insereRetourLigne(); }
    bool litOptions() const { return w->litOptions(); }
    bool ecritOptions() const { return w->ecritOptions(); }
    void setCurrentFile(const QString &name) const { w->setCurrentFile(name); }
    void majTypeDocument(const QString &name) const { w->majTypeDocument(name); }
    void activeCommandesHtml(bool on) const { w->activeCommandesHtml(on); }
    bool setDocumentEncodingName(const QString &name) const
    {
        return w->setDocumentEncodingName(name);
    }

private:
    KalTextEdit *w;
};

namespace TestSupport {

// Once per test program: the embedded images, Qt's own (non-native) dialogs.
void init();

// An editor window whose program folder is a fresh temporary folder, so that
// marlisse.opt and the help folder of one test never leak into another.
struct EditorFixture
{
    EditorFixture();
    ~EditorFixture();
    QString programFolder() const { return dir.path(); }
    QString programPath() const { return dir.path() + QLatin1String("/marlisse"); }

    QTemporaryDir dir;
    QPointer<KalTextEdit> window;
};

// Runs handler on the next modal widget that opens (within timeoutMs), from a timer,
// so that a test can drive a modal dialog that is about to be executed.
void whenModalShows(std::function<void(QWidget *)> handler, int timeoutMs = 5000);

// Stops every watcher of whenModalShows still waiting (done when a fixture ends).
void stopModalWatchers();

// Closes any modal widget left open, reporting whether one was found.
bool closeStrayModals();

// The action of a window by its object name; a missing one is reported.
QAction *action(QWidget *window, const QString &name);

// A file's bytes, or "<cannot read>"; and a file written whole, folders made.
QByteArray readBytes(const QString &path);
bool writeBytes(const QString &path, const QByteArray &bytes);

// The user data folder of this test process, fresh and its own.
QString dataFolder();

// True in a child started by runOnScreen.
bool inScreenChild();

// Runs testFunction of this test program, for the current data row, in a child
// process on an offscreen screen of the given size, with the environment variables
// given as "NAME=value" too; returns "" when it passed, else what the child printed.
QString runOnScreen(const QSize &screen, const QString &testFunction,
                    const QStringList &environment = QStringList());

// A layout that lays nothing out: the document reports its edits, as it does to a
// view, at no cost however long its text.
class NoLayout : public QAbstractTextDocumentLayout
{
public:
    using QAbstractTextDocumentLayout::QAbstractTextDocumentLayout;
    void draw(QPainter *, const PaintContext &) override { }
    int hitTest(const QPointF &, Qt::HitTestAccuracy) const override { return -1; }
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override { return QSizeF(); }
    QRectF frameBoundingRect(QTextFrame *) const override { return QRectF(); }
    QRectF blockBoundingRect(const QTextBlock &) const override { return QRectF(); }

protected:
    void documentChanged(int, int, int) override { }
};

// Presses the button labelled text (mnemonic markers ignored) of a message box or dialog.
bool clickButton(QWidget *dialog, const QString &text);

} // namespace TestSupport
