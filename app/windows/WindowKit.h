#pragma once
// The window kit: a window declares its menus, tool buttons, grid columns and data-aware controls
// as tables and binds its handlers in one form, instead of wiring each by hand; the habits many
// windows share (title-click sort, search as you type, stock colours, a grid that follows its
// window) are one call each.
//
//     static const TMenuSpec<TfCars> menu[] = {
//         {"", "Action1", "&Операции"},
//         {"Action1", "Append1", "&Добави", "Ctrl+Ins", &TfCars::Append1Click, &TfCars::Append1},
//     };
//     DeclareMenu(this, MainMenu1, menu);
//     DBGrid1 = PlaceGrid(this, "DBGrid1", DM->srcCar, 8, 40, 600, 300);
//     SetColumns(DBGrid1, {{"car_number", "Рег. №", 90}, {"motor_num", "Щета №", 120}});
//     SortOnTitleClick(DBGrid1, DM->tblCar);
//     tbxSearch->OnChange = Bind(this, &TfCars::tbxSearchChange);

#include "app/util/Placing.h"
#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/gui/DBGrid.h"
#include "platform/toolkit/gui/ImageList.h"
#include "platform/toolkit/gui/Menus.h"
#include "platform/toolkit/gui/ToolBar.h"

#include <QChar>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <span>
#include <type_traits>
#include <utility>

class TDaoTable;

// --- handlers ----------------------------------------------------------------------------------

// A window's handler as the event its controls raise: any event whose first argument is the
// sender (OnClick, OnCloseQuery with its flag, OnKeyPress with its key ...).
template <class TWindow, class... TArgs>
auto Bind(TWindow* window, void (TWindow::*handler)(QObject*, TArgs...))
{
    return [window, handler](QObject* sender, TArgs... args) {
        (window->*handler)(sender, std::forward<TArgs>(args)...);
    };
}

// --- menus and tool buttons --------------------------------------------------------------------

// One menu item: `Parent` names the item it goes under ("" for the menu's top line), a caption
// "-" makes a separator. The handler and the window's member for the item are optional.
template <class TWindow>
struct TMenuSpec {
    const char* Parent;
    const char* Name;
    const char* Caption;
    const char* ShortCut = "";
    void (TWindow::*Handler)(QObject*) = nullptr;
    TMenuItem* TWindow::*Member = nullptr;
};

// Adds the items under `menu` in their order, named, captioned, with short-cuts and handlers.
// A parent must come before its items.
template <class TWindow>
void DeclareMenu(TWindow* window, TMenu* menu, std::span<const TMenuSpec<std::type_identity_t<TWindow>>> items)
{
    for (const TMenuSpec<TWindow>& spec : items) {
        TMenuItem* parent = menu->Items();
        if (spec.Parent && *spec.Parent)
            parent = window->template findChild<TMenuItem*>(QString::fromLatin1(spec.Parent));
        Q_ASSERT_X(parent, "DeclareMenu", spec.Name);
        TMenuItem* item = PlaceMenuItem(window, parent, spec.Name, QString::fromUtf8(spec.Caption));
        if (spec.ShortCut && *spec.ShortCut) item->SetShortCut(TextToShortCut(QString::fromLatin1(spec.ShortCut)));
        if (spec.Handler) item->OnClick = Bind(window, spec.Handler);
        if (spec.Member) window->*spec.Member = item;
    }
}

// One button of a tool bar: its picture is its place in the bar's image list. Without a handler
// the button is shown but not offered.
template <class TWindow>
struct TToolButtonSpec {
    const char* Name;
    const char* Caption;
    void (TWindow::*Handler)(QObject*) = nullptr;
    TToolButton* TWindow::*Member = nullptr;
};

template <class TWindow>
void DeclareToolButtons(TWindow* window, TToolBar* bar,
                        std::span<const TToolButtonSpec<std::type_identity_t<TWindow>>> buttons)
{
    int picture = 0;
    for (const TToolButtonSpec<TWindow>& spec : buttons) {
        auto* button = new TToolButton(bar);
        button->setObjectName(QString::fromLatin1(spec.Name));
        button->SetCaption(QString::fromUtf8(spec.Caption));
        button->SetHint(QString::fromUtf8(spec.Caption));
        button->SetImageIndex(picture++);
        if (spec.Handler)
            button->OnClick = Bind(window, spec.Handler);
        else
            button->setEnabled(false);
        if (spec.Member) window->*spec.Member = button;
    }
}

// --- data-aware controls and grids -------------------------------------------------------------

// A data-aware control on `parent`, named, placed and bound to `field` of `source`.
template <class TControlClass>
TControlClass* PlaceDB(QWidget* parent, const char* name, TDataSource* source, const char* field, int left, int top,
                       int width, int height)
{
    auto* control = Place<TControlClass>(parent, name, left, top, width, height);
    control->SetDataSource(source);
    control->SetDataField(QString::fromLatin1(field));
    return control;
}

// A grid on `parent` over `source`.
TDBGrid* PlaceGrid(QWidget* parent, const char* name, TDataSource* source, int left, int top, int width, int height);

enum class TColumnAlign { Auto, Left, Right, Center };

// One grid column. `Width` 0 takes the field's display width; `Button` puts the "..." button on
// the cell editor (the grid's OnEditButtonClick).
struct TColumnSpec {
    const char* Field;
    const char* Title;
    int Width = 0;
    TColumnAlign Align = TColumnAlign::Auto;
    bool ReadOnly = false;
    QStringList PickList = {};
    bool Button = false;
};

// Replaces the grid's columns by these, in their order.
void SetColumns(TDBGrid* grid, std::initializer_list<TColumnSpec> columns);
void SetColumns(TDBGrid* grid, std::span<const TColumnSpec> columns);

// Runs `resized` whenever `watched` changes size, as long as it lives.
void WatchResize(QWidget* watched, std::function<void()> resized);
// Column `stretch` of `grid` takes the room the other columns leave in the grid, never less than
// the width it has now: the columns fill the grid as it follows its window, and only a window
// made smaller than its design shows the horizontal bar.
void StretchColumn(TDBGrid* grid, int stretch);
// Every column of `grid` made at least as wide as its title, so that no title is cut.
void WidenToTitles(TDBGrid* grid);

// Which edges of its parent a control keeps its distance to when the parent is resized.
enum TAnchor { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
// `control` keeps its distances to the anchored edges of its parent from now on: anchored left
// and right it stretches, anchored right only it moves.
void Anchor(QWidget* control, int anchors);

// --- habits of the list windows ----------------------------------------------------------------

// A click on a column title sorts `table` by that column ("[field] ASC") through a re-open of
// its recordset, with the hourglass meanwhile.
void SortOnTitleClick(TDBGrid* grid, TDaoTable* table);
// The same, on the dataset the grid shows at the time of the click (a grid whose source is
// switched between datasets).
void SortOnTitleClick(TDBGrid* grid);
// Sorts `table` by `field` now.
void SortBy(TDaoTable* table, const QString& field);

// Puts `table` on the first row whose `keyFields` match `text` (the table's key search: a text
// field by prefix and without case, a number field by equal value); false when none does.
bool SearchKey(TDaoTable* table, const QString& keyFields, const QString& text);
// The same for a search box: a search the engine refuses is read as its last error (the
// last-DAO-error global) and leaves the rows where they are; it never edits a row.
bool SearchKeyQuietly(TDaoTable* table, const QString& keyFields, const QString& text);

// The keys of a list window's grid: Esc runs `Escape`, Enter `Enter` and Tab `Tab`, each key then
// taken so that the grid does nothing more with it; other keys pass untouched.
struct TGridKeys {
    std::function<void()> Escape, Enter, Tab;
};
void HandleGridKeys(QChar& key, const TGridKeys& keys);

// The font colours of stock and article grids.
constexpr TColor kNoStockColor = 7105791;
constexpr TColor kServiceColor = 13144667;
// Paints the grid's rows as stock lists do: under 1 in `quantityField` in the no-stock colour,
// else service rows (`serviceField` true) in the service colour; then the default drawing.
// An empty `quantityField` colours only the service rows.
void PaintStockColours(TDBGrid* grid, const QString& quantityField = QStringLiteral("total_quty"),
                       const QString& serviceField = QStringLiteral("service"));
// The colour a row of `dataset` gets by that rule; clDefault for an ordinary row.
TColor StockColour(TDataSet* dataset, const QString& quantityField, const QString& serviceField);

// --- money -------------------------------------------------------------------------------------

// The money fields of `dataset` (prices, sums, values) show two decimals, "12.50", as a shop
// reads them, from now on and after every open, which makes a table's fields anew. Fields that
// are not numbers (amounts the database already formats) are left as they are.
void ShowToTheCent(TDataSet* dataset, std::initializer_list<const char*> fields);
// `value` as money is shown: two decimals.
QString MoneyText(double value);

// --- the flat look -----------------------------------------------------------------------------

class TFlatLook;
class TForm;
enum class TFlatLookMenus { Flat, Plain };
// Gives `form` the program's flat look, active at once: menus owner-drawn (pop-ups with the flat
// border, and menus made later made flat when first shown, unless `menus` is Plain), tool bars
// and standard controls painted flat except list boxes, the icon column as a gradient when
// `gradient`. Call it after the form's controls are placed.
TFlatLook* PlaceFlatLook(TForm* form, TFlatLookMenus menus = TFlatLookMenus::Flat, bool gradient = false);

// --- date edits --------------------------------------------------------------------------------

class TMaskEdit;
// True when `edit` holds a date or is empty; else "Невалидна дата !" is shown and the focus goes
// back into the edit with its text selected.
bool CheckDateEdit(TMaskEdit* edit);
