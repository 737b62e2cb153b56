#pragma once
// Qt's own texts (message box buttons, file and print dialogs, the preview's standard texts) in
// the program's language, from the translations Qt is installed with; and the texts the
// toolkit, the database engine and the report library mark for translation, from the program's
// own translation beside it.

#include <QString>

class QCoreApplication;
class QTranslator;

// Installs Qt's translation into `language` ("bg": qtbase_bg.qm of Qt's translations folder) on
// the application, which owns it. Null, with nothing installed, when it is not there.
QTranslator* InstallQtTranslation(QCoreApplication& application, const QString& language = QStringLiteral("bg"));

// Installs the program's own translation into `language` ("bg": carvantel_bg.qm, which the
// build writes beside the program) from `folder` on the application, which owns it. Null, with
// nothing installed, when it is not there: the texts then stay English.
QTranslator* InstallProgramTranslation(QCoreApplication& application, const QString& folder,
                                       const QString& language = QStringLiteral("bg"));
