#pragma once

#include <QByteArray>

// Realistic HTML source in ISO 8859-1, about size bytes long, the same for the
// same seed: paragraphs with quoted attributes, tables, comments, short and very
// long lines, accented letters and non-breaking spaces.
QByteArray generateHtml(qsizetype size, quint32 seed = 1);

// The same page written and declared in UTF-8.
QByteArray generateHtmlUtf8(qsizetype size, quint32 seed = 1);

// The same page in Russian, written and declared in windows-1251: each accented
// letter is a Cyrillic one.
QByteArray generateHtml1251(qsizetype size, quint32 seed = 1);
