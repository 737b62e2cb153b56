#include "app/windows/uCarsVantel.h"

#include "app/datamodule/DModule.h"
#include "app/util/AppFlags.h"
#include "app/util/AppGlobals.h"
#include "app/windows/CarVantelPrivate.h"
#include "app/windows/WindowKit.h"
#include "app/windows/uSearch.h"
#include "dataaccess/DaoDataBase.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/DBControls.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/StandardControls.h"

#include <QStyle>

using namespace main_window;

// --- the lines ---------------------------------------------------------------------------------

namespace {

const TMenuSpec<M> kGridPopup[] = {
    {"", "popAppend", "Добави       Ctrl+Ins", "", &M::popAppendClick, &M::popAppend},
    {"", "popClear", "Изтрий        Ctrl+Del", "", &M::popClearClick, &M::popClear},
    {"", "popFirst", "Първи          PagUp", "", &M::popFirstClick, &M::popFirst},
    {"", "popLast", "Последен    PagDown", "", &M::popLastClick, &M::popLast},
    {"", "poReCall", "Преизчисли   F12", "", &M::poReCallClick, &M::poReCall},
    {"", "popCommit", "Приключи      F2", "", &M::Commit1Click, &M::popCommit},
    {"", "popRefresh", "Опресни         F9", "", &M::Refresh2Click, &M::popRefresh},
};

}  // namespace

void TfCarVantel::BuildLines()
{
    MyDBGrid1 = PlaceGrid(pnlLines, "MyDBGrid1", DM->srcSaleDetail, 2, 2, pnlLines->width() - 4, pnlLines->height() - 30);
    MyDBGrid1->SetOptions(dgEditing | dgAlwaysShowEditor | dgTitles | dgColLines | dgRowLines | dgTabs |
                          dgConfirmDelete | dgCancelOnExit);
    MyDBGrid1->SetColor(15790320);
    MyDBGrid1->SetFixedColor(14408667);
    MyDBGrid1->SetFontColor(6316128);
    QFont bold = MyDBGrid1->font();
    bold.setBold(true);
    MyDBGrid1->setFont(bold);
    using A = TColumnAlign;
    SetColumns(MyDBGrid1, {{"cur_prod_count", " № ", 22, A::Auto, true},
                           {"article_name", "Наименование", 343, A::Auto, false, {}, true},
                           {"dimention", "М-ка", 34, A::Auto, false,
                            {QStringLiteral("бр."), QStringLiteral("кг."), QStringLiteral("лит."), QStringLiteral("м."),
                             QStringLiteral("см."), QStringLiteral("ч.")}},
                           {"sale_quantity", "Кол.", 33, A::Center},
                           {"sale_price", "Ед.Цена", 54},
                           {"discount", "ТО%", 29},
                           {"TotalSaleSum", "Стойност", 63}});
    for (int column : {0, 5})
        MyDBGrid1->Columns()[column]->Title().SetAlignment(Qt::AlignHCenter);
    ShowToTheCent(DM->tblSaleDetail, {"sale_price", "delivery_price"});
    // A title is read whole; the name takes what the others leave.
    const QFontMetrics title(MyDBGrid1->TitleFont());
    int others = 0;
    for (int i = 0; i < MyDBGrid1->Columns().Count(); ++i) {
        TColumn* column = MyDBGrid1->Columns()[i];
        if (i == 1) continue;
        column->SetWidth(std::max(column->Width(), title.horizontalAdvance(column->Title().Caption()) + 8));
        others += column->Width() + 1;
    }
    MyDBGrid1->Columns()[1]->SetWidth(MyDBGrid1->width() - others -
                                      MyDBGrid1->style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 6);
    StretchColumn(MyDBGrid1, 1);

    const int top = pnlLines->height() - 25;
    const auto pair = [this, top](const char* coverName, const char* boundName, const char* field, const char* hint,
                                  int left) {
        auto* cover = Place<TEdit>(pnlLines, coverName, left, top, 80, 20);
        auto* bound = PlaceDB<TDBEdit>(pnlLines, boundName, DM->srcSaleDetail, field, left, top, 80, 20);
        cover->SetHint(QString::fromUtf8(hint));
        cover->SetReadOnly(true);
        bound->SetHint(QString::fromUtf8(hint));
        bound->SetReadOnly(true);
        bound->hide();
        return std::pair{cover, bound};
    };
    std::tie(dbe1, dbeDeliveryPrice) = pair("dbe1", "dbeDeliveryPrice", "delivery_price", "Доставна цена", 4);
    std::tie(dbe2, dbeQutyRem) = pair("dbe2", "dbeQutyRem", "quantity_reminder", "Налично количество", 88);
    dbe1->OnClick = Bind(this, &M::dbe1Click);
    dbeDeliveryPrice->OnClick = Bind(this, &M::dbeDeliveryPriceClick);
    dbe2->OnClick = Bind(this, &M::dbe2Click);
    dbeQutyRem->OnClick = Bind(this, &M::dbeQutyRemClick);
    dbe1->OnKeyPress = Bind(this, &M::dbe1KeyPress);
    dbe2->OnKeyPress = Bind(this, &M::dbe2KeyPress);

    MyGridPopup = new TPopupMenu(this);
    MyGridPopup->setObjectName(QStringLiteral("MyGridPopup"));
    DeclareMenu(this, MyGridPopup, kGridPopup);
    MyGridPopup->OnPopup = Bind(this, &M::MyGridPopupPopup);
    MyDBGrid1->SetPopupMenu(MyGridPopup);

    MyDBGrid1->OnKeyPress = Bind(this, &M::MyDBGrid1KeyPress);
    MyDBGrid1->OnDrawColumnCell = Bind(this, &M::MyDBGrid1DrawColumnCell);
    MyDBGrid1->OnMouseMove = Bind(this, &M::MyDBGrid1MouseMove);
    MyDBGrid1->OnEnter = Bind(this, &M::MyDBGrid1Enter);
    MyDBGrid1->OnColEnter = Bind(this, &M::MyDBGrid1ColEnter);
    MyDBGrid1->OnColExit = Bind(this, &M::MyDBGrid1ColExit);
    MyDBGrid1->OnExit = Bind(this, &M::MyDBGrid1Exit);
    MyDBGrid1->OnEditButtonClick = Bind(this, &M::MyDBGrid1EditButtonClick);
}

void TfCarVantel::RenumberLines()
{
    if (app::RenumberingLines) return;
    app::TRenumberingGuard guard;
    app::LineAdded = false;
    InLinesBatch([](TDaoTable* lines) {
        int number = 0;
        for (lines->First(); !lines->Eof(); lines->Next()) {
            lines->Edit();
            FieldOf(lines, "cur_prod_count")->SetAsInteger(++number);
            lines->Post();
        }
    });
}

void TfCarVantel::RequeryLines()
{
    WithLinesDisabled([](TDaoTable* lines) {
        if (!lines->Requery()) lines->Refresh();
    });
}

void TfCarVantel::MakeGridEditable()
{
    MyDBGrid1->Columns().BeginUpdate();
    MyDBGrid1->SetOptions(MyDBGrid1->Options() & ~dgEditing);
    TApplication::ProcessMessages();
    if (DM->VantelDataBase->Connected()) DM->VantelDataBase->Idle();
    MyDBGrid1->SetOptions(MyDBGrid1->Options() | dgEditing);
    for (int column : {2, 4, 5, 6})
        MyDBGrid1->Columns()[column]->SetReadOnly(false);
    MyDBGrid1->Columns().EndUpdate();
    DM->srcSaleDetail->SetAutoEdit(true);
}

void TfCarVantel::MyDBGrid1KeyPress(QObject*, QChar& key)
{
    app::MissingStock = false;
    const TField* field = MyDBGrid1->SelectedField();
    const QString name = field ? field->FieldName() : QString();
    if (key == QLatin1Char('-') && (name == QLatin1String("sale_quantity") || name == QLatin1String("sale_price") ||
                                    name == QLatin1String("discount"))) {
        key = QChar();
        return;
    }
    if (key == QLatin1Char('\x1b')) {
        key = QChar();
        FocusCarPanel();
        return;
    }
    if (key == QLatin1Char('\t')) {
        key = QChar();
        Panel3->setFocus(Qt::TabFocusReason);
        return;
    }
    if (name != QLatin1String("article_name")) return;
    // A stock article's name comes from its lot and is not typed over. A line not taken from a
    // lot (a new one, or one typed by hand) has none; its service flag is False, never Null.
    TDataSet* lines = DM->tblSaleDetail;
    if (!FieldOf(lines, "service")->AsBoolean() && !FieldOf(lines, "delivery_detail_id")->IsNull()) {
        key = QChar();
    } else if (key == QLatin1Char('\r')) {
        key = QChar();
        MyDBGrid1EditButtonClick(MyDBGrid1);
    }
}

void TfCarVantel::MyDBGrid1EditButtonClick(QObject*)
{
    if (MyDBGrid1->ReadOnly() || app::OrderLocked || !fSearch) return;
    {
        THourglass hourglass;
        // The lookup lists the stock through its own queries; the stock window's is not read.
        TApplication::ProcessMessages();
        DM->VantelDataBase->Idle();
        fSearch->PrepareStock(KeepsStockView());
    }
    const TField* name = FieldOf(DM->tblSaleDetail, "article_name");
    if (!name->IsNull()) fSearch->tbxSearchValue->SetText(name->AsString());
    if (fSearch->ShowModal() == TfSearch::kDeliveryResult) ShowStoresReadOnly();
}

void TfCarVantel::MyDBGrid1DrawColumnCell(QObject*, const QRect& rect, int dataCol, TColumn* column, int state)
{
    MyDBGrid1->SetShowHint(SettingOn(&TfSetings::cbMessages));
    TDataSet* lines = DM->tblSaleDetail;
    if (FieldOf(lines, "service")->AsBoolean()) {
        MyDBGrid1->Canvas().SetFontColor(kServiceColor);
    } else if (FieldOf(lines, "quantity_reminder")->AsFloat() - FieldOf(lines, "sale_quantity")->AsFloat() < 0) {
        MyDBGrid1->Canvas().SetFontColor(kNoStockColor);
        app::MissingStock = true;
    }
    MyDBGrid1->DefaultDrawColumnCell(rect, dataCol, column, state);
}

void TfCarVantel::MyDBGrid1MouseMove(QObject*, TShiftState, int, int)
{
    TDataSet* lines = DM->tblSaleDetail;
    MyDBGrid1->SetHint(FieldOf(lines, "article_name")->AsString() + QStringLiteral(" < кол. ") +
                       FieldOf(lines, "quantity_reminder")->AsString() + QStringLiteral(" > - д.ц. ") +
                       dbeDeliveryPrice->Text());
}

void TfCarVantel::MyDBGrid1Enter(QObject*)
{
    MakeGridEditable();
}

void TfCarVantel::MyDBGrid1ColEnter(QObject*)
{
    if (DM->tblSaleDetail->ControlsDisabled()) DM->tblSaleDetail->EnableControls();
    MakeGridEditable();
}

void TfCarVantel::MyDBGrid1ColExit(QObject*)
{
    if (app::OrderLocked || !app::NewLine) return;
    app::NewLine = false;
    WithLinesDisabled([](TDaoTable* lines) { lines->Refresh(); });
}

void TfCarVantel::MyDBGrid1Exit(QObject*)
{
    if (app::OrderLocked || !app::LineAdded) return;
    RenumberLines();
    app::LineAdded = false;
}

void TfCarVantel::popAppendClick(QObject*)
{
    if (!CheckConnection() || app::OrderLocked) return;
    DM->tblSaleDetail->Append();
}

void TfCarVantel::popClearClick(QObject*)
{
    if (!CheckConnection()) return;
    TDaoTable* lines = DM->tblSaleDetail;
    if (FieldOf(lines, "id")->IsNull() || app::OrderLocked) return;
    if (!SettingOn(&TfSetings::cbMessages) ||
        !ShowWarning(QStringLiteral("Текущия ред от таблицата ще бъде премахнат !\rНаистина ли искате това ?"), true))
        return;
    try {
        lines->Delete();
        TApplication::ProcessMessages();
        DM->VantelDataBase->Idle();
        if (!lines->Requery()) lines->Refresh();
        RenumberLines();
        DM->tblSaleTotalQuery->Requery();
        DM->tblSaleTotalQuery->RequeryIfRestartable();
        // The order's stored total no longer holds: leaving it must ask.
        app::OrderDirty = true;
    } catch (const std::exception&) {
        ShowWarning(QStringLiteral("Поради възникнала грешка, записът не бе премахнат !"), false);
    }
}

void TfCarVantel::popFirstClick(QObject*)
{
    DM->tblSaleDetail->First();
}

void TfCarVantel::popLastClick(QObject*)
{
    DM->tblSaleDetail->Last();
}

void TfCarVantel::poReCallClick(QObject*)
{
    RequeryLines();
}

void TfCarVantel::MyGridPopupPopup(QObject*)
{
    const bool editing = lblEditing->Visible();
    for (TMenuItem* item : {popClear, popCommit, popAppend, poReCall})
        item->SetEnabled(editing);
}

void TfCarVantel::dbe1Click(QObject*)
{
    dbeDeliveryPrice->Show();
    dbe1->Hide();
}

void TfCarVantel::dbeDeliveryPriceClick(QObject*)
{
    dbeDeliveryPrice->Hide();
    dbe1->Show();
}

void TfCarVantel::dbe2Click(QObject*)
{
    dbeQutyRem->Show();
    dbe2->Hide();
}

void TfCarVantel::dbeQutyRemClick(QObject*)
{
    dbeQutyRem->Hide();
    dbe2->Show();
}

void TfCarVantel::dbe1KeyPress(QObject* sender, QChar& key)
{
    if (key == QLatin1Char('\r')) dbe1Click(sender);
}

void TfCarVantel::dbe2KeyPress(QObject* sender, QChar& key)
{
    if (key == QLatin1Char('\r')) dbe2Click(sender);
}
