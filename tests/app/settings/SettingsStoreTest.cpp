#include "app/settings/SettingsStore.h"

#include "platform/os/Files.h"
#include "platform/toolkit/Exceptions.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        SetProgramFolder(dir_.path() + QLatin1Char('/'));
        login_.Collect = [](TSettingsRecord& r) { r.Database = QStringLiteral("Shop.mdb"); };
        login_.CheckTypedPassword = [] {};
        window_.Collect = [](TSettingsRecord& r) { r.LoginName = QStringLiteral("Мария"); };
    }
    void TearDown() override
    {
        SetLoginSettings(nullptr);
        SetWindowSettings(nullptr);
        SetProgramFolder(QString());
    }
    QByteArray Written() const
    {
        QFile f(dir_.path() + QStringLiteral("/Set.dll"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir_;
    TLoginSettingsSource login_;
    TSettingsWindowSource window_;
};

TEST_F(SettingsStoreTest, WritesBothSidesAndNothingWithoutTheLoginDialog)
{
    SetWindowSettings(&window_);
    EXPECT_TRUE(WriteSettings().isEmpty());
    EXPECT_FALSE(QFile::exists(dir_.path() + QStringLiteral("/Set.dll")));

    SetLoginSettings(&login_);
    EXPECT_TRUE(WriteSettings().isEmpty());
    EXPECT_TRUE(Written().startsWith("Database=Shop.mdb\r\nLogin Name=" + QStringLiteral("Мария").toUtf8() + "\r\n"));

    // Without the settings window its part keeps the record's own values.
    SetWindowSettings(nullptr);
    EXPECT_TRUE(WriteSettings().isEmpty());
    EXPECT_TRUE(Written().startsWith("Database=Shop.mdb\r\nLogin Name=\r\n"));
}

TEST_F(SettingsStoreTest, AFailureIsGivenAsItsTextAndKeepsTheOldFile)
{
    SetLoginSettings(&login_);
    ASSERT_TRUE(WriteSettings().isEmpty());
    const QByteArray before = Written();
    login_.CheckTypedPassword = [] { throw EConvertError(QStringLiteral("no code for this character")); };
    EXPECT_EQ(WriteSettings(), QStringLiteral("no code for this character"));
    EXPECT_EQ(Written(), before);

    login_.CheckTypedPassword = [] {};
    SetProgramFolder(dir_.path() + QStringLiteral("/missing/"));
    EXPECT_EQ(WriteSettings(), QStringLiteral("Програмата не може да съхрани промените."));
}

TEST_F(SettingsStoreTest, TheFileReachesTheSettingsWindowOnlyWhenThereIsOne)
{
    TSettingsFile file;
    file.Lines().Add(QStringLiteral("Login Name=Петър"));
    LoadWindowSettings(file);  // no window: nothing happens
    QString loaded;
    window_.Load = [&loaded](const TSettingsFile& f) { loaded = f.Value(QStringLiteral("Login Name")); };
    SetWindowSettings(&window_);
    LoadWindowSettings(file);
    EXPECT_EQ(loaded, QStringLiteral("Петър"));
}

}  // namespace
