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
