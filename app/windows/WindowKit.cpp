#include "app/windows/WindowKit.h"

#include "app/util/AppGlobals.h"
#include "app/windows/WindowServices.h"
#include "controls/FlatLook.h"
#include "dataaccess/DaoTable.h"
#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/gui/Application.h"
#include "platform/toolkit/gui/MaskEdit.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPointer>
#include <algorithm>

TDBGrid* PlaceGrid(QWidget* parent, const char* name, TDataSource* source, int left, int top, int width, int height)
{
    auto* grid = Place<TDBGrid>(parent, name, left, top, width, height);
    grid->SetDataSource(source);
    return grid;
}

namespace {

Qt::Alignment AlignmentOf(TColumnAlign align)
{
    switch (align) {
    case TColumnAlign::Left:
        return Qt::AlignLeft;
    case TColumnAlign::Right:
        return Qt::AlignRight;
    case TColumnAlign::Center:
        return Qt::AlignHCenter;
    case TColumnAlign::Auto:
        break;
    }
    return {};
}

}  // namespace

void SetColumns(TDBGrid* grid, std::span<const TColumnSpec> columns)
{
    TDBGridColumns& list = grid->Columns();
    list.BeginUpdate();
    list.Clear();
    for (const TColumnSpec& spec : columns) {
        TColumn* column = list.Add();
        column->SetFieldName(QString::fromLatin1(spec.Field));
        column->Title().SetCaption(QString::fromUtf8(spec.Title));
        if (spec.Width > 0) column->SetWidth(spec.Width);
        if (spec.Align != TColumnAlign::Auto) column->SetAlignment(AlignmentOf(spec.Align));
        column->SetReadOnly(spec.ReadOnly);
        for (const QString& value : spec.PickList)
            column->PickList().Add(value);
        if (spec.Button) column->SetButtonStyle(cbsEllipsis);
    }
    list.EndUpdate();
}

void SetColumns(TDBGrid* grid, std::initializer_list<TColumnSpec> columns)
{
    SetColumns(grid, std::span<const TColumnSpec>(columns.begin(), columns.size()));
}

namespace {

// Keeps a control's distances to the anchored edges of its parent as the parent is resized.
class TAnchorKeeper : public QObject {
public:
    TAnchorKeeper(QWidget* control, int anchors) : QObject(control), control_(control), anchors_(anchors)
    {
        QWidget* parent = control->parentWidget();
        const QRect r = control->geometry();
        right_ = parent->width() - r.right();
        bottom_ = parent->height() - r.bottom();
        parent->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize && control_ && watched == control_->parentWidget()) Follow();
        return false;
    }

private:
    void Follow()
    {
        const QWidget* parent = control_->parentWidget();
        QRect r = control_->geometry();
        if (anchors_ & akRight) {
            const int right = parent->width() - right_;
            if (anchors_ & akLeft)
                r.setRight(right);
            else
                r.moveRight(right);
        }
        if (anchors_ & akBottom) {
            const int bottom = parent->height() - bottom_;
            if (anchors_ & akTop)
                r.setBottom(bottom);
            else
                r.moveBottom(bottom);
        }
        control_->setGeometry(r);
    }

    QPointer<QWidget> control_;
    int anchors_;
    int right_ = 0;
    int bottom_ = 0;
};

}  // namespace

void Anchor(QWidget* control, int anchors)
{
    if (control->parentWidget() && (anchors & (akRight | akBottom))) new TAnchorKeeper(control, anchors);
}

void SortBy(TDaoTable* table, const QString& field)
{
    THourglass hourglass;
    table->SortedBy().Clear();
    table->SortedBy().Add(QLatin1Char('[') + field + QStringLiteral("] ASC"));
    table->ReopenDaoRecordset();
}

void SortOnTitleClick(TDBGrid* grid, TDaoTable* table)
{
    grid->OnTitleClick = [table](QObject*, TColumn* column) {
        if (column && !column->FieldName().isEmpty()) SortBy(table, column->FieldName());
    };
}

void SortOnTitleClick(TDBGrid* grid)
{
    grid->OnTitleClick = [grid](QObject*, TColumn* column) {
        auto* table = dynamic_cast<TDaoTable*>(grid->DataSet());
        if (table && column && !column->FieldName().isEmpty()) SortBy(table, column->FieldName());
    };
}

bool SearchKey(TDaoTable* table, const QString& keyFields, const QString& text)
{
    table->SetKeyFields(keyFields);
    return table->FindKey({text});
}

bool SearchKeyQuietly(TDaoTable* table, const QString& keyFields, const QString& text)
{
    try {
        return SearchKey(table, keyFields, text);
    } catch (const std::exception&) {
        table->GetLastDaoError(app::LastDaoError);
        return false;
    }
}

namespace {

class TResizeWatch : public QObject {
public:
    TResizeWatch(QWidget* watched, std::function<void()> resized) : QObject(watched), resized_(std::move(resized))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Resize) resized_();
        return false;
    }

private:
    std::function<void()> resized_;
};

}  // namespace

void WatchResize(QWidget* watched, std::function<void()> resized) { new TResizeWatch(watched, std::move(resized)); }

void StretchColumn(TDBGrid* grid, int stretch)
{
    const int least = grid->Columns()[stretch]->Width();
    const auto fit = [grid, stretch, least] {
        int others = 0;
        for (int i = 0; i < grid->Columns().Count(); ++i)
            if (i != stretch && grid->Columns()[i]->Visible()) others += grid->Columns()[i]->Width();
        const int width = std::max(least, grid->viewport()->width() - others);
        if (grid->Columns()[stretch]->Width() != width) grid->Columns()[stretch]->SetWidth(width);
    };
    // The grid sizes its viewport more than once while it lays itself out; the room is what it
    // has once that is done.
    WatchResize(grid->viewport(), [grid, fit] { QMetaObject::invokeMethod(grid, fit, Qt::QueuedConnection); });
}

void WidenToTitles(TDBGrid* grid)
{
    const QFontMetrics titles(grid->TitleFont());
    for (int i = 0; i < grid->Columns().Count(); ++i) {
        TColumn* column = grid->Columns()[i];
        column->SetWidth(std::max(column->Width(), titles.horizontalAdvance(column->Title().Caption()) + 10));
    }
}

void HandleGridKeys(QChar& key, const TGridKeys& keys)
{
    const std::function<void()>* action = key == QLatin1Char('\x1b') ? &keys.Escape
                                          : key == QLatin1Char('\r')  ? &keys.Enter
                                          : key == QLatin1Char('\t')  ? &keys.Tab
                                                                       : nullptr;
    if (!action) return;
    key = QChar();
    if (*action) (*action)();
}

TColor StockColour(TDataSet* dataset, const QString& quantityField, const QString& serviceField)
{
    if (!dataset || !dataset->Active() || dataset->IsEmpty()) return clDefault;
    if (!quantityField.isEmpty()) {
        TField* quantity = dataset->FindField(quantityField);
        if (quantity && quantity->AsFloat() < 1) return kNoStockColor;
    }
    TField* service = dataset->FindField(serviceField);
    if (service && service->AsBoolean()) return kServiceColor;
    return clDefault;
}

void PaintStockColours(TDBGrid* grid, const QString& quantityField, const QString& serviceField)
{
    grid->OnDrawColumnCell = [grid, quantityField, serviceField](QObject*, const QRect& rect, int dataCol,
                                                                 TColumn* column, TGridDrawState state) {
        const TColor colour = StockColour(grid->DataSet(), quantityField, serviceField);
        if (colour != clDefault) grid->Canvas().SetFontColor(colour);
        grid->DefaultDrawColumnCell(rect, dataCol, column, state);
    };
}

namespace {

// The dataset's own list of its money fields, kept with it for the hook that formats them.
constexpr const char* kMoneyFields = "moneyFields";

void FormatMoneyFields(TDataSet* dataset)
{
    for (const QString& name : dataset->property(kMoneyFields).toStringList())
        if (auto* field = qobject_cast<TNumericField*>(dataset->FindField(name)))
            field->SetDisplayFormat(QStringLiteral("0.00"));
}

}  // namespace

void ShowToTheCent(TDataSet* dataset, std::initializer_list<const char*> fields)
{
    QStringList money = dataset->property(kMoneyFields).toStringList();
    const bool hooked = !money.isEmpty();
    for (const char* field : fields)
        if (!money.contains(QString::fromLatin1(field))) money << QString::fromLatin1(field);
    dataset->setProperty(kMoneyFields, money);
    if (!hooked)
        dataset->AfterOpen = [previous = std::move(dataset->AfterOpen)](TDataSet* opened) {
            FormatMoneyFields(opened);
            if (previous) previous(opened);
        };
    if (dataset->Active()) FormatMoneyFields(dataset);
}

QString MoneyText(double value) { return QString::number(value, 'f', 2); }

TFlatLook* PlaceFlatLook(TForm* form, TFlatLookMenus menus, bool gradient)
{
    auto* look = new TFlatLook(form);
    look->setObjectName(QStringLiteral("FlatLook1"));
    const bool flatMenus = menus == TFlatLookMenus::Flat;
    look->SetAutoDetect(flatMenus);
    look->SetFlatMenu(flatMenus);
    look->SetGradient(gradient);
    look->SetFlatControls(TFlatControls::UpTo(xcGroupBox).Without(xcListBox));
    look->SetActive(true);
    return look;
}

bool CheckDateEdit(TMaskEdit* edit)
{
    TDateTime day = 0;
    if (IsEmptyDate(edit->Text()) || TryStrToDate(edit->Text(), day)) return true;
    ShowWarning(QStringLiteral("Невалидна дата !"), false);
    edit->SetFocus();
    edit->SelectAll();
    return false;
}
