#include "app/settings/SettingsFile.h"

#include "app/settings/PasswordScrambling.h"
#include "platform/os/CodePage1251.h"
#include "platform/os/Files.h"

#include <QFile>
#include <QSaveFile>

QString SettingsFilePath()
{
    return ResolveFileNameCase(ProgramFolder() + QStringLiteral("Set.dll"));
}

QString YesNo(bool value)
{
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

TStringList SettingsLines(const TSettingsRecord& r)
{
    TStringList lines;
    const auto add = [&lines](const char* key, const QString& value) {
        lines.Add(QString::fromUtf8(key) + QLatin1Char('=') + value);
    };
    add("Database", r.Database);
    add("Login Name", r.LoginName);
    add("CurrentBook", r.CurrentBook);
    add("CurrentCasheBox", r.CurrentCasheBox);
    add("DAO", r.Dao);
    add("CurrentFirm", r.CurrentFirm);
    add("CurrentFirmID", QString::number(r.CurrentFirmId));
    add("UpDelivery", r.UpDelivery);
    add("UpEmploee", r.UpEmploee);
    add("ArchiveCount", r.ArchiveCount);
    if (r.SavePassword) add("Password", EncodeText(r.Password, QString::fromLatin1(kPasswordKey)));
    add("SP", YesNo(r.SavePassword));
    add("ChangeSaleData", YesNo(r.ChangeSaleData));
    add("Messages", YesNo(r.Messages));
    add("Warnings", YesNo(r.Warnings));
    add("OnlyForThisFirm", YesNo(r.OnlyForThisFirm));
    add("DontShowAnullDock", YesNo(r.DontShowAnullDock));
    add("ShowUPayed", YesNo(r.ShowUPayed));
    add("SpeedButtons", YesNo(r.SpeedButtons));
    add("AllDelivery", YesNo(r.AllDelivery));
    add("FiFo", YesNo(r.FiFo));
    add("CashHrono", YesNo(r.CashHrono));
    add("CashGiveTake", YesNo(r.CashGiveTake));
    add("ChangeLanguage", YesNo(r.ChangeLanguage));
    add("EnglishLanguage", YesNo(r.EnglishLanguage));
    add("DynamCheck", YesNo(r.DynamCheck));
    add("AutoDPrint", YesNo(r.AutoDPrint));
    add("AutoArchive", YesNo(r.AutoArchive));
    add("PWD", EncodeText(r.OperatorPassword, QString::fromLatin1(kPasswordKey)));
    return lines;
}

bool TSettingsFile::Load(const QString& path)
{
    lines_.Clear();
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) return false;
    lines_.SetText(DecodeUtf8OrCp1251(file.readAll()));
    return true;
}

bool TSettingsFile::Save(const TStrings& lines, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = lines.Text().toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

int TSettingsFile::IntValue(const QString& key, int fallback) const
{
    bool ok = false;
    const int value = Value(key).trimmed().toInt(&ok);
    return ok ? value : fallback;
}

QString TSettingsFile::TextOr(const QString& key, const QString& fallback) const
{
    const QString value = Value(key);
    return value.isEmpty() ? fallback : value;
}
