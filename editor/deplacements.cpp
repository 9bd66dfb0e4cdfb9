#include "deplacements.h"

void Deplacements::note(int position, int retires, int ajoutes)
{
    // Typing goes on next to the last edit: one edit with it, so that a long
    // session of typing costs no more to carry through than one word.
    if (!editions.empty()) {
        Edition &derniere = editions.back();
        if (retires == 0 && position == derniere.position + derniere.ajoutes) {
            derniere.ajoutes += ajoutes;
            return;
        }
    }
    editions.push_back({position, retires, ajoutes});
}

int Deplacements::porte(int position, bool *supprime) const
{
    for (const Edition &e : editions) {
        if (position < e.position)
            continue;
        if (position < e.position + e.retires) {
            *supprime = true;
            position = e.position;
        } else {
            position += e.ajoutes - e.retires;
        }
    }
    return position;
}
