#pragma once

#include "kaltextedit.h"

// The program's version, shown in the window title and the About boxes.
extern const QString programVersion;

// The application window: a KalTextEdit, always stand-alone, with the program's version.
class MarlisseApp : public KalTextEdit
{
    Q_OBJECT

public:
    MarlisseApp(const QString &appName, const QString &fileName, const QString &programPath);
};

// Registers the embedded image collection; registering it again has no effect.
void registerMarlisseImages();

// Marlisse speaks French whatever the desktop's language: installs the toolkit's own
// French translation, so that its dialogs, context menus and key names are French
// too. Call it once the application object exists; false when the translation
// cannot be found (the toolkit's texts then stay in English).
bool installQtFrenchTranslation();
