// The highlighter on random lines colours exactly as the straightforward rule-by-rule
// highlighter does.

#include "fuzzsupport.h"
#include "highlighterhtml.h"
#include "referencehighlighter.h"

#include <QGuiApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzzHeadless();
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text
        = validUtf16(fuzzText(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size))));
    QTextDocument fast;
    fast.documentLayout();
    HighlighterHtml highlighter(&fast);
    QTextDocument reference;
    reference.documentLayout();
    ReferenceHighlighter referenceHighlighter(&reference, highlighter.ruleList());
    fast.setPlainText(text);
    reference.setPlainText(text);
    FUZZ_CHECK(fast.blockCount() == reference.blockCount(), "block counts");
    for (QTextBlock a = fast.firstBlock(), b = reference.firstBlock(); a.isValid();
         a = a.next(), b = b.next()) {
        FUZZ_CHECK(a.layout()->formats() == b.layout()->formats(), "line %d: %s\n%s\n%s",
                   a.blockNumber(), qPrintable(a.text()), qPrintable(colourMap(a)),
                   qPrintable(colourMap(b)));
    }
    return 0;
}
