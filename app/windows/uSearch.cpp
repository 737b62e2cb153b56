#include "app/windows/uSearch.h"

#include "app/datamodule/DModule.h"
#include "app/reports/uUniversalReportPlus.h"
#include "app/util/AppFlags.h"
#include "app/util/AppGlobals.h"
#include "app/util/Placing.h"
#include "app/windows/OrderWindowHooks.h"
#include "app/windows/WindowKit.h"
#include "app/windows/WindowServices.h"
#include "app/windows/uMyMessage.h"
#include "app/windows/uPassDlg.h"
#include "app/windows/uSetings.h"
#include "controls/FlatButton.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QEvent>
#include <QHeaderView>
#include <QStringList>
#include <QFontMetrics>
#include <functional>
#include <optional>
#include <utility>

TfSearch* fSearch = nullptr;

namespace {

constexpr TColor kWarningColor = 8421631;
constexpr int kNameColumn = 1;
constexpr int kNameWidth = 120;
constexpr int kIndicatorRoom = 15;
constexpr int kDeliveryPriceColumn = 4;

TField* F(TDataSet* dataSet, const char* name) { return dataSet->FieldByName(QString::fromLatin1(name)); }
bool SettingOn(TCheckBox* TfSetings::*box) { return fSetings && (fSetings->*box)->Checked(); }
bool Hooked(const std::function<bool()>& hook) { return hook && hook(); }

TDataSet* StockView()
{
    return app::CurrentStockDataSet ? app::CurrentStockDataSet : DM->tblArticleTotalQuery;
}

// A lot of stock as the pick copies it into the order line.
struct TStockLot {
    TVariant Id, Code, Name, Dimention, SalePrice, Service, DeliveryPrice;
    double Stock = 0;
};

TStockLot LotOf(TDataSet* row)
{
    return {F(row, "delivery_detail_id")->Value(), F(row, "article_code")->Value(), F(row, "article_name")->Value(),
            F(row, "dimention")->Value(),          F(row, "sale_price")->Value(),   F(row, "service")->Value(),
            F(row, "delivery_price")->Value(),     F(row, "total_quty")->AsFloat()};
}

// The lots of an article that the per-delivery view lists, with their stock, in the order they
// were delivered; the first is taken.
const char* const kFirstLotSql =
    "SELECT delivery_detail.id AS delivery_detail_id, delivery_detail.article_code, "
    "delivery_detail.article_name, delivery_detail.dimention, delivery_detail.sale_price, delivery_detail.service, "
    "delivery_detail.delivery_price, [delivery_quantity]-Nz([SumSaleQuty],0) AS total_quty\n"
    "FROM store INNER JOIN ((delivery_detail LEFT JOIN MyQuty ON delivery_detail.id=MyQuty.delivery_detail_id) "
    "INNER JOIN delivery ON delivery_detail.delivery_id=delivery.id) ON store.id=delivery.store_id\n"
    "WHERE delivery_detail.article_code=:code AND delivery_detail.article_name=:name "
    "AND delivery_detail.sale_price=:price AND delivery_detail.service=:service "
    "AND [delivery_quantity]-Nz([SumSaleQuty],0)>0\n"
    "ORDER BY delivery_detail.id;";

// Every lot in stock with the article it is of, in the order the lots were delivered.
const char* const kLotsInStockSql =
    "SELECT delivery_detail.article_code, delivery_detail.article_name, delivery_detail.sale_price, "
    "delivery_detail.service, delivery_detail.producer\n"
    "FROM delivery_detail LEFT JOIN MyQuty ON delivery_detail.id=MyQuty.delivery_detail_id\n"
    "WHERE [delivery_quantity]-Nz([SumSaleQuty],0)>0\n"
    "ORDER BY delivery_detail.id;";

// What tells one per-article row from another: code, name, sale price and labour mark.
QString ArticleKey(TDataSet* row)
{
    return QStringList{F(row, "article_code")->AsString(), F(row, "article_name")->AsString(),
                       F(row, "sale_price")->AsString(), F(row, "service")->AsBoolean() ? QStringLiteral("1") : QString()}
        .join(QChar(0x1f));
}

// The first lot in stock of the article a per-article row stands for: code, name, sale price and
// labour mark equal to the row's, compared as the database compares them (no prefix, no
// wildcard). False when none is left.
bool FirstLotOf(TDataSet* article, TStockLot& lot)
{
    TDaoTable* found = DM->OpenQuery(QString::fromLatin1(kFirstLotSql),
                                     {{QStringLiteral("code"), F(article, "article_code")->Value()},
                                      {QStringLiteral("name"), F(article, "article_name")->Value()},
                                      {QStringLiteral("price"), F(article, "sale_price")->Value()},
                                      {QStringLiteral("service"), TVariant(F(article, "service")->AsBoolean())}});
    const bool any = !found->IsEmpty();
    if (any) lot = LotOf(found);
    found->Close();
    return any;
}

// The lot's stock, article and prices into the line, its quantity kept within the stock.
void FillLine(TDataSet* lines, const TStockLot& lot)
{
    TDataSet* sale = DM->tblSale;
    const TField* lineLot = F(lines, "delivery_detail_id");
    double available = lot.Stock;
    // A finished order's own quantity is already taken from its lot.
    if (!lineLot->IsNull() && !lot.Id.IsNull() && lineLot->AsInteger() == lot.Id.AsInteger() &&
        F(sale, "invoice_accept")->AsBoolean() && !F(sale, "invoice_annul")->AsBoolean())
        available += F(lines, "sale_quantity")->AsFloat();
    F(lines, "quantity_reminder")->SetAsFloat(available);
    TField* quantity = F(lines, "sale_quantity");
    if (quantity->IsNull() || quantity->AsFloat() < 1)
        quantity->SetAsFloat(1);
    else if (quantity->AsFloat() > available)
        quantity->SetAsFloat(available);
    F(lines, "article_code")->SetValue(lot.Code);
    F(lines, "article_name")->SetValue(lot.Name);
    F(lines, "dimention")->SetValue(lot.Dimention);
    F(lines, "sale_price")->SetValue(lot.SalePrice);
    F(lines, "service")->SetValue(lot.Service);
    F(lines, "delivery_price")->SetValue(lot.DeliveryPrice);
    F(lines, "delivery_detail_id")->SetValue(lot.Id);
}

// The lot into the current order line, posted under the renumbering guard; then the lines
// renumbered and the line found again.
void PutLotIntoLine(const TStockLot& lot, TControlsOff& lineControls)
{
    TDaoTable* lines = DM->tblSaleDetail;
    TBookmark line = lines->GetBookmark();
    {
        app::TRenumberingGuard guard;
        lines->Edit();
        FillLine(lines, lot);
        lineControls.Enable();
        lines->Post();
    }
    if (DM->WindowHooks.RenumberOrderLines) DM->WindowHooks.RenumberOrderLines();
    if (!line.isEmpty() && lines->BookmarkValid(line)) lines->GotoBookmark(line);
    lines->FreeBookmark(line);
}

}  // namespace

TfSearch::TfSearch(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("fSearch"));
    SetCaption(QStringLiteral("Наличност"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetHelpContext(13);
    resize(780, 430);

    // Each search box right after its label, whatever the font makes of the label.
    int left = 8;
    const auto searchBox = [this, &left](const char* labelName, const QString& caption, const char* name, int width) {
        auto* label = Place<TLabel>(this, labelName, caption, left, 12, 0, 18);
        label->resize(label->fontMetrics().horizontalAdvance(caption) + 4, 18);
        auto* box = Place<TEdit>(this, name, left + label->width() + 4, 8, width, 22);
        label->SetFocusControl(box);
        left = box->x() + width + 12;
        return box;
    };
    tbxArtNom = searchBox("lblArtNom", QStringLiteral("&Артикул №"), "tbxArtNom", 90);
    tbxSearchValue = searchBox("lblSearchValue", QStringLiteral("&Наименувание"), "tbxSearchValue", 180);
    rbtAllDelivery = Place<TRadioButton>(this, "rbtAllDelivery", QStringLiteral("По доставки"), left, 9, 112, 20);
    rbtFiFo = Place<TRadioButton>(this, "rbtFiFo", QStringLiteral("По първи доставен"), left + 116, 9, 152, 20);
    rbtAllDelivery->SetChecked(true);

    DBGrid1 = PlaceGrid(this, "DBGrid1", DM->srcArticleTotalQuery, 8, 38, 764, 342);
    DBGrid1->SetReadOnly(true);
    DBGrid1->SetOptions(DBGrid1->Options() | dgRowSelect);
    SetColumns(DBGrid1, {{"article_code", "Артикул №", 72},
                         {"article_name", "Наименувание", kNameWidth},
                         {"total_quty", "Налични", 58},
                         {"sale_price", "Прод. цена", 70},
                         {"delivery_price", "Дост. цена", 74},
                         {"dimention", "Мярка", 48},
                         {"store_name", "Склад", 80},
                         {"producer", "Доставчик", 86}});
    // Every title is read whole, the per-article one included.
    const QFontMetrics titles(DBGrid1->TitleFont());
    for (int i = 0; i < DBGrid1->Columns().Count(); ++i) {
        TColumn* column = DBGrid1->Columns()[i];
        const QString title = i == kDeliveryPriceColumn ? QStringLiteral("Ср. дост. ц.") : column->Title().Caption();
        column->SetWidth(std::max(column->Width(), titles.horizontalAdvance(title) + 10));
    }
    Anchor(DBGrid1, akLeft | akTop | akRight | akBottom);
    // The room is known once the grid has laid out its row indicator and bars.
    WatchResize(DBGrid1->viewport(), [this] { FitNameColumn(); });
    PaintStockColours(DBGrid1);
    // The per-article query gives its average delivery price already as money text.
    ShowToTheCent(DM->tblArticleTotalQuery, {"sale_price", "delivery_price"});
    ShowToTheCent(DM->tblFiFoQuery, {"sale_price"});
    // The per-article rows have no supplier of their own: the column shows their first lot's.
    DBGrid1->OnDrawColumnCell = [this, paint = DBGrid1->OnDrawColumnCell](QObject* sender, const QRect& rect,
                                                                        int dataCol, TColumn* column,
                                                                        TGridDrawState state) {
        paint(sender, rect, dataCol, column, state);
        if (app::PerArticle && column && column->FieldName() == QLatin1String("producer"))
            DBGrid1->Canvas().TextRect(rect.adjusted(2, 0, -2, 0), ArticleSupplier(),
                                       int(Qt::AlignLeft | Qt::AlignVCenter));
    };

    lblWarning = Place<TLabel>(this, "lblWarning", QString(), 8, 396, 330, 18);
    QFont bold = lblWarning->font();
    bold.setBold(true);
    lblWarning->setFont(bold);
    lblWarning->SetFontColor(kWarningColor);
    lblWarning->hide();
    bYes = Place<TButton>(this, "bYes", QStringLiteral("&Избор"), 390, 390, 90, 28);
    bDel = Place<TButton>(this, "bDel", QStringLiteral("&Доставка в склад"), 488, 390, 186, 28);
    bDel->SetModalResult(kDeliveryResult);
    fbPrint = Place<TFlatButton>(this, "fbPrint", QStringLiteral("&Печат"), 584, 390, 90, 28);
    fbPrint->SetModalResult(kDeliveryResult);
    fbPrint->hide();
    bCancel = Place<TButton>(this, "bCancel", QStringLiteral("&Отказ"), 682, 390, 90, 28);
    Anchor(lblWarning, akLeft | akBottom);
    for (QWidget* control : std::initializer_list<QWidget*>{bYes, bDel, fbPrint, bCancel})
        Anchor(control, akRight | akBottom);

    rbtAllDelivery->OnClick = Bind(this, &TfSearch::rbtAllDeliveryClick);
    rbtFiFo->OnClick = Bind(this, &TfSearch::rbtFiFoClick);
    tbxSearchValue->OnChange = Bind(this, &TfSearch::tbxSearchValueChange);
    tbxArtNom->OnChange = Bind(this, &TfSearch::tbxArtNomChange);
    DBGrid1->OnTitleClick = Bind(this, &TfSearch::DBGrid1TitleClick);
    DBGrid1->OnDblClick = Bind(this, &TfSearch::bYesClick);
    for (TControl* control : std::initializer_list<TControl*>{DBGrid1, tbxArtNom, tbxSearchValue, this})
        control->OnKeyPress = Bind(this, &TfSearch::DBGrid1KeyPress);
    bYes->OnClick = Bind(this, &TfSearch::bYesClick);
    bCancel->OnClick = Bind(this, &TfSearch::bCancelClick);
    bDel->OnClick = Bind(this, &TfSearch::bDelClick);
    fbPrint->OnClick = Bind(this, &TfSearch::fbPrintClick);
    // Tab from the name search lands on the choice, as it does from the grid.
    QWidget::setTabOrder(tbxArtNom, tbxSearchValue);
    QWidget::setTabOrder(tbxSearchValue, bYes);
    OnActivate = Bind(this, &TfSearch::FormActivate);
    OnCloseQuery = Bind(this, &TfSearch::FormCloseQuery);
    PlaceFlatLook(this);

    if (!fSearch) fSearch = this;
}

TfSearch::~TfSearch()
{
    if (fSearch == this) fSearch = nullptr;
}

// --- the view ----------------------------------------------------------------------------------

void TfSearch::SwitchView()
{
    TColumn* deliveryPrice = DBGrid1->Columns()[kDeliveryPriceColumn];
    deliveryPrice->Title().SetCaption(app::PerArticle ? QStringLiteral("Ср. дост. ц.") : QStringLiteral("Дост. цена"));
    for (int column : {5, 6})
        DBGrid1->Columns()[column]->SetVisible(!app::PerArticle);
    app::CurrentStockDataSet = app::PerArticle ? DM->tblFiFoQuery : DM->tblArticleTotalQuery;
    DM->srcArticleTotalQuery->SetDataSet(app::CurrentStockDataSet);
    ReadArticleSuppliers();
    FitNameColumn();
}

void TfSearch::ReadArticleSuppliers()
{
    articleSuppliers_.clear();
    if (!app::PerArticle || !DM->VantelDataBase->Connected()) return;
    TDaoTable* lots = DM->OpenQuery(QString::fromLatin1(kLotsInStockSql));
    // The first lot of an article is the one a pick takes.
    for (lots->First(); !lots->Eof(); lots->Next()) {
        const QString key = ArticleKey(lots);
        if (!articleSuppliers_.contains(key)) articleSuppliers_.insert(key, F(lots, "producer")->AsString());
    }
    lots->Close();
}

QString TfSearch::ArticleSupplier() const
{
    TDataSet* view = DM->tblFiFoQuery;
    if (!app::PerArticle || !view->Active() || view->IsEmpty()) return {};
    return articleSuppliers_.value(ArticleKey(view));
}

void TfSearch::FitNameColumn()
{
    int others = 0;
    for (int i = 0; i < DBGrid1->Columns().Count(); ++i)
        if (i != kNameColumn && DBGrid1->Columns()[i]->Visible()) others += DBGrid1->Columns()[i]->Width();
    // An empty grid has not placed its row indicator yet; it takes its room once rows show.
    const QHeaderView* indicator = DBGrid1->verticalHeader();
    const int room = DBGrid1->viewport()->width() - (indicator->isVisible() && indicator->count() == 0 ? kIndicatorRoom : 0);
    DBGrid1->Columns()[kNameColumn]->SetWidth(std::max(kNameWidth, room - others - 2));
}

void TfSearch::RequeryStock(TDataSet* stock)
{
    auto* table = qobject_cast<TDaoTable*>(stock);
    if (!table || !table->Active()) return;
    // Read again under the filter; switching the filter off and on around a re-query would only
    // run the whole stock twice more. Switching it on reads the rows again by itself.
    if (table->Filtered())
        table->Requery();
    else
        table->SetFiltered(true);
}

void TfSearch::PrepareStock(bool keepView)
{
    // Emptied first, so that the view switched below is not searched for the last text.
    tbxSearchValue->SetText(QString());
    tbxArtNom->SetText(QString());
    if (!keepView) {
        rbtAllDelivery->SetChecked(true);
        if (fSetings) fSetings->rbtAllDelivery->SetChecked(true);
        if (fPasswordDlg) fPasswordDlg->SaveSettings();
    }
    app::PerArticle = fSetings && fSetings->rbtFiFo->Checked();
    SwitchView();
    if (SettingOn(&TfSetings::cbxDynamic)) {
        TControlsOff gridOff(DBGrid1->DataSet() ? DBGrid1->DataSet() : StockView());
        if (app::PerArticle) RequeryStock(DM->tblFiFoQuery);
        RequeryStock(DM->tblArticleTotalQuery);
    }
    DM->tblFiFoQuery->SetFiltered(true);
}

void TfSearch::SetBrowseMode()
{
    bYes->hide();
    bDel->hide();
    fbPrint->show();
    bCancel->SetCaption(QStringLiteral("&Изход"));
}

void TfSearch::FormActivate(QObject*)
{
    tbxSearchValue->SetFocus();
    if (fSetings) {
        if (fSetings->rbtFiFo->Checked()) rbtFiFo->SetChecked(true);
        if (fSetings->rbtAllDelivery->Checked()) rbtAllDelivery->SetChecked(true);
        app::PerArticle = fSetings->rbtFiFo->Checked();
    }
    SwitchView();
    ShowWarningLabel();
}

void TfSearch::ShowWarningLabel()
{
    TDataSet* sale = DM->tblSale;
    const bool order = sale->Active() && !sale->IsEmpty();
    QString text;
    if (order && F(sale, "invoice_annul")->AsBoolean()) text = QStringLiteral("Внимание ! Анулирана поръчка !");
    if (order && !F(sale, "invoice_accept")->AsBoolean()) text = QStringLiteral("Внимание ! Неприключена сметка !");
    if (!SettingOn(&TfSetings::cbxDynamic)) text = QStringLiteral("Внимание ! Няма динамична проверка !");
    lblWarning->SetCaption(text);
    lblWarning->setVisible(!text.isEmpty());
}

void TfSearch::SaveViewSetting(TRadioButton* radio, TRadioButton* setting)
{
    if (!fSetings) return;
    if (radio->Checked()) setting->SetChecked(true);
    if (fPasswordDlg) fPasswordDlg->SaveSettings();
    app::PerArticle = fSetings->rbtFiFo->Checked();
}

void TfSearch::rbtAllDeliveryClick(QObject*)
{
    SaveViewSetting(rbtAllDelivery, fSetings ? fSetings->rbtAllDelivery : nullptr);
    SwitchView();
    tbxSearchValueChange(tbxSearchValue);
}

void TfSearch::rbtFiFoClick(QObject*)
{
    SaveViewSetting(rbtFiFo, fSetings ? fSetings->rbtFiFo : nullptr);
    if (app::PerArticle) WarnPerArticle();
    SwitchView();
    RequeryStock(app::CurrentStockDataSet);
    tbxSearchValueChange(tbxSearchValue);
}

void TfSearch::WarnPerArticle()
{
    QString text;
    if (!Hooked(OrderWindowHooks().Finished) || Hooked(OrderWindowHooks().Annulled))
        text = QStringLiteral("Поръчката не е приключена и в този режим може да\rизбирате само количества от първата "
                              "доставка !");
    else if (!SettingOn(&TfSetings::cbxDynamic))
        text = QStringLiteral("Няма динамично следене и в този режим може да\rизбирате само количества от първата "
                              "доставка !");
    if (text.isEmpty()) return;
    if (fMyMessage) fMyMessage->SetHelpContext(1);
    ShowWarning(text, true);
}

// --- searching, sorting, keys --------------------------------------------------------------------

namespace {

// The view on the first row whose `field` starts with `text`. Every row starts with an empty
// text: the first row is that, without asking the stock again.
void SearchStock(const char* field, const QString& text)
{
    auto* stock = qobject_cast<TDaoTable*>(StockView());
    if (!stock || !stock->Active()) return;
    if (text.isEmpty())
        stock->First();
    else
        SearchKeyQuietly(stock, QString::fromLatin1(field), text);
}

}  // namespace

void TfSearch::tbxSearchValueChange(QObject*) { SearchStock("article_name", tbxSearchValue->Text()); }

void TfSearch::tbxArtNomChange(QObject*) { SearchStock("article_code", tbxArtNom->Text()); }

void TfSearch::DBGrid1TitleClick(QObject*, TColumn* column)
{
    auto* stock = qobject_cast<TDaoTable*>(StockView());
    if (stock && column && !column->FieldName().isEmpty()) SortBy(stock, column->FieldName());
}

void TfSearch::DBGrid1KeyPress(QObject* sender, QChar& key)
{
    HandleGridKeys(key, {[this] { Close(); }, [this, sender] { bYesClick(sender); }, [this] { bYes->SetFocus(); }});
}

// --- the buttons -------------------------------------------------------------------------------

void TfSearch::bCancelClick(QObject*) { Close(); }

void TfSearch::bDelClick(QObject*) {}

void TfSearch::fbPrintClick(QObject*)
{
    if (!fUniversalReportPlus) return;
    // Without the dynamic check the totals were never read; they print as last read otherwise.
    if (!DM->tblArticleTotalq->Active()) DM->tblArticleTotalq->Open();
    fUniversalReportPlus->PrintGrid(DBGrid1);
}

void TfSearch::FormCloseQuery(QObject*, bool& canClose)
{
    bCancel->SetCaption(QStringLiteral("&Отказ"));
    bDel->show();
    fbPrint->hide();
    bYes->show();
    canClose = true;
}

void TfSearch::bYesClick(QObject*)
{
    TDataSet* view = StockView();
    if (app::OrderLocked || bYes->isHidden() || !view->Active() || view->IsEmpty() ||
        F(view, "article_name")->IsNull())
        return;
    std::optional<THourglass> hourglass(std::in_place);
    TControlsOff lineControls(DM->tblSaleDetail);
    const auto refuse = [&](const QString& text) {
        lineControls.Enable();
        hourglass.reset();
        ShowWarning(text, false);
    };
    TStockLot lot;
    try {
        if (!app::PerArticle) {
            lot = LotOf(DM->tblArticleTotalQuery);
        } else if (!FirstLotOf(view, lot)) {
            refuse(QStringLiteral("Няма такъв артикул в склада !"));
            return;
        }
        PutLotIntoLine(lot, lineControls);
    } catch (const std::exception& error) {
        // The window stays open: the person may pick again or cancel.
        refuse(ProcessStoppedText(error));
        return;
    }
    app::OrderDirty = true;
    hourglass.reset();
    Close();
}
