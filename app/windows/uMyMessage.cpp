#include "app/windows/uMyMessage.h"

#include "app/windows/WindowKit.h"
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

    // The caption goes in before the box: the fixed box then wins over the label's own size.
    Label1 = new TLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->SetCaption(QStringLiteral(" Предупреждение !"));
    Label1->setWordWrap(true);
    Label1->setGeometry(16, 12, 348, 80);

    OKBtn = Place<TFlatButton>(this, "OKBtn", kYesCaption, 96, 108, 88, 27);
    OKBtn->SetModalResult(mrYes);
    OKBtn->SetDefault(true);

    CancelBtn = Place<TFlatButton>(this, "CancelBtn", kCancelCaption, 196, 108, 88, 27);
    CancelBtn->SetModalResult(mrNo);
    CancelBtn->SetCancel(true);
    CancelBtn->OnClick = Bind(this, &TfMyMessage::CancelBtnClick);

    OnCloseQuery = Bind(this, &TfMyMessage::FormCloseQuery);
    if (!fMyMessage)
        fMyMessage = this;
    PlaceFlatLook(this, TFlatLookMenus::Plain);
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
