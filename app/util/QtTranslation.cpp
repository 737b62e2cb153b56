#include "app/util/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

QTranslator* InstallTranslation(QCoreApplication& application, const QString& fileName, const QString& folder)
{
    auto* translator = new QTranslator(&application);
    if (!translator->load(fileName, folder) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

}  // namespace

QTranslator* InstallQtTranslation(QCoreApplication& application, const QString& language)
{
    return InstallTranslation(application, QStringLiteral("qtbase_") + language,
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

QTranslator* InstallProgramTranslation(QCoreApplication& application, const QString& folder, const QString& language)
{
    return InstallTranslation(application, QStringLiteral("carvantel_") + language, folder);
}
