#include "colonnes.h"

#include <QChar>

#include <algorithm>
#include <limits>

namespace Colonnes {

int colonne(QStringView ligne, qsizetype position)
{
    position = std::clamp<qsizetype>(position, 0, ligne.size());
    // Each low half of a pair that stands before the position shares the column
    // of its high half.
    qsizetype colonne = position + 1;
    for (qsizetype i = 1; i < position; ++i) {
        if (ligne.at(i).isLowSurrogate() && ligne.at(i - 1).isHighSurrogate())
            --colonne;
    }
    return int(std::min<qsizetype>(colonne, std::numeric_limits<int>::max()));
}

qsizetype position(QStringView ligne, int colonne)
{
    qsizetype position = 0;
    for (int c = 1; c < colonne && position < ligne.size(); ++c) {
        if (ligne.at(position).isHighSurrogate() && position + 1 < ligne.size()
            && ligne.at(position + 1).isLowSurrogate())
            position += 2;
        else
            ++position;
    }
    return position;
}

} // namespace Colonnes
