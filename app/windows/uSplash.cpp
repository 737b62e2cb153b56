#include "app/windows/uSplash.h"

#include "app/windows/WindowKit.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/StandardControls.h"
#include "platform/toolkit/gui/UiHost.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>

TfSplashForm* fSplashForm = nullptr;

QImage TfSplashForm::Picture(int width, int height)
{
    // Drawn on the splash's own size and scaled, so a smaller copy keeps its proportions sharp.
    constexpr qreal kWidth = 583, kHeight = 215;
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(width / kWidth, height / kHeight);
    const QRectF whole(0, 0, kWidth, kHeight);
    QLinearGradient sky(0, 0, kWidth, kHeight);
    sky.setColorAt(0, QColor(24, 52, 104));
    sky.setColorAt(1, QColor(96, 140, 200));
    painter.fillRect(whole, sky);
    painter.setPen(QPen(QColor(255, 255, 255, 90), 3));
    painter.drawRoundedRect(QRectF(12, 12, kWidth - 24, kHeight - 24), 12, 12);
    QFont font = painter.font();
    font.setPointSize(30);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, 30, kWidth, 70), Qt::AlignCenter, QStringLiteral("CarVantel"));
    font.setPointSize(11);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(QRectF(0, 96, kWidth, 24), Qt::AlignCenter, QStringLiteral("Автосервиз и магазин за части"));
    return picture;
}

TfSplashForm::TfSplashForm(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fSplashForm"));
    SetCaption(QStringLiteral("Покривало"));
    SetBorderStyle(bsNone);
    SetPosition(poDesktopCenter);
    resize(583, 215);

    Panel1 = Place<TPanel>(this, "Panel1", 0, 0, 583, 215);
    Panel1->SetBevelOuter(bvNone);
    Image1 = Place<TImage>(Panel1, "Image1", 0, 0, 583, 215);
    Image1->SetStretch(true);
    Image1->SetImage(Picture(583, 215));
    Label1 = Place<TLabel>(Panel1, "Label1", QStringLiteral("Моля почакайте ..."), 24, 170, 300, 24);
    Label1->SetFontColor(0xFFFFFF);
    Label2 = Place<TLabel>(Panel1, "Label2", QStringLiteral("CarVantel"), 380, 170, 180, 24);
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    Label2->SetFontColor(0xFFFFFF);
    Label2->SetAlignment(taRightJustify);

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Close1 = PlaceMenuItem(this, PopupMenu1->Items(), "Close1", QStringLiteral("Close"));
    Image1->SetPopupMenu(PopupMenu1);

    Close1->OnClick = Bind(this, &TfSplashForm::Close1Click);
    OnShow = Bind(this, &TfSplashForm::FormShow);
    OnActivate = Bind(this, &TfSplashForm::FormActivate);

    if (!fSplashForm) fSplashForm = this;
    PlaceFlatLook(this, TFlatLookMenus::Plain);
}

TfSplashForm::~TfSplashForm()
{
    if (fSplashForm == this) fSplashForm = nullptr;
}

void TfSplashForm::FormShow(QObject*)
{
    Label2->SetCaption(VersionText());
}

void TfSplashForm::FormActivate(QObject*)
{
    try {
        Label2->SetCaption(VersionText());
    } catch (const std::exception&) {
        // Only the label's text; the start goes on.
    }
}

void TfSplashForm::Close1Click(QObject*)
{
    UiHost().ExitProcess(0);
}
