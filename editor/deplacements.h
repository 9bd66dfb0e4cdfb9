#pragma once

#include <vector>

// The edits made to a text since some moment, to carry an offset of the text of
// then into the text of now: rows found in a copy of the text, on a worker, while
// the user typed on.
class Deplacements
{
public:
    // An edit, as QTextDocument::contentsChange tells it.
    void note(int position, int retires, int ajoutes);

    // The offset of now for an offset of then. A character removed since gives
    // the place where it stood, and *supprime is set.
    int porte(int position, bool *supprime) const;

private:
    struct Edition
    {
        int position;
        int retires;
        int ajoutes;
    };
    std::vector<Edition> editions;
};
