#include "app/windows/uMyMessage.h"

#include "app/windows/WindowKit.h"
#include "controls/FlatButton.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QFontMetrics>
#include <algorithm>
#include <vector>

TfMyMessage* fMyMessage = nullptr;

namespace {
const QString kYesCaption = QStringLiteral("&Да");
const QString kCancelCaption = QStringLiteral("&Отказ");
const QString kHelpCaption = QStringLiteral("&Помощ");

// The box as designed, which a short message keeps.
constexpr int kMargin = 16;
constexpr int kTextTop = 12;
constexpr int kTextWidth = 348;
constexpr int kTextHeight = 80;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 27;
constexpr int kButtonGap = 12;
constexpr int kBelowText = 16;
constexpr int kBelowButtons = 15;
}  // namespace

TfMyMessage::TfMyMessage(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fMyMessage"));
    SetCaption(QStringLiteral(" Предупреждение"));
    SetBorderStyle(bsSingle);
    SetPosition(poDesktopCenter);
    SetClientWidth(kTextWidth + 2 * kMargin);
    SetClientHeight(kTextTop + kTextHeight + kBelowText + kButtonHeight + kBelowButtons);

    // The caption goes in before the box: the fixed box then wins over the label's own size.
    Label1 = new TLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->SetCaption(QStringLiteral(" Предупреждение !"));
    Label1->setWordWrap(true);
    Label1->setGeometry(kMargin, kTextTop, kTextWidth, kTextHeight);

    OKBtn = Place<TFlatButton>(this, "OKBtn", kYesCaption, 96, 108, kButtonWidth, kButtonHeight);
    OKBtn->SetModalResult(mrYes);
    OKBtn->SetDefault(true);

    CancelBtn = Place<TFlatButton>(this, "CancelBtn", kCancelCaption, 196, 108, kButtonWidth, kButtonHeight);
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

void TfMyMessage::FitToText()
{
    const QFontMetrics metrics(Label1->font());
    int longest = 0;
    for (const QString& line : Label1->text().split(QLatin1Char('\n')))
        longest = std::max(longest, metrics.horizontalAdvance(line));
    const int widestText = WidestWindowWidth(this) - 2 * kMargin - (frameGeometry().width() - width());
    const int textWidth = std::clamp(longest + 2, kTextWidth, std::max(kTextWidth, widestText));
    const int textHeight = std::max(kTextHeight, Label1->heightForWidth(textWidth));
    Label1->setGeometry(kMargin, kTextTop, textWidth, textHeight);

    std::vector<TFlatButton*> shown;
    for (TFlatButton* button : {OKBtn, CancelBtn})
        if (!button->isHidden()) shown.push_back(button);
    const int clientWidth = textWidth + 2 * kMargin;
    const int buttonsTop = kTextTop + textHeight + kBelowText;
    const int buttonsWidth = int(shown.size()) * kButtonWidth + (int(shown.size()) - 1) * kButtonGap;
    int left = (clientWidth - buttonsWidth) / 2;
    for (TFlatButton* button : shown) {
        button->setGeometry(left, buttonsTop, kButtonWidth, kButtonHeight);
        left += kButtonWidth + kButtonGap;
    }
    SetClientWidth(clientWidth);
    SetClientHeight(buttonsTop + kButtonHeight + kBelowButtons);
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
