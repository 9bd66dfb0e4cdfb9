#pragma once

#include <QString>

// A generated site in folder: pages pages of about pageSize bytes each (the
// generator's HTML in ISO 8859-1), spread over folders of a hundred, each with
// links links: to other pages, to their anchors (across folders), to images
// and a stylesheet, one in a hundred broken. The same for the same arguments.
bool generateSite(const QString &folder, int pages, qsizetype pageSize, int links);
