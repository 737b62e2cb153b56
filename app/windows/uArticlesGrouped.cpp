#include "app/windows/uArticlesGrouped.h"

#include "app/datamodule/DModule.h"
#include "app/util/Placing.h"
#include "app/windows/WindowKit.h"
#include "app/windows/WindowServices.h"
#include "app/windows/uSetings.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/StandardControls.h"

TfArticlesGrouped* fArticlesGrouped = nullptr;
bool TfArticlesGrouped::separatorHintDue_ = true;

namespace {

bool SettingOn(TCheckBox* TfSetings::*box) { return fSetings && (fSetings->*box)->Checked(); }
TField* F(TDataSet* dataSet, const char* name) { return dataSet->FieldByName(QString::fromLatin1(name)); }
QString CurrentId(TDataSet* dataSet)
{
    return dataSet->Active() && !dataSet->IsEmpty() && dataSet->State() != dsInsert ? F(dataSet, "id")->AsString()
                                                                                     : QString();
}

}  // namespace

TfArticlesGrouped::TfArticlesGrouped(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fArticlesGrouped"));
    SetCaption(QStringLiteral("Доставяни материали"));
    SetBorderStyle(bsSingle);
    SetPosition(poScreenCenter);
    SetHelpContext(12);
    SetKeyPreview(true);
    resize(640, kPickHeight);

    DBGrid1 = Place<TDBGrid>(this, "DBGrid1", 8, 8, 624, 190);
    DBGrid1->SetDataSource(DM->srcFiFoQuery);
    DBGrid1->SetReadOnly(true);
    DBGrid1->SetOptions(DBGrid1->Options() | dgRowSelect);
    const struct {
        const char* Field;
        const char* Title;
        int Width;
    } columns[] = {
        {"article_code", "Артикул №", 80}, {"article_name", "Наименувание", 220}, {"total_quty", "Налични", 70},
        {"delivery_price", "Дост. цена", 75}, {"sale_price", "Прод. цена", 75},  {"dimention", "Мярка", 55},
    };
    for (const auto& c : columns) {
        TColumn* column = DBGrid1->Columns().Add();
        column->SetFieldName(QString::fromLatin1(c.Field));
        column->Title().SetCaption(QString::fromUtf8(c.Title));
        column->SetWidth(c.Width);
    }
    // The saved query gives the delivery price as text; it stays a column of figures.
    DBGrid1->Columns()[3]->SetAlignment(Qt::AlignRight);
    SortOnTitleClick(DBGrid1, DM->tblFiFoQuery);
    PaintStockColours(DBGrid1);
    ShowToTheCent(DM->tblFiFoQuery, {"sale_price"});
    DBGrid1->OnDblClick = [this](QObject* s) { DBGrid1DblClick(s); };
    DBGrid1->OnKeyUp = [this](QObject* s, int&, Qt::KeyboardModifiers) { PanelSync(s); };
    DBGrid1->OnMouseUp = [this](QObject* s, TMouseButton button, Qt::KeyboardModifiers, int, int) {
        if (button == mbLeft)
            PanelSync(s);
    };

    Place<TLabel>(this, "lblArtNom", QStringLiteral("№"), 8, 210, 16, 16);
    tbxArtNom = Place<TEdit>(this, "tbxArtNom", 27, 206, 90, 22);
    Place<TLabel>(this, "lblSearchValue", QStringLiteral("Име"), 122, 210, 30, 16);
    tbxSearchValue = Place<TEdit>(this, "tbxSearchValue", 154, 206, 250, 22);
    tbxArtNom->OnChange = [this](QObject* s) { tbxArtNomChange(s); };
    tbxSearchValue->OnChange = [this](QObject* s) { tbxSearchValueChange(s); };
    for (TEdit* box : {tbxArtNom, tbxSearchValue})
        box->OnKeyUp = [this](QObject* s, int&, Qt::KeyboardModifiers) { PanelSync(s); };

    bYes = Place<TButton>(this, "bYes", QStringLiteral("&Избор"), 444, 204, 90, 26);
    bCancel = Place<TButton>(this, "bCancel", QStringLiteral("&Отказ"), 542, 204, 90, 26);
    bYes->OnClick = [this](QObject* s) { bYesClick(s); };
    bCancel->OnClick = [this](QObject* s) { bCancelClick(s); };

    Pannel1 = Place<TPanel>(this, "Pannel1", 8, 238, 624, 74);
    Pannel1->SetBevelOuter(bvLowered);
    const struct {
        TEdit* TfArticlesGrouped::*Member;
        const char* Name;
        const char* Label;
        int Left, Width;
    } edits[] = {
        {&TfArticlesGrouped::e_artnom, "e_artnom", "Артикул №", 6, 80},
        {&TfArticlesGrouped::e_name, "e_name", "Наименувание", 92, 200},
        {&TfArticlesGrouped::e_nal, "e_nal", "Налични", 298, 60},
        {&TfArticlesGrouped::e_dos, "e_dos", "Дост. цена", 364, 70},
        {&TfArticlesGrouped::e_prod, "e_prod", "Нова цена", 440, 70},
    };
    for (const auto& e : edits) {
        Place<TLabel>(Pannel1, "", QString::fromUtf8(e.Label), e.Left, 4, e.Width, 16);
        this->*e.Member = Place<TEdit>(Pannel1, e.Name, e.Left, 20, e.Width, 22);
    }
    for (TEdit* edit : {e_artnom, e_name, e_nal, e_dos})
        edit->OnKeyPress = [this](QObject* s, QChar& key) { ReadOnlyKeyPress(s, key); };
    e_prod->OnKeyPress = [this](QObject* s, QChar& key) { e_prodKeyPress(s, key); };
    e_prod->OnEnter = [this](QObject* s) { e_prodEnter(s); };
    cb1 = Place<TCheckBox>(Pannel1, "cb1", QStringLiteral("№ или това"), 6, 48, 110, 20);
    // The caption's "o" is a Latin letter, as the window always had it.
    cb2 = Place<TCheckBox>(Pannel1, "cb2", QStringLiteral("наименoвание"), 120, 48, 130, 20);
    cb2->SetChecked(true);
    cb1->OnClick = [this](QObject* s) { cb1Click(s); };
    cb2->OnClick = [this](QObject* s) { cb2Click(s); };
    FlatButton2 = Place<TFlatButton>(Pannel1, "FlatButton2", QStringLiteral("&Промени"), 518, 18, 70, 26);
    FlatButton1 = Place<TFlatButton>(Pannel1, "FlatButton1", QStringLiteral("^"), 594, 18, 24, 26);
    FlatButton2->OnClick = [this](QObject* s) { FlatButton2Click(s); };
    FlatButton1->OnClick = [this](QObject* s) { FlatButton1Click(s); };
    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Help1 = PlaceMenuItem(this, PopupMenu1->Items(), "Help1", QStringLiteral("Помощ !"));
    Help1->OnClick = [this](QObject* s) { FlatButton1Click(s); };
    Pannel1->SetPopupMenu(PopupMenu1);
    Pannel1->hide();

    OnActivate = [this](QObject* s) { FormActivate(s); };
    OnClose = [this](QObject* s, TCloseAction& a) { FormClose(s, a); };
    OnKeyDown = [this](QObject* s, int& key, Qt::KeyboardModifiers m) { FormKeyDown(s, key, m); };
    if (!fArticlesGrouped)
        fArticlesGrouped = this;
    PlaceFlatLook(this);
}

TfArticlesGrouped::~TfArticlesGrouped()
{
    if (fArticlesGrouped == this)
        fArticlesGrouped = nullptr;
}

bool TfArticlesGrouped::PickMode() const { return !bYes->isHidden(); }

void TfArticlesGrouped::ShowAsPicker(const QString& name)
{
    TDaoTable* lines = DM->tblDeliveryDetail;
    pickDeliveryId_ = CurrentId(DM->tblDelivery);
    pickLineId_ = CurrentId(lines);
    tbxArtNom->SetText(QString());
    tbxSearchValue->SetText(QString());
    bYes->show();
    Pannel1->hide();
    SetClientHeight(kPickHeight);
    tbxSearchValue->SetText(name);
    Show();
}

bool TfArticlesGrouped::PickLineIsCurrent() const
{
    TDaoTable* lines = DM->tblDeliveryDetail;
    if (pickDeliveryId_.isEmpty() || CurrentId(DM->tblDelivery) != pickDeliveryId_ || !lines->Active())
        return false;
    if (pickLineId_.isEmpty())
        return lines->State() == dsInsert || lines->IsEmpty();
    return CurrentId(lines) == pickLineId_;
}

void TfArticlesGrouped::FormActivate(QObject*)
{
    if (PickMode())
        return;
    if (!SettingOn(&TfSetings::cbChangeSaleData)) {
        Pannel1->hide();
        SetClientHeight(kPickHeight);
        return;
    }
    Pannel1->show();
    SetClientHeight(kPriceHeight);
    FillPanel();
}

void TfArticlesGrouped::FormClose(QObject*, TCloseAction&)
{
    DM->tblFiFoQuery->SetFiltered(true);
    bYes->show();
}

void TfArticlesGrouped::FormKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        key = 0;
        bYesClick(sender);
    } else if (key == Qt::Key_Escape) {
        key = 0;
        Close();
    }
}

void TfArticlesGrouped::tbxArtNomChange(QObject*)
{
    SearchKeyQuietly(DM->tblFiFoQuery, QStringLiteral("article_code"), tbxArtNom->Text());
}

void TfArticlesGrouped::tbxSearchValueChange(QObject*)
{
    SearchKeyQuietly(DM->tblFiFoQuery, QStringLiteral("article_name"), tbxSearchValue->Text());
}

void TfArticlesGrouped::DBGrid1DblClick(QObject* sender)
{
    if (PickMode()) {
        bYesClick(sender);
        return;
    }
    TDaoTable* rows = DM->tblFiFoQuery;
    if (rows->Active() && !rows->IsEmpty() && DM->AnyDeliveryLine())
        e_name->SetText(F(rows, "article_name")->AsString());
}

void TfArticlesGrouped::PanelSync(QObject*) { FillPanel(); }

void TfArticlesGrouped::FillPanel()
{
    TDaoTable* rows = DM->tblFiFoQuery;
    if (!rows->Active() || rows->IsEmpty() || !DM->AnyDeliveryLine())
        return;
    e_artnom->SetText(F(rows, "article_code")->AsString());
    e_name->SetText(F(rows, "article_name")->AsString());
    e_nal->SetText(F(rows, "total_quty")->AsString());
    // The price as the grid shows it, to the stotinka.
    e_prod->SetText(F(rows, "sale_price")->DisplayText());
    e_dos->SetText(F(rows, "delivery_price")->AsString());
}

void TfArticlesGrouped::ReadOnlyKeyPress(QObject*, QChar& key) { key = QChar(); }

void TfArticlesGrouped::e_prodKeyPress(QObject*, QChar& key)
{
    if (!key.isDigit() && key != QLatin1Char(',') && key != QLatin1Char('.') && key != QLatin1Char('\b'))
        key = QChar();
}

void TfArticlesGrouped::e_prodEnter(QObject*)
{
    if (!separatorHintDue_ || !SettingOn(&TfSetings::cbWarnings))
        return;
    separatorHintDue_ = false;
    ShowWarning(SeparatorHint(), false);
}

void TfArticlesGrouped::FlatButton1Click(QObject*) { ShowWarning(SeparatorHint(), false); }

void TfArticlesGrouped::cb1Click(QObject*) { cb2->SetChecked(!cb1->Checked()); }
void TfArticlesGrouped::cb2Click(QObject*) { cb1->SetChecked(!cb2->Checked()); }

void TfArticlesGrouped::bCancelClick(QObject*) { Close(); }

void TfArticlesGrouped::bYesClick(QObject*)
{
    if (!PickMode())
        return;
    TDaoTable* rows = DM->tblFiFoQuery;
    TDaoTable* lines = DM->tblDeliveryDetail;
    // The line it was opened for may be gone from under it; no other line is overwritten.
    if (!PickLineIsCurrent() || !rows->Active() || rows->IsEmpty()) {
        Close();
        return;
    }
    {
        const TControlsOff linesOff(lines);
        lines->Edit();
        for (const char* field : {"article_code", "article_name", "dimention", "service", "sale_price"})
            F(lines, field)->SetValue(F(rows, field)->Value());
        F(lines, "delivery_price")->SetAsString(F(rows, "delivery_price")->AsString());
        lines->Post();
    }
    Close();
}

bool TfArticlesGrouped::ReadPrice(const QString& text, double& price)
{
    bool ok = false;
    price = QString(text).trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    return ok && std::isfinite(price);
}

void TfArticlesGrouped::FlatButton2Click(QObject*)
{
    if (SettingOn(&TfSetings::cbMessages) &&
        !ShowWarning(QStringLiteral("Наистина ли искате да промените данните ?"), true))
        return;
    if (!DM->VantelDataBase->Connected() || !DM->AnyDeliveryLine())
        return;
    const QString article = cb1->Checked() ? e_artnom->Text() : e_name->Text();
    double price = 0;
    if (article.isEmpty()) {
        ShowWarning(QStringLiteral("Изберете артикул !"), false);
    } else if (!ReadPrice(e_prod->Text(), price)) {
        ShowWarning(QStringLiteral("Въведете валидна цена !"), false);
    } else if (!ChangePrices(article, price)) {
        ShowWarning(QStringLiteral("Поради възникнала грешка, цените не бяха променени !"), false);
    }
}

bool TfArticlesGrouped::ChangePrices(const QString& article, double price)
{
    TDaoTable* change = DM->tblDebitQuery;
    TDaoTable* rows = DM->tblFiFoQuery;
    THourglass hourglass;
    try {
        change->Close();
        change->SQL().Clear();
        change->SQL().Add(QStringLiteral("Update delivery_detail SET last_modified = NOW(), sale_price =%1 WHERE %2=%3;")
                              .arg(FloatToStr(price), cb1->Checked() ? QStringLiteral("article_code")
                                                                     : QStringLiteral("article_name"),
                                   QuotedSqlText(article)));
        change->ExecuteSQL();
        TApplication::ProcessMessages();
        const TControlsOff rowsOff(rows);
        rows->Requery();
        rows->Refresh();
        return true;
    } catch (const std::exception&) {
        change->Close();
        return false;
    }
}
