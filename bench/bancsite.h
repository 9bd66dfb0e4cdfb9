#pragma once

#include <QStringList>

// "Chercher dans le site" and "Remplacer dans le site" on a generated site of
// 2,000 pages of 20 KB, beside the time to only read the same files.
void printSiteSearch(int runs);
int runSiteSearchChild(const QStringList &arguments);
