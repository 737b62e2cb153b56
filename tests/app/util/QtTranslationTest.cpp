// Qt's own dialogs speak Bulgarian once the program has installed Qt's translation.

#include "app/util/QtTranslation.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>
#include <gtest/gtest.h>

#include <memory>

namespace {

// The Cancel button of Qt's message boxes and dialogs.
QString CancelText()
{
    return QCoreApplication::translate("QPlatformTheme", "Cancel");
}

TEST(QtTranslation, QtsDialogsSpeakBulgarianWhenTheTranslationIsInstalled)
{
    if (!QDir(QLibraryInfo::path(QLibraryInfo::TranslationsPath)).exists(QStringLiteral("qtbase_bg.qm")))
        GTEST_SKIP() << "Qt's Bulgarian translation is not installed (qt6-translations-l10n)";
    ASSERT_EQ(CancelText().toStdString(), "Cancel");
    std::unique_ptr<QTranslator> translator(InstallQtTranslation(*QCoreApplication::instance()));
    ASSERT_NE(translator, nullptr);
    EXPECT_EQ(translator->parent(), QCoreApplication::instance());
    EXPECT_TRUE(translator->language().startsWith(QStringLiteral("bg")));
    EXPECT_EQ(CancelText().toStdString(), "Отказ");
    translator.reset();
    EXPECT_EQ(CancelText().toStdString(), "Cancel") << "a removed translation leaves the other tests in English";
}

TEST(QtTranslation, ALanguageQtHasNoTranslationForInstallsNothing)
{
    EXPECT_EQ(InstallQtTranslation(*QCoreApplication::instance(), QStringLiteral("xx")), nullptr);
    EXPECT_EQ(CancelText().toStdString(), "Cancel");
    EXPECT_TRUE(QCoreApplication::instance()->findChildren<QTranslator*>().isEmpty());
}

}  // namespace
