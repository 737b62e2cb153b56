#include "app/windows/uArticles.h"

#include "app/datamodule/DModule.h"
#include "app/reports/uUniversalReport.h"
#include "app/util/Placing.h"
#include "app/windows/WindowKit.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/StandardControls.h"

TfArticles* fArticles = nullptr;

TfArticles::TfArticles(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fArticles"));
    SetCaption(QStringLiteral("Номенклатури"));
    SetBorderStyle(bsSingle);
    SetPosition(poScreenCenter);
    SetHelpContext(12);
    resize(680, 440);

    DBGrid1 = Place<TDBGrid>(this, "DBGrid1", 8, 8, 664, 330);
    DBGrid1->SetDataSource(DM->srcQTAQAll);
    DBGrid1->SetReadOnly(true);
    const struct {
        const char* Field;
        const char* Title;
        int Width;
    } columns[] = {
        {"article_code", "Артикул №", 80}, {"article_name", "Наименувание", 230}, {"total_quty", "Общо кол.", 70},
        {"sale_price", "Прод. цена", 75},  {"dimention", "Мярка", 50},           {"producer", "Производител", 120},
    };
    for (const auto& c : columns) {
        TColumn* column = DBGrid1->Columns().Add();
        column->SetFieldName(QString::fromLatin1(c.Field));
        column->Title().SetCaption(QString::fromUtf8(c.Title));
        column->SetWidth(c.Width);
    }
    SortOnTitleClick(DBGrid1, DM->tblQTAQAll);
    PaintStockColours(DBGrid1);
    ShowToTheCent(DM->tblQTAQAll, {"sale_price"});
    DBGrid1->OnKeyDown = [this](QObject* s, int& key, Qt::KeyboardModifiers m) { EscapeCloses(s, key, m); };

    Place<TLabel>(this, "lblArtNom", QStringLiteral("№"), 8, 350, 16, 16);
    tbxArtNom = Place<TEdit>(this, "tbxArtNom", 27, 346, 90, 22);
    Place<TLabel>(this, "lblSearchValue", QStringLiteral("Име"), 122, 350, 30, 16);
    tbxSearchValue = Place<TEdit>(this, "tbxSearchValue", 154, 346, 260, 22);
    tbxArtNom->OnChange = [this](QObject* s) { tbxArtNomChange(s); };
    tbxSearchValue->OnChange = [this](QObject* s) { tbxSearchValueChange(s); };
    for (TEdit* box : {tbxArtNom, tbxSearchValue})
        box->OnKeyDown = [this](QObject* s, int& key, Qt::KeyboardModifiers m) { EscapeCloses(s, key, m); };

    const struct {
        const char* Name;
        const char* Caption;
        int Color;
        int Top;
    } legend[] = {
        {"Label1", "Изчерпани номенклатури от доставките", kNoStockColor, 378},
        {"Label2", "Номенклатура - труд (може да няма доставна цена)", kServiceColor, 400},
    };
    for (const auto& l : legend) {
        auto* swatch = Place<TPanel>(this, "", 8, l.Top + 2, 16, 14);
        swatch->SetColor(l.Color);
        swatch->setAutoFillBackground(true);
        Place<TLabel>(this, l.Name, QString::fromUtf8(l.Caption), 30, l.Top, 360, 18);
    }

    FlatButton1 = Place<TFlatButton>(this, "FlatButton1", QStringLiteral("&Печат"), 474, 394, 94, 28);
    FlatButton1->OnClick = [this](QObject* s) { FlatButton1Click(s); };
    bCancel = Place<TButton>(this, "bCancel", QStringLiteral("&Отказ"), 578, 394, 94, 28);
    bCancel->SetModalResult(mrCancel);
    bCancel->SetCancel(true);

    OnShow = [this](QObject* s) { FormShow(s); };
    OnActivate = [this](QObject* s) { FormActivate(s); };
    OnCloseQuery = [this](QObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
    if (!fArticles)
        fArticles = this;
    PlaceFlatLook(this);
}

TfArticles::~TfArticles()
{
    if (fArticles == this)
        fArticles = nullptr;
}

void TfArticles::FormShow(QObject* sender)
{
    TDaoTable* rows = DM->tblQTAQAll;
    rows->SortedBy().Clear();
    rows->SortedBy().Add(QStringLiteral("[article_name] ASC"));
    rows->ReopenDaoRecordset();
    tbxSearchValueChange(sender);
}

void TfArticles::FormActivate(QObject*) { tbxSearchValue->SetFocus(); }

void TfArticles::FormCloseQuery(QObject*, bool&) { bCancel->SetCaption(QStringLiteral("&Отказ")); }

void TfArticles::tbxSearchValueChange(QObject*)
{
    SearchKeyQuietly(DM->tblQTAQAll, QStringLiteral("article_name"), tbxSearchValue->Text());
}

void TfArticles::tbxArtNomChange(QObject*)
{
    SearchKeyQuietly(DM->tblQTAQAll, QStringLiteral("article_code"), tbxArtNom->Text());
}

void TfArticles::EscapeCloses(QObject*, int& key, Qt::KeyboardModifiers)
{
    if (key != Qt::Key_Escape)
        return;
    key = 0;
    Close();
}

void TfArticles::FlatButton1Click(QObject*) { if (fUniversalReport) fUniversalReport->PrintGrid(DBGrid1); }
