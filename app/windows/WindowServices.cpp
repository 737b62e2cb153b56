#include "app/windows/WindowServices.h"

#include "app/datamodule/DModule.h"
#include "app/settings/SettingsStore.h"
#include "app/windows/uMyMessage.h"
#include "app/windows/uPassDlg.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoConnectionCheck.h"
#include "dataaccess/DaoDataBase.h"
#include "platform/dao/DaoError.h"
#include "platform/os/Files.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/StandardControls.h"
#include "platform/toolkit/gui/UiHost.h"

#include <QRegularExpression>

namespace {

bool IsPlainName(const QString& name)
{
    // Anchored to the very end: "$" alone lets a line break through after the name.
    static const QRegularExpression plain(QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z_][A-Za-z0-9_]*")));
    return plain.match(name).hasMatch();
}

}  // namespace

bool ShowWarning(const QString& text, bool withCancel)
{
    if (!fMyMessage) return MessageDlg(text, mtWarning, withCancel ? mbYesNo : mbOK) == mrYes;
    fMyMessage->Label1->SetCaption(text);
    fMyMessage->CancelBtn->setVisible(withCancel);
    fMyMessage->FitToText();
    if (const TForm* active = Screen().ActiveForm()) {
        fMyMessage->move(active->x() + active->width() / 2 - fMyMessage->width() / 2,
                         active->y() + active->height() / 2 - fMyMessage->height() / 2);
    }
    TApplication::ProcessMessages();
    return fMyMessage->ShowModal() == mrYes;
}

bool CheckConnection()
{
    bool answers = false;
    try {
        if (DM->CheckDatabase) DM->CheckDatabase->SetActive(true);
        answers = (!DM->CheckDatabase || DM->CheckDatabase->Active()) && DM->VantelDataBase->Connected() &&
                  FileExists(ResolveFileNameCase(DM->VantelDataBase->Database()));
    } catch (const std::exception&) {
        // The check itself raising is the answer: no connection.
        answers = false;
    }
    if (answers) return true;
    if (ShowWarning(QStringLiteral("Няма връзка с базата данни !\rИскате ли да я възтановите ?"), true) &&
        fPasswordDlg) {
        if (DM->CheckDatabase) DM->CheckDatabase->SetActive(false);
        fPasswordDlg->ShowModal();
    }
    return false;
}

void OfferLogin()
{
    if (fPasswordDlg) fPasswordDlg->ShowModal();
}

void SaveSettingsOrTell()
{
    THourglass hourglass;
    const QString failure = WriteSettings();
    if (!failure.isEmpty()) ShowWarning(failure, false);
}

bool RecordExists(const QString& table, const QString& field, const TVariant& value)
{
    if (!IsPlainName(table) || !IsPlainName(field))
        throw EDatabaseError(QStringLiteral("RecordExists: invalid name %1.%2").arg(table, field));
    return DM->AnyRow(QStringLiteral("SELECT id FROM [%1] WHERE [%2]=:value").arg(table, field),
                      {{QStringLiteral("value"), value}});
}

bool IsEmptyDate(const QString& text)
{
    return text == QLatin1String("  .  .    ") || text == QLatin1String("  /  /    ") ||
           text == QLatin1String("  -  -    ");
}

QString QuotedSqlText(const QString& text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

QString LikeLiteral(const QString& text)
{
    QString pattern;
    pattern.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('#') || c == QLatin1Char('['))
            pattern += QLatin1Char('[') + c + QLatin1Char(']');
        else
            pattern += c;
    }
    return pattern;
}

QString SqlDate(double day)
{
    return QStringLiteral("Datevalue('") + FormatDateTime(QStringLiteral("dd/MM/yyyy"), day) + QStringLiteral("')");
}

QString ProcessStoppedText(const std::exception& error, const QString& separator)
{
    const QString text = QStringLiteral("Процесът е прекратен поради грешка ") + separator;
    if (const auto* engine = dynamic_cast<const EDaoError*>(&error))
        return text + QString::number(engine->Number()) + QLatin1Char('\r') + engine->Description();
    if (const auto* own = dynamic_cast<const Exception*>(&error)) return text + own->Message();
    return text + QString::fromLocal8Bit(error.what());
}

namespace {
TMainWindowServices* mainWindow = nullptr;
}

TMainWindowServices* MainWindow()
{
    return mainWindow;
}

void SetMainWindow(TMainWindowServices* window)
{
    mainWindow = window;
}
