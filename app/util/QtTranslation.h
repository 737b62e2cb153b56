#pragma once
// Qt's own texts (message box buttons, file and print dialogs, the preview's standard texts) in
// the program's language, from the translations Qt is installed with.

#include <QString>

class QCoreApplication;
class QTranslator;

// Installs Qt's translation into `language` ("bg": qtbase_bg.qm of Qt's translations folder) on
// the application, which owns it. Null, with nothing installed, when it is not there.
QTranslator* InstallQtTranslation(QCoreApplication& application, const QString& language = QStringLiteral("bg"));
