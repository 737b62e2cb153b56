#include "app/windows/uOrderForm.h"

#include "app/datamodule/DModule.h"
#include "app/reports/URep.h"
#include "app/windows/WindowKit.h"
#include "app/windows/uCasheBox.h"
#include "controls/FlatButton.h"
#include "memtable/MemTable.h"
#include "platform/toolkit/gui/DBGrid.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

TfOrderForm* fOrderForm = nullptr;

namespace {

constexpr int kDateWidth = 76;
constexpr int kTypeWidth = 93;
constexpr int kAdditionalWidth = 298;

}  // namespace

TfOrderForm::TfOrderForm(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fOrderForm"));
    SetCaption(QStringLiteral("Отчет"));
    SetPosition(poScreenCenter);
    resize(760, 420);
    DBGrid1 = PlaceGrid(this, "DBGrid1", DM->srcMemtable, 8, 8, 744, 366);
    SetColumns(DBGrid1, {{"id", "№", 25},
                         {"date", "Дата", kDateWidth},
                         {"income", "Вид", 47},
                         {"type", "Операция", kTypeWidth},
                         {"additional", "Разяснения", kAdditionalWidth},
                         {"dds", "ДДС", 48},
                         {"sum", "Сума", 48},
                         {"total", "Всичко", 56}});
    FitColumns();
    // The columns are the printout's, fitted to its type: the window shows them in that type.
    DBGrid1->setFont(TReport::ColumnFont());
    DBGrid1->SetReadOnly(true);
    ShowToTheCent(DM->tblMemTable, {"dds", "sum", "total"});
    Anchor(DBGrid1, akLeft | akTop | akRight | akBottom);
    bSearch = Place<TFlatButton>(this, "bSearch", QStringLiteral("&Печат"), 580, 384, 80, 27);
    FlatButton1 = Place<TFlatButton>(this, "FlatButton1", QStringLiteral("&Изход"), 672, 384, 80, 27);
    for (TFlatButton* button : {bSearch, FlatButton1}) Anchor(button, akRight | akBottom);
    bSearch->OnClick = Bind(this, &TfOrderForm::bSearchClick);
    FlatButton1->OnClick = Bind(this, &TfOrderForm::FlatButton1Click);
    OnShow = Bind(this, &TfOrderForm::FormShow);
    OnClose = Bind(this, &TfOrderForm::FormClose);
    if (!fOrderForm) fOrderForm = this;
    PlaceFlatLook(this);
}

TfOrderForm::~TfOrderForm()
{
    if (fOrderForm == this) fOrderForm = nullptr;
}

void TfOrderForm::FormShow(QObject*)
{
    if (!DM->tblMemTable->Active()) DM->tblMemTable->Open();
}

// The columns are printed as they are: the date column takes a date with its time, and the
// operation column its longest name, in the printout's type; the explanations give up that room,
// so the printout keeps to the page's width.
void TfOrderForm::FitColumns()
{
    const QFontMetricsF metrics(TReport::ColumnFont());
    // Room for the grid's cell padding on both sides and its line.
    constexpr int kCellMargins = 5;
    const auto fit = [&metrics](int width, const QString& text) {
        return std::max(width, int(std::ceil(metrics.horizontalAdvance(text))) + kCellMargins);
    };
    TDBGridColumns& columns = DBGrid1->Columns();
    const int date = fit(kDateWidth, QStringLiteral("00.00.0000 00:00:00"));
    const int type = fit(kTypeWidth, QStringLiteral("Плащания на раб."));
    columns[1]->SetWidth(date);
    columns[3]->SetWidth(type);
    columns[4]->SetWidth(std::max(kTypeWidth, kAdditionalWidth - (date - kDateWidth) - (type - kTypeWidth)));
}

void TfOrderForm::FormClose(QObject*, TCloseAction&) { DM->tblMemTable->Close(); }

void TfOrderForm::FlatButton1Click(QObject*) { Close(); }

void TfOrderForm::bSearchClick(QObject*) { fCasheBox->PrintGrid(DBGrid1); }
