#include "platform/toolkit/gui/DBGrid.h"

#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/gui/Application.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>

namespace {

bool IsNumeric(const TField* field)
{
    switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftAutoInc:
    case ftLargeint:
        return true;
    default:
        return false;
    }
}

// The cell editor: a line edit, or an editable combo for a pick list, with a "..." button for
// an ellipsis column.
class TGridEditor : public QWidget {
public:
    TGridEditor(QWidget* parent, TColumn* column, TDBGrid* grid) : QWidget(parent), grid_(grid)
    {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        if (column->PickList().Count() > 0) {
            combo_ = new QComboBox(this);
            combo_->setEditable(true);
            combo_->setInsertPolicy(QComboBox::NoInsert);
            combo_->addItems(column->PickList().ToStringList());
            edit_ = combo_->lineEdit();
            layout->addWidget(combo_);
            QObject::connect(combo_, QOverload<int>::of(&QComboBox::activated), grid, [grid] {
                Guarded([grid] { grid->EditorTyped(); });
            });
        } else {
            edit_ = new QLineEdit(this);
            edit_->setFrame(false);
            layout->addWidget(edit_);
        }
        // A cell takes no more than its field holds.
        if (const int limit = TFieldBinding::MaxLengthOf(column->Field()); limit > 0) edit_->setMaxLength(limit);
        edit_->installEventFilter(this);
        if (combo_) combo_->installEventFilter(this);
        if (column->ButtonStyle() == cbsEllipsis) {
            auto* button = new QToolButton(this);
            button->setText(QStringLiteral("..."));
            button->setFocusPolicy(Qt::NoFocus);
            layout->addWidget(button);
            QObject::connect(button, &QToolButton::clicked, grid, [grid] { Guarded([grid] { grid->EditButtonClicked(); }); });
        }
        QObject::connect(edit_, &QLineEdit::textEdited, grid, [grid] { Guarded([grid] { grid->EditorTyped(); }); });
        setFocusProxy(combo_ ? static_cast<QWidget*>(combo_) : edit_);
        setAutoFillBackground(true);
    }
    QString Text() const { return edit_->text(); }
    void SetText(const QString& text)
    {
        edit_->setText(text);
        edit_->selectAll();
    }
    QLineEdit* LineEdit() const { return edit_; }

protected:
    // A character the field cannot hold is refused as it is typed.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || (watched != edit_ && watched != combo_)) return false;
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.size() != 1 || !text[0].isPrint() || grid_->CellBinding().IsValidChar(text[0])) return false;
        QApplication::beep();
        return true;
    }

private:
    TDBGrid* grid_;
    QLineEdit* edit_ = nullptr;
    QComboBox* combo_ = nullptr;
};

}  // namespace

// -- the grid's data link

class TDBGrid::TGridLink : public TDataLink {
public:
    explicit TGridLink(TDBGrid* grid) : grid_(grid) {}

protected:
    void ActiveChanged() override { grid_->LinkActiveChanged(); }
    void DataSetChanged() override { grid_->LinkDataSetChanged(); }
    void DataSetScrolled(int) override { grid_->LinkScrolled(); }
    void LayoutChanged() override { grid_->LinkActiveChanged(); }
    void RecordChanged(TField* field) override { grid_->LinkRecordChanged(field); }
    void EditingChanged() override { grid_->LinkEditingChanged(); }
    void UpdateData() override { grid_->LinkUpdateData(); }

private:
    TDBGrid* grid_;
};

// -- the selected cell's binding

class TDBGrid::TCellBinding : public TFieldBinding {
public:
    explicit TCellBinding(TDBGrid* grid) : grid_(grid) {}
    TField* BoundField() const override { return grid_->SelectedField(); }
    bool StartEdit() override { return grid_->link_->Edit(); }
    bool Editing() const override { return grid_->link_->Editing(); }
    bool ControlReadOnly() const override { return !grid_->CanEditColumn(grid_->selectedIndex_); }
    void SetModified() override
    {
        ForgetRefusal();
        grid_->editorModified_ = true;
    }

private:
    TDBGrid* grid_;
};

// -- the model over the link's rows

class TDBGrid::TGridModel : public QAbstractTableModel {
public:
    explicit TGridModel(TDBGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : columns_; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (index.isValid() && role == Qt::ToolTipRole && grid_->ShowHint()) return grid_->Hint();
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
        QString text;
        Guarded([&] { text = grid_->CellText(index.row(), index.column(), role == Qt::EditRole); });
        return text;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole) return {};
        if (orientation == Qt::Horizontal) {
            TColumn* column = grid_->columns_.Items(section);
            return column ? column->Title().Caption() : QVariant();
        }
        if (section != grid_->link_->ActiveRecord()) return QString();
        const TDataSet* data = grid_->link_->DataSet();
        if (data && data->State() == dsInsert) return QStringLiteral("*");
        if (data && data->State() == dsEdit) return QStringLiteral("I");
        return QStringLiteral("\u25B6");
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid()) return Qt::NoItemFlags;
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (grid_->CanEditColumn(index.column())) f |= Qt::ItemIsEditable;
        return f;
    }

    bool setData(const QModelIndex&, const QVariant&, int) override { return false; }

    // Takes the link's current shape: a reset when the shape changed, a repaint otherwise.
    void Refresh(bool reset)
    {
        const int rows = grid_->link_->Active() ? grid_->link_->RecordCount() : 0;
        const int columns = grid_->columns_.Count();
        if (reset || rows != rows_ || columns != columns_) {
            // The view would drop an open editor with the rows, and the focus with it.
            grid_->CloseOpenEditor();
            beginResetModel();
            rows_ = rows;
            columns_ = columns;
            endResetModel();
            return;
        }
        Repaint();
    }

    void Repaint()
    {
        if (rows_ > 0 && columns_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
        if (rows_ > 0) emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
    }

    void RepaintRow(int row)
    {
        if (row < 0 || row >= rows_ || columns_ == 0) return;
        emit dataChanged(index(row, 0), index(row, columns_ - 1));
        emit headerDataChanged(Qt::Vertical, row, row);
    }

    void RepaintTitles()
    {
        if (columns_ > 0) emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
    }

private:
    TDBGrid* grid_;
    int rows_ = 0;
    int columns_ = 0;
};

// -- painting and editing cells

class TDBGrid::TGridDelegate : public QStyledItemDelegate {
public:
    explicit TGridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        Guarded([&] { grid_->PaintCell(painter, option, index); });
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        TColumn* column = grid_->columns_.Items(index.column());
        if (!column) return nullptr;
        grid_->editorModified_ = false;
        auto* editor = new TGridEditor(parent, column, grid_);
        grid_->SetOpenEditor(editor);
        return editor;
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override
    {
        if (grid_->OpenEditor() == editor) grid_->SetOpenEditor(nullptr);
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        // A change the person is making is never overwritten by a reload.
        if (grid_->editorModified_ || grid_->CellBinding().Changing()) return;
        QString text;
        Guarded([&] { text = grid_->CellText(index.row(), index.column(), true); });
        static_cast<TGridEditor*>(editor)->SetText(text);
    }

    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override { grid_->StoreEditor(); }

    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        editor->setGeometry(option.rect);
    }

    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress) return QStyledItemDelegate::eventFilter(object, event);
        auto* key = static_cast<QKeyEvent*>(event);
        auto* editor = qobject_cast<QWidget*>(object);
        bool handled = false;
        Guarded([&] { handled = EditorKey(editor, key); });
        return handled || QStyledItemDelegate::eventFilter(object, event);
    }

private:
    bool EditorKey(QWidget* editor, QKeyEvent* key)
    {
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        switch (key->key()) {
        case Qt::Key_Escape:
            if (grid_->editorModified_) {
                // First Escape: the cell's value back. The next one cancels the record's edit.
                grid_->editorModified_ = false;
                grid_->RefreshEditor();
            } else {
                grid_->CancelEdit();
            }
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (key->modifiers() & Qt::ControlModifier) {
                grid_->EditButtonClicked();
                return true;
            }
            if (grid_->StoreEditor())
                grid_->setCurrentIndex(grid_->moveCursor(QAbstractItemView::MoveNext, Qt::NoModifier));
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (!(grid_->Options() & dgTabs) && plain) {
                if (grid_->StoreEditor())
                    grid_->focusNextPrevChild(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
                return true;
            }
            return false;
        default:
            return false;
        }
    }

    TDBGrid* grid_;
};

// -- TColumnTitle, TColumn

QString TColumnTitle::Caption() const
{
    if (captionSet_) return caption_;
    if (column_)
        if (TField* field = column_->Field()) return field->DisplayLabel();
    return column_ ? column_->FieldName() : QString();
}

void TColumnTitle::SetCaption(const QString& caption)
{
    caption_ = caption;
    captionSet_ = true;
    if (column_ && column_->Grid()) column_->Grid()->ColumnsChanged();
}

void TColumnTitle::SetAlignment(Qt::Alignment alignment)
{
    alignment_ = alignment;
    if (column_ && column_->Grid()) column_->Grid()->ColumnsChanged();
}

TColumn::TColumn(TDBGrid* grid) : grid_(grid) { title_.column_ = this; }

int TColumn::Index() const
{
    for (int i = 0; i < grid_->Columns().Count(); ++i)
        if (grid_->Columns().Items(i) == this) return i;
    return -1;
}

void TColumn::SetFieldName(const QString& name)
{
    fieldName_ = name;
    Changed();
}

TField* TColumn::Field() const
{
    TDataSet* data = grid_->DataSet();
    if (!data || !data->Active() || fieldName_.isEmpty()) return nullptr;
    return data->FindField(fieldName_);
}

int TColumn::Width() const
{
    if (width_ > 0) return width_;
    const QFontMetrics metrics(grid_->font());
    const TField* field = Field();
    const int chars = field ? field->DisplayWidth() : 10;
    return std::max(metrics.horizontalAdvance(QLatin1Char('0')) * chars, metrics.horizontalAdvance(title_.Caption())) + 4;
}

void TColumn::SetWidth(int width)
{
    // The same width again would lay the grid out anew for nothing.
    if (width == width_) return;
    width_ = width;
    grid_->ColumnResized(this);
}

void TColumn::SetVisible(bool visible)
{
    visible_ = visible;
    Changed();
}

void TColumn::SetReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    Changed();
}

Qt::Alignment TColumn::Alignment() const
{
    if (alignmentSet_) return alignment_;
    const TField* field = Field();
    return field && IsNumeric(field) ? Qt::AlignRight : Qt::AlignLeft;
}

void TColumn::SetAlignment(Qt::Alignment alignment)
{
    alignment_ = alignment;
    alignmentSet_ = true;
    Changed();
}

void TColumn::SetColor(TColor color)
{
    color_ = color;
    Changed();
}

void TColumn::SetFontColor(TColor color)
{
    fontColor_ = color;
    Changed();
}

void TColumn::Changed() { grid_->ColumnsChanged(); }

// -- TDBGridColumns

TColumn* TDBGridColumns::Items(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return items_[size_t(index)].get();
}

TColumn* TDBGridColumns::Add()
{
    if (state_ == csDefault) items_.clear();
    state_ = csCustomized;
    items_.push_back(std::make_unique<TColumn>(grid_));
    grid_->ColumnsChanged();
    return items_.back().get();
}

void TDBGridColumns::Clear()
{
    items_.clear();
    state_ = csCustomized;
    grid_->ColumnsChanged();
}

void TDBGridColumns::RebuildColumns()
{
    state_ = csDefault;
    BuildDefault();
    grid_->ColumnsChanged();
}

void TDBGridColumns::BuildDefault()
{
    if (state_ != csDefault) return;
    items_.clear();
    TDataSet* data = grid_->DataSet();
    if (!data || !data->Active()) return;
    for (int i = 0; i < data->FieldCount(); ++i) {
        TField* field = data->Fields()[i];
        if (!field->Visible()) continue;
        auto column = std::make_unique<TColumn>(grid_);
        column->fieldName_ = field->FieldName();
        items_.push_back(std::move(column));
    }
}

void TDBGridColumns::BeginUpdate() { ++updateCount_; }

void TDBGridColumns::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0) grid_->ColumnsChanged();
}

// -- TDBGrid

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent), TControl(this), link_(std::make_unique<TGridLink>(this)), model_(new TGridModel(this)),
      delegate_(new TGridDelegate(this)), cellBinding_(std::make_unique<TCellBinding>(this)), columns_(this),
      rowBar_(new QScrollBar(Qt::Vertical, this)), clickEdit_(new QTimer(this))
{
    setModel(model_);
    setItemDelegate(delegate_);
    setMouseTracking(true);  // OnMouseMove without a button held (the hint of a row)
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        Guarded([this, section] {
            if (OnTitleClick) OnTitleClick(this, columns_.Items(section));
        });
    });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (layingOut_) return;
        if (TColumn* column = columns_.Items(section)) {
            layingOut_ = true;
            column->SetWidth(size);
            layingOut_ = false;
        }
    });
    connect(rowBar_, &QScrollBar::actionTriggered, this, [this](int action) { Guarded([this, action] { ScrollBarAction(action); }); });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        Guarded([this, index] {
            if (OnCellClick) OnCellClick(this, columns_.Items(index.column()));
        });
    });
    clickEdit_->setSingleShot(true);
    connect(clickEdit_, &QTimer::timeout, this, [this] {
        if (clickEditCell_ == currentIndex() && !EditorMode()) edit(currentIndex());
    });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        const bool wasIn = TControl::Holds(this, old);
        const bool isIn = TControl::Holds(this, now);
        if (wasIn && !isIn) Guarded([this] { LeftGrid(); });
    });
    ApplyOptions();
}

TDBGrid::~TDBGrid()
{
    link_->SetDataSource(nullptr);
}

TDataSource* TDBGrid::DataSource() const { return link_->DataSource(); }

void TDBGrid::SetDataSource(TDataSource* source)
{
    link_->SetDataSource(source);
    LinkActiveChanged();
}

TDataSet* TDBGrid::DataSet() const { return link_->DataSet(); }

TFieldBinding& TDBGrid::CellBinding() { return *cellBinding_; }

void TDBGrid::SetOptions(TDBGridOptions options)
{
    if (options == options_) return;
    if ((options_ & dgEditing) && !(options & dgEditing)) {
        // Editing switched off: a change in the editor goes into the record first.
        CommitEditor();
        if (QWidget* editor = OpenEditor()) closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    options_ = options;
    ApplyOptions();
    model_->Refresh(false);
}

void TDBGrid::ApplyOptions()
{
    horizontalHeader()->setVisible(options_ & dgTitles);
    verticalHeader()->setVisible(options_ & dgIndicator);
    setShowGrid(options_ & (dgColLines | dgRowLines));
    setTabKeyNavigation(options_ & dgTabs);
    setSelectionBehavior(options_ & dgRowSelect ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    horizontalHeader()->setSectionResizeMode(options_ & dgColumnResize ? QHeaderView::Interactive : QHeaderView::Fixed);
    const bool editing = (options_ & dgEditing) && !readOnly_;
    setEditTriggers(editing ? QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                                  QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked
                            : QAbstractItemView::NoEditTriggers);
}

void TDBGrid::SetReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    ApplyOptions();
    model_->Refresh(false);
}

TColumn* TDBGrid::SelectedColumn() const { return columns_.Items(selectedIndex_); }

TField* TDBGrid::SelectedField() const
{
    TColumn* column = SelectedColumn();
    return column ? column->Field() : nullptr;
}

void TDBGrid::SetSelectedIndex(int index)
{
    if (index < 0 || index >= columns_.Count() || index == selectedIndex_) return;
    // Without rows there is no cell to select; the column waits for the first one.
    if (model_->rowCount() == 0) {
        selectedIndex_ = index;
        return;
    }
    setCurrentIndex(model_->index(std::max(0, link_->ActiveRecord()), index));
}

void TDBGrid::SetSelectedField(TField* field)
{
    for (int i = 0; i < columns_.Count(); ++i)
        if (columns_.Items(i)->Field() == field) SetSelectedIndex(i);
}

void TDBGrid::SetFixedColor(TColor color)
{
    fixedColor_ = color;
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        QPalette palette = header->palette();
        palette.setColor(QPalette::Button, ToQColor(color));
        palette.setColor(QPalette::Window, ToQColor(color));
        header->setPalette(palette);
    }
}

QFont TDBGrid::TitleFont() const { return horizontalHeader()->font(); }

void TDBGrid::SetTitleFont(const QFont& font) { horizontalHeader()->setFont(font); }

void TDBGrid::SetColor(TColor color)
{
    TControl::SetColor(color);
    model_->Repaint();
}

void TDBGrid::SetFontColor(TColor color)
{
    TControl::SetFontColor(color);
    model_->Repaint();
}

int TDBGrid::VisibleRowCount() const
{
    const int rowHeight = std::max(1, verticalHeader()->defaultSectionSize());
    return std::max(1, viewport()->height() / rowHeight);
}

QWidget* TDBGrid::OpenEditor() const { return editor_.data(); }

bool TDBGrid::EditorMode() const { return !editor_.isNull(); }

void TDBGrid::SetEditorMode(bool open)
{
    if (open && !EditorMode() && currentIndex().isValid()) edit(currentIndex());
    if (!open && editor_) {
        CommitEditor();
        closeEditor(editor_.data(), QAbstractItemDelegate::NoHint);
        setFocus();
    }
}

bool TDBGrid::CanEditColumn(int index) const
{
    if (!(options_ & dgEditing) || readOnly_ || !link_->Active()) return false;
    TColumn* column = columns_.Items(index);
    if (!column || column->ReadOnly()) return false;
    TField* field = column->Field();
    return field && field->CanModify() && !link_->ReadOnly();
}

QString TDBGrid::CellText(int row, int column, bool forEditing)
{
    TColumn* c = columns_.Items(column);
    TField* field = c ? c->Field() : nullptr;
    if (!field || !link_->Active() || row < 0 || row >= link_->RecordCount()) return {};
    const int active = link_->ActiveRecord();
    if (row != active) link_->SetActiveRecord(row);
    QString text;
    try {
        text = forEditing ? field->Text() : field->DisplayText();
    } catch (...) {
        if (row != active) link_->SetActiveRecord(active);
        throw;
    }
    if (row != active) link_->SetActiveRecord(active);
    return text;
}

void TDBGrid::DefaultDrawColumnCell(const QRect& rect, int, TColumn* column, TGridDrawState)
{
    const TField* field = column ? column->Field() : nullptr;
    const QString text = field ? field->DisplayText() : QString();
    canvas_.FillRect(rect);
    const QRect inner = rect.adjusted(2, 0, -2, 0);
    const Qt::Alignment align = (column ? column->Alignment() : Qt::AlignLeft) | Qt::AlignVCenter;
    TColor brush = canvas_.BrushColor();
    canvas_.SetBrushColor(clNone);
    canvas_.TextRect(inner, text, int(align));
    canvas_.SetBrushColor(brush);
}

void TDBGrid::PaintCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    TColumn* column = columns_.Items(index.column());
    if (!column || !link_->Active()) return;
    TGridDrawState state = 0;
    const bool current = index.row() == link_->ActiveRecord() &&
                         (index.column() == selectedIndex_ || (options_ & dgRowSelect));
    if (current) state |= gdSelected;
    if (current && hasFocus()) state |= gdFocused;
    const bool highlight = current && (hasFocus() || (options_ & dgAlwaysShowSelection));
    canvas_.SetPainter(painter);
    canvas_.SetFont(font());
    const TColor back = column->Color() != clDefault ? column->Color() : Color() != clDefault ? Color() : clWindow;
    const TColor text = column->FontColor() != clDefault ? column->FontColor()
                        : FontColor() != clDefault     ? FontColor()
                                                       : clWindowText;
    canvas_.SetBrushColor(highlight ? clHighlight : back);
    canvas_.SetFontColor(highlight ? clHighlightText : text);
    const int row = index.row();
    const int active = link_->ActiveRecord();
    if (row != active) link_->SetActiveRecord(row);
    try {
        if (defaultDrawing_) DefaultDrawColumnCell(option.rect, index.column(), column, state);
        if (OnDrawColumnCell) OnDrawColumnCell(this, option.rect, index.column(), column, state);
    } catch (...) {
        if (row != active) link_->SetActiveRecord(active);
        canvas_.SetPainter(nullptr);
        throw;
    }
    if (row != active) link_->SetActiveRecord(active);
    canvas_.SetPainter(nullptr);
}

// -- following the dataset

void TDBGrid::LinkActiveChanged()
{
    columns_.BuildDefault();
    if (link_->Active()) link_->SetBufferCount(VisibleRowCount());
    Reset();
}

void TDBGrid::LinkDataSetChanged() { Reset(); }

void TDBGrid::LinkScrolled()
{
    model_->Refresh(false);
    SyncCurrent();
}

void TDBGrid::LinkRecordChanged(TField* field)
{
    model_->RepaintRow(link_->ActiveRecord());
    if (cellBinding_->Changing()) return;
    if (field == nullptr || field == SelectedField()) {
        if (field == nullptr) editorModified_ = false;
        if (!editorModified_) RefreshEditor();
    }
}

void TDBGrid::LinkEditingChanged()
{
    model_->RepaintRow(link_->ActiveRecord());
    if (!link_->Editing()) editorModified_ = false;
}

void TDBGrid::LinkUpdateData() { CommitEditor(); }

void TDBGrid::CommitEditor()
{
    if (!editorModified_) return;
    QWidget* editor = OpenEditor();
    auto* cell = dynamic_cast<TGridEditor*>(editor);
    if (!cell) {
        editorModified_ = false;
        return;
    }
    // The flag goes first: a refused value is said by the binding once and not stored twice.
    editorModified_ = false;
    try {
        cellBinding_->StoreRefusingOnce(editor, [&] { cellBinding_->StoreText(cell->Text()); });
    } catch (...) {
        editorModified_ = true;
        throw;
    }
}

bool TDBGrid::StoreEditor()
{
    if (refusing_) return false;
    if (!editorModified_) return true;
    bool stored = false;
    {
        // The refusal is said once: the message box taking the focus is no leaving of the cell.
        const QScopedValueRollback refusing(refusing_, true);
        Guarded([&] {
            CommitEditor();
            stored = true;
        });
    }
    if (!stored)
        if (QWidget* editor = OpenEditor()) editor->setFocus();
    return stored;
}

void TDBGrid::CloseOpenEditor()
{
    QWidget* editor = OpenEditor();
    if (!editor) return;
    editorModified_ = false;
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TDBGrid::RefreshEditor()
{
    if (auto* cell = dynamic_cast<TGridEditor*>(OpenEditor())) {
        QString text;
        Guarded([&] { text = CellText(currentIndex().row(), currentIndex().column(), true); });
        cell->SetText(text);
    }
}

void TDBGrid::EditorTyped()
{
    if (cellBinding_->BeginChange()) {
        cellBinding_->SetModified();
        return;
    }
    QApplication::beep();
    editorModified_ = false;
    RefreshEditor();
}

void TDBGrid::EditButtonClicked()
{
    if (OnEditButtonClick) OnEditButtonClick(this);
}

void TDBGrid::ColumnsChanged()
{
    if (columns_.Updating() || layingOut_) return;
    Reset();
}

void TDBGrid::ColumnResized(TColumn* column)
{
    if (columns_.Updating() || layingOut_) return;
    const int index = column->Index();
    if (index < 0 || index >= model_->columnCount()) {
        ColumnsChanged();
        return;
    }
    // Only the section moves: a cell being typed into keeps its editor, its text and the focus
    // when a window lays its columns out again (a row's indicator changing its width, a resize).
    layingOut_ = true;
    horizontalHeader()->resizeSection(index, column->Width());
    layingOut_ = false;
}

void TDBGrid::Reset()
{
    const bool hadFocus = hasFocus() || (QApplication::focusWidget() && isAncestorOf(QApplication::focusWidget()));
    editorModified_ = false;
    model_->Refresh(true);
    ApplyColumnLayout();
    SyncCurrent();
    if (hadFocus && !hasFocus() && !(QApplication::focusWidget() && isAncestorOf(QApplication::focusWidget())))
        setFocus();
}

void TDBGrid::ApplyColumnLayout()
{
    layingOut_ = true;
    for (int i = 0; i < columns_.Count(); ++i) {
        TColumn* column = columns_.Items(i);
        setColumnHidden(i, !column->Visible());
        horizontalHeader()->resizeSection(i, column->Width());
    }
    layingOut_ = false;
    model_->RepaintTitles();
}

void TDBGrid::SyncCurrent()
{
    UpdateScrollBar();
    if (!link_->Active() || model_->rowCount() == 0 || columns_.Count() == 0) return;
    selectedIndex_ = std::clamp(selectedIndex_, 0, columns_.Count() - 1);
    const QModelIndex wanted = model_->index(link_->ActiveRecord(), selectedIndex_);
    if (currentIndex() != wanted) {
        syncing_ = true;
        setCurrentIndex(wanted);
        syncing_ = false;
    }
    model_->Repaint();
    if ((options_ & dgAlwaysShowEditor) && CanEditColumn(selectedIndex_) && !EditorMode() && hasFocus())
        edit(wanted);
}

void TDBGrid::UpdateScrollBar()
{
    TDataSet* data = DataSet();
    const QSignalBlocker quiet(rowBar_);
    if (!link_->Active() || !data || data->IsEmpty()) {
        rowBar_->setRange(0, 0);
        return;
    }
    const int count = data->RecordCount();
    const int recNo = data->RecNo();
    if (count > 0 && recNo > 0) {
        rowBar_->setRange(0, count - 1);
        rowBar_->setPageStep(VisibleRowCount());
        rowBar_->setValue(recNo - 1);
    } else {
        // Position unknown: the three places of top, middle and end.
        rowBar_->setRange(0, 2);
        rowBar_->setPageStep(1);
        rowBar_->setValue(data->Bof() ? 0 : data->Eof() ? 2 : 1);
    }
}

void TDBGrid::ScrollBarAction(int action)
{
    TDataSet* data = DataSet();
    if (!data || !link_->Active()) return;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        MoveBy(1);
        break;
    case QAbstractSlider::SliderSingleStepSub:
        MoveBy(-1);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        MoveBy(VisibleRowCount());
        break;
    case QAbstractSlider::SliderPageStepSub:
        MoveBy(-VisibleRowCount());
        break;
    case QAbstractSlider::SliderToMinimum:
        data->First();
        break;
    case QAbstractSlider::SliderToMaximum:
        data->Last();
        break;
    case QAbstractSlider::SliderMove: {
        const int target = rowBar_->sliderPosition();
        if (data->RecordCount() > 0 && data->RecNo() > 0) MoveBy(target - (data->RecNo() - 1));
        else if (target == 0) data->First();
        else if (target == 2) data->Last();
        break;
    }
    default:
        break;
    }
    UpdateScrollBar();
}

void TDBGrid::MoveBy(int distance)
{
    if (TDataSet* data = DataSet(); data && link_->Active() && distance != 0) data->MoveBy(distance);
}

void TDBGrid::CancelEdit()
{
    TDataSet* data = DataSet();
    if (data && link_->Active() && (data->State() == dsEdit || data->State() == dsInsert)) data->Cancel();
}

void TDBGrid::LeftGrid()
{
    if (!StoreEditor()) return;
    TDataSet* data = DataSet();
    if ((options_ & dgCancelOnExit) && data && link_->Active() && data->State() == dsInsert && !data->Modified())
        data->Cancel();
}

// -- keys, mouse and moves

bool TDBGrid::WantsKey(int key, TShiftState) const
{
    switch (key) {
    case Qt::Key_Tab:
        return options_ & dgTabs;
    case Qt::Key_Return:
        return (options_ & dgEditing) && !readOnly_;
    case Qt::Key_Escape:
        return EditorMode() || link_->Editing();
    default:
        return false;
    }
}

QModelIndex TDBGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    TDataSet* data = DataSet();
    if (!data || !link_->Active() || columns_.Count() == 0) return currentIndex();
    if (!StoreEditor()) return currentIndex();
    int column = std::clamp(currentIndex().isValid() ? currentIndex().column() : selectedIndex_, 0, columns_.Count() - 1);
    auto visibleColumn = [this](int from, int step) {
        for (int c = from; c >= 0 && c < columns_.Count(); c += step)
            if (!isColumnHidden(c)) return c;
        return -1;
    };
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool canAppend = (options_ & dgEditing) && !readOnly_ && data->CanModify() && !link_->ReadOnly();
    Guarded([&] {
        switch (action) {
        case MoveUp:
            MoveBy(-1);
            break;
        case MoveDown:
            // Down past the last row starts a new one, as the editing grid offers.
            if (data->MoveBy(1) == 0 && canAppend && data->State() == dsBrowse) data->Append();
            break;
        case MovePageUp:
            MoveBy(-VisibleRowCount());
            break;
        case MovePageDown:
            MoveBy(VisibleRowCount());
            break;
        case MoveHome:
            if (ctrl) data->First();
            else column = std::max(0, visibleColumn(0, 1));
            break;
        case MoveEnd:
            if (ctrl) data->Last();
            else column = std::max(0, visibleColumn(columns_.Count() - 1, -1));
            break;
        case MoveLeft:
        case MoveRight: {
            const int next = visibleColumn(column + (action == MoveRight ? 1 : -1), action == MoveRight ? 1 : -1);
            if (next >= 0) column = next;
            break;
        }
        case MoveNext:
        case MovePrevious: {
            const bool forward = action == MoveNext;
            const int next = visibleColumn(column + (forward ? 1 : -1), forward ? 1 : -1);
            if (next >= 0) {
                column = next;
            } else if (forward) {
                if (data->MoveBy(1) != 0) column = std::max(0, visibleColumn(0, 1));
                else if (canAppend && data->State() == dsBrowse && data->Modified()) data->Append();
            } else if (data->MoveBy(-1) != 0) {
                column = std::max(0, visibleColumn(columns_.Count() - 1, -1));
            }
            break;
        }
        }
    });
    if (!link_->Active() || model_->rowCount() == 0) return {};
    return model_->index(std::clamp(link_->ActiveRecord(), 0, model_->rowCount() - 1), column);
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (syncing_ || !current.isValid() || !link_->Active()) return;
    Guarded([&] {
        const int distance = current.row() - link_->ActiveRecord();
        if (distance != 0) MoveBy(distance);
        if (current.column() != selectedIndex_) {
            if (OnColExit) OnColExit(this);
            selectedIndex_ = current.column();
            if (OnColEnter) OnColEnter(this);
        }
    });
    SyncCurrent();
}

bool TDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (index.isValid() && !CanEditColumn(index.column())) return false;
    if (trigger == SelectedClicked) {
        // A click on the selected cell edits it once no double click follows. Qt's own wait
        // would drop the keys typed meanwhile; this one gives way to the first of them.
        if (!(editTriggers() & SelectedClicked)) return false;
        clickEditCell_ = index;
        clickEdit_->start(QApplication::doubleClickInterval());
        return true;
    }
    const bool opened = QTableView::edit(index, trigger, event);
    if (opened) clickEdit_->stop();
    return opened;
}

void TDBGrid::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    // The keys go to the open cell: the grid given the focus hands it on to its editor.
    if (QWidget* editor = OpenEditor(); editor && state() == EditingState) editor->setFocus();
}

void TDBGrid::mousePressEvent(QMouseEvent* event)
{
    // A click on another cell leaves this one: a value the field refuses keeps the person here.
    const QModelIndex target = indexAt(event->position().toPoint());
    if (target.isValid() && target != currentIndex() && !StoreEditor()) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void TDBGrid::keyPressEvent(QKeyEvent* event)
{
    if (!link_->Active()) {
        QTableView::keyPressEvent(event);
        return;
    }
    bool handled = true;
    Guarded([&] {
        TDataSet* data = DataSet();
        const bool ctrl = event->modifiers() & Qt::ControlModifier;
        switch (event->key()) {
        case Qt::Key_Escape:
            CancelEdit();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (ctrl) EditButtonClicked();
            else setCurrentIndex(moveCursor(MoveNext, Qt::NoModifier));
            break;
        case Qt::Key_Insert:
            if (!ctrl && (options_ & dgEditing) && !readOnly_ && data->CanModify()) data->Insert();
            else handled = false;
            break;
        case Qt::Key_Delete:
            if (ctrl && (options_ & dgEditing) && !readOnly_ && data->CanModify() && !data->IsEmpty()) {
                if (!(options_ & dgConfirmDelete) ||
                    MessageDlg(QCoreApplication::translate("Toolkit", "Delete record?"), mtConfirmation, mbOKCancel) == mrOk)
                    data->Delete();
            } else {
                handled = false;
            }
            break;
        default:
            handled = false;
        }
    });
    if (handled) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0) Guarded([&] { MoveBy(-steps); });
    event->accept();
}

void TDBGrid::updateGeometries()
{
    // The row bar lies over the table's own vertical bar, which keeps its room beside the cells
    // and the titles; the table never lays its viewport out anew for it.
    if (placingBar_) return;
    {
        const QScopedValueRollback placing(placingBar_, true);
        QTableView::updateGeometries();
        if (const QWidget* room = verticalScrollBar()->parentWidget(); room && room != this)
            rowBar_->setGeometry(room->geometry());
    }
    ViewportSized();
}

void TDBGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    // The table's layout takes the bar's room back and the bar takes it again, which sizes the
    // viewport twice for nothing; only the size it ends at counts.
    if (!placingBar_) updateGeometries();
}

void TDBGrid::ViewportSized()
{
    // Refreshing the rows lays the grid out again; doing it for a size already served would
    // have every paint ask for the next one.
    if (viewport()->size() == sizedFor_) return;
    sizedFor_ = viewport()->size();
    if (link_->Active()) {
        Guarded([this] { link_->SetBufferCount(VisibleRowCount()); });
        model_->Refresh(false);
        SyncCurrent();
    }
}
