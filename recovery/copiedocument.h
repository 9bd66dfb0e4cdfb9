#pragma once

#include <QObject>
#include <QString>
#include <QTextBlock>
#include <QTimer>

class QTextDocument;

// A copy of a document's text, lines joined by '\n', made a slice at a time
// between events: copying a large document at once holds the event loop for
// longer than a keystroke should wait. A change meanwhile starts the copy over;
// after a few, the rest is copied at once, so that typing cannot delay it for ever.
class CopieDocument : public QObject
{
    Q_OBJECT

public:
    CopieDocument(QTextDocument *document, QObject *parent);

    // Starts a copy, or starts again the one under way.
    void demarre();
    // Drops the copy under way: copiee() will not come for it.
    void arrete()
    {
        minuterie.stop();
        texte = QString();
    }
    bool enCours() const { return minuterie.isActive(); }

signals:
    // The text, and the document's revision it is the text of.
    void copiee(const QString &texte, int revision);

private:
    void morceau();

    QTextDocument *document;
    QTimer minuterie;
    QString texte;
    QTextBlock suivant;
    int revision = -1;
    int reprises = 0;
};
