// The recovery journal: the text of a modified document kept on disk, and given
// back at the next start when the program died before it was saved.

#include "kaltextedit.h"

#include "boitesmessage.h"
#include "journalrecuperation.h"
#include "montextedit.h"
#include "reglages.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTextCursor>

namespace {

QString date(const QDateTime &quand)
{
    return QLocale(QLocale::French, QLocale::France)
        .toString(quand.toLocalTime(), QStringLiteral("dddd d MMMM yyyy 'à' HH:mm:ss"));
}

QString question(const DocumentRecupere &document)
{
    QString texte;
    if (document.fichier.isEmpty()) {
        texte = QStringLiteral("Le document «\u00a0Nouveau\u00a0» n'avait jamais été enregistré "
                               "quand Marlisse s'est arrêté.");
    } else {
        const QFileInfo fichier(document.fichier);
        texte = QStringLiteral("Le document «\u00a0%1\u00a0» n'était pas enregistré quand "
                               "Marlisse s'est arrêté.\nDossier\u00a0: %2")
                    .arg(fichier.fileName(), QDir::toNativeSeparators(fichier.path()));
    }
    texte += QStringLiteral("\nDernière modification\u00a0: %1.")
                 .arg(date(document.derniereModification));
    // Another program may have written the file since: taking the text back would
    // then hide that newer file.
    const auto disque = EtatFichier::surDisque(document.fichier);
    if (disque
        && disque->modification / 1000000 > document.derniereModification.toMSecsSinceEpoch()) {
        texte += QStringLiteral("\nLe fichier sur le disque est plus récent\u00a0: il a été "
                                "modifié le %1.")
                     .arg(date(
                         QDateTime::fromMSecsSinceEpoch(disque->modification / 1000000, Qt::UTC)));
    }
    return texte + QStringLiteral("\n\nRécupérer son texte\u00a0?");
}

QString raison(FormatJournal::Etat etat)
{
    switch (etat) {
    case FormatJournal::Etat::Vide:
        return QStringLiteral("vide");
    case FormatJournal::Etat::Abime:
        return QStringLiteral("abîmé");
    case FormatJournal::Etat::PlusRecent:
        return QStringLiteral("écrit par une version plus récente");
    case FormatJournal::Etat::Illisible:
    case FormatJournal::Etat::Lisible:
        break;
    }
    return QStringLiteral("illisible");
}

} // namespace

void KalTextEdit::demarreJournal()
{
    journal = new JournalRecuperation(
        textEdit->document(),
        [this](DocumentRecupere *document) {
            document->fichier = currentFile;
            document->html = isHtml;
            document->codage = documentEncodingName();
            document->declaration = declarationLue;
            document->marque = encodageDocument.bom;
            document->finsDeLigne = finsDeLigne;
            if (etatDisque.chemin == currentFile)
                document->disque = etatDisque;
        },
        this);
    // The editor works as well without: it says so once and goes on.
    connect(journal, &JournalRecuperation::recuperationImpossible, this,
            [this](const QString &message) { statusBar()->showMessage(message); });
    journal->demarre();
}

// The text was replaced by texte, not modified. QTextEdit does not always say
// so: an empty text put in place of another leaves the document unmodified after
// announcing it modified. The status bar and the journal are told here; the
// journal takes the text as it is, with no copy.
void KalTextEdit::texteRemplace(const QString &texte)
{
    slotMaJStatusBarreInfoModif(textEdit->document()->isModified());
    if (!journal)
        return;
    journal->nouveauTexte(texte);
    journal->supprime();
}

void KalTextEdit::proposeRecuperation()
{
    // A window without a journal of its own could not keep the text it takes
    // back; one whose document was touched has its own text to keep.
    if (!journal->actif() || textEdit->document()->isModified())
        return;

    std::vector<JournalAbandonne> journaux = JournalRecuperation::abandonnes();
    QStringList messages;
    QStringList ignores;
    for (const JournalAbandonne &ignore : journaux) {
        if (ignore.etat != FormatJournal::Etat::Lisible) {
            ignores << QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(ignore.chemin),
                                                     raison(ignore.etat));
        }
    }

    for (JournalAbandonne &offert : journaux) {
        if (offert.etat != FormatJournal::Etat::Lisible)
            continue;
        const Reponse reponse = questionOuiNonDifferable(this, QStringLiteral("Récupération"),
                                                         question(offert.document));
        if (reponse == Reponse::Non) {
            JournalRecuperation::retire(offert);
            continue;
        }
        // The journals not taken stay for the next start.
        if (reponse == Reponse::Oui) {
            messages << QStringLiteral("Texte récupéré.");
            // The text matters more than its encoding: a name this program does
            // not know leaves the one it has.
            if (!restaure(offert.document)) {
                messages << QStringLiteral("Encodage «\u00a0%1\u00a0» inconnu\u00a0: le texte "
                                           "sera enregistré en %2.")
                                .arg(offert.document.codage, documentEncodingName());
            }
            journal->adopte(std::move(offert));
        } else {
            messages << QStringLiteral("Récupération remise au prochain démarrage.");
        }
        break;
    }

    if (!ignores.isEmpty()) {
        messages << (ignores.size() == 1
                         ? QStringLiteral("Journal de récupération ignoré, laissé en place\u00a0: ")
                         : QStringLiteral("Journaux de récupération ignorés, laissés en "
                                          "place\u00a0: "))
                + ignores.join(QLatin1String(", "));
    }
    if (!messages.isEmpty())
        statusBar()->showMessage(messages.join(QLatin1Char(' ')));
}

// The text comes back as if its file had been opened and then edited: name,
// title, type, encoding, line ends, the file as it was read or saved, and the
// modified mark, the cursor at the start. False when the encoding's name is not
// known.
bool KalTextEdit::restaure(const DocumentRecupere &document)
{
    panneauAvantRemplacement();
    textEdit->setPlainText(document.texte);
    panneauDocumentCourant(document.fichier);
    journal->nouveauTexte(document.texte);
    auto encoding = DocumentEncoding::fromName(document.codage);
    const bool codageConnu = encoding.has_value();
    if (encoding && document.premierFormat) {
        // All a journal of the first format kept was the encoding's name: the
        // declaration the text holds stands for the one read.
        setDocumentEncodingName(document.codage);
    } else if (encoding) {
        // The declaration as read, not as edited: an edited one decides at the save.
        encoding->bom = document.marque;
        adopteEncodage(*encoding, document.declaration);
    }
    adopteFinsDeLigne(document.finsDeLigne);
    // The journal does not say whether the user chose the encoding: the choice
    // remembered for the file does.
    encodageChoisi = codageConnu && !document.fichier.isEmpty()
        && Reglages::encodageRetenu(document.fichier) == documentEncodingName();
    etatDisque = document.disque;
    if (document.premierFormat && !document.fichier.isEmpty()) {
        // Only the time of the last change is known to compare the file with.
        etatDisque = EtatFichier::connu(document.fichier, -1,
                                        document.derniereModification.toMSecsSinceEpoch() * 1000000,
                                        QByteArray());
    }
    if (document.fichier.isEmpty()) {
        currentFile.clear();
        windowTitleText = baseTitle + QStringLiteral(" - Nouveau");
        setWindowTitle(windowTitleText);
    } else {
        // Its file may have gone since: Ctrl+S makes it again.
        retientDossier(document.fichier);
        setCurrentFile(document.fichier);
    }
    isHtml = document.html;
    if (isHtml)
        refreshAlignmentLabel();
    else
        labelAlignement->setText(QString());
    activeCommandesHtml(isHtml);
    textEdit->moveCursor(QTextCursor::Start);
    textEdit->document()->setModified(true);
    return codageConnu;
}
