// The preferences reader on any bytes: it never fails, always gives a usable font,
// and what it read is written and read back unchanged.

#include "fuzzsupport.h"
#include "preferencesfile.h"

#include <QGuiApplication>

using namespace PreferencesFile;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzzHeadless();
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const Preferences fallback {defaultFont(), QStringLiteral("/dossier/par défaut")};
    const Preferences read = parse(bytes, fallback);

    FUZZ_CHECK(read.font.pointSize() >= 1 && read.font.pointSize() <= 512, "size %d",
               read.font.pointSize());
    FUZZ_CHECK(!read.font.family().isEmpty(), "empty family");
    FUZZ_CHECK(!read.folder.isEmpty(), "empty folder");
    const int weight = read.font.weight();
    FUZZ_CHECK(weight >= 1 && weight <= 1000, "weight %d", weight);

    const QByteArray written = format(read.font, read.folder);
    FUZZ_CHECK(written.count('\n') == 7 && written.endsWith('\n'), "not seven lines");
    const Preferences again = parse(written, fallback);
    FUZZ_CHECK(again.font.family() == read.font.family(), "family changed");
    FUZZ_CHECK(again.font.pointSize() == read.font.pointSize(), "size changed");
    FUZZ_CHECK(toFileWeight(again.font.weight()) == toFileWeight(read.font.weight()),
               "weight changed");
    FUZZ_CHECK(again.font.italic() == read.font.italic(), "slant changed");
    FUZZ_CHECK(again.folder == read.folder, "folder changed");
    FUZZ_CHECK(format(again.font, again.folder) == written, "second write differs");
    return 0;
}
