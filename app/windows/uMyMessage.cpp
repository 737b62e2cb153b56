#include "app/windows/uMyMessage.h"

#include "controls/FlatButton.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/StandardControls.h"

TfMyMessage* fMyMessage = nullptr;

namespace {
const QString kYesCaption = QStringLiteral("&Да");
const QString kCancelCaption = QStringLiteral("&Отказ");
const QString kHelpCaption = QStringLiteral("&Помощ");
}  // namespace

TfMyMessage::TfMyMessage(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fMyMessage"));
    SetCaption(QStringLiteral(" Предупреждение"));
    SetBorderStyle(bsSingle);
    SetPosition(poDesktopCenter);
    SetClientWidth(380);
    SetClientHeight(150);

    Label1 = new TLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->SetCaption(QStringLiteral(" Предупреждение !"));
    Label1->setWordWrap(true);
    Label1->setGeometry(16, 12, 348, 80);

    OKBtn = new TFlatButton(this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->SetCaption(kYesCaption);
    OKBtn->SetModalResult(mrYes);
    OKBtn->SetDefault(true);
    OKBtn->setGeometry(96, 108, 88, 27);

    CancelBtn = new TFlatButton(this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->SetCaption(kCancelCaption);
    CancelBtn->SetModalResult(mrNo);
    CancelBtn->SetCancel(true);
    CancelBtn->setGeometry(196, 108, 88, 27);
    CancelBtn->OnClick = [this](QObject* sender) { CancelBtnClick(sender); };

    OnCloseQuery = [this](QObject* sender, bool& canClose) { FormCloseQuery(sender, canClose); };
    if (!fMyMessage)
        fMyMessage = this;
}

TfMyMessage::~TfMyMessage()
{
    if (fMyMessage == this)
        fMyMessage = nullptr;
}

void TfMyMessage::SetHelpContext(qint32 context)
{
    helpContext_ = context;
    CancelBtn->SetCaption(kHelpCaption);
}

void TfMyMessage::CancelBtnClick(QObject*)
{
    TApplication* app = Application();
    if (app && !app->HelpFile().isEmpty() && helpContext_ > 0 && CancelBtn->Caption() == kHelpCaption)
        app->HelpContext(helpContext_);
}

void TfMyMessage::FormCloseQuery(QObject*, bool&)
{
    helpContext_ = 0;
    CancelBtn->SetCaption(kCancelCaption);
    OKBtn->SetCaption(kYesCaption);
}
