#pragma once
// The data grid: columns over the fields of a data source's dataset, a cell editor bound like
// every single-field control (FieldBinding.h), keys that move through the dataset, and painting
// that a handler may take over per cell.
//
// The grid never reads rows of its own: its data link asks the dataset for as many buffers as
// rows fit on screen and paints the dataset's buffer window, making each row current for the
// time it is read. Moving down a page is a page of new rows read, however long the dataset.

#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/Strings.h"
#include "platform/toolkit/gui/Canvas.h"
#include "platform/toolkit/gui/Control.h"
#include "platform/toolkit/gui/FieldBinding.h"

#include <QPointer>
#include <QSize>
#include <QTableView>
#include <memory>
#include <vector>

class QScrollBar;
class QTimer;
class TDBGrid;

enum TColumnButtonStyle { cbsAuto, cbsEllipsis, cbsNone };

class TColumnTitle {
public:
    // The field's display label while no caption is set.
    QString Caption() const;
    void SetCaption(const QString& caption);
    bool HasCaption() const { return captionSet_; }
    Qt::Alignment Alignment() const { return alignment_; }
    void SetAlignment(Qt::Alignment alignment);

private:
    friend class TColumn;
    class TColumn* column_ = nullptr;
    QString caption_;
    bool captionSet_ = false;
    Qt::Alignment alignment_ = Qt::AlignLeft;
};

class TColumn {
public:
    explicit TColumn(TDBGrid* grid);
    TDBGrid* Grid() const { return grid_; }
    int Index() const;

    QString FieldName() const { return fieldName_; }
    void SetFieldName(const QString& name);
    // The dataset's field of that name; null when there is none (or no open dataset).
    TField* Field() const;
    TColumnTitle& Title() { return title_; }
    const TColumnTitle& Title() const { return title_; }
    // Pixels; 0 or less takes the field's display width.
    int Width() const;
    void SetWidth(int width);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    // The editor offers these values to choose from.
    TStringList& PickList() { return pickList_; }
    // cbsEllipsis puts a "..." button on the editor (OnEditButtonClick).
    TColumnButtonStyle ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(TColumnButtonStyle style) { buttonStyle_ = style; }
    // Numbers go right by default.
    Qt::Alignment Alignment() const;
    void SetAlignment(Qt::Alignment alignment);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color);

private:
    friend class TDBGridColumns;
    void Changed();
    TDBGrid* grid_;
    QString fieldName_;
    TColumnTitle title_;
    int width_ = 0;
    bool visible_ = true;
    bool readOnly_ = false;
    TStringList pickList_;
    TColumnButtonStyle buttonStyle_ = cbsAuto;
    Qt::Alignment alignment_ = Qt::AlignLeft;
    bool alignmentSet_ = false;
    TColor color_ = clDefault;
    TColor fontColor_ = clDefault;
};

enum TDBGridColumnsState { csDefault, csCustomized };

// The grid's columns. While none are added the grid shows one per visible field (csDefault).
class TDBGridColumns {
public:
    explicit TDBGridColumns(TDBGrid* grid) : grid_(grid) {}
    int Count() const { return int(items_.size()); }
    TColumn* Items(int index) const;
    TColumn* operator[](int index) const { return Items(index); }
    // A customised column at the end.
    TColumn* Add();
    void Clear();
    TDBGridColumnsState State() const { return state_; }
    // Back to one column per visible field.
    void RebuildColumns();
    // Changes between these apply at once at the end.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return updateCount_ > 0; }

private:
    friend class TDBGrid;
    void BuildDefault();
    TDBGrid* grid_;
    std::vector<std::unique_ptr<TColumn>> items_;
    TDBGridColumnsState state_ = csDefault;
    int updateCount_ = 0;
};

using TDBGridOptions = int;
constexpr TDBGridOptions dgEditing = 0x0001;
constexpr TDBGridOptions dgAlwaysShowEditor = 0x0002;
constexpr TDBGridOptions dgTitles = 0x0004;
constexpr TDBGridOptions dgIndicator = 0x0008;
constexpr TDBGridOptions dgColumnResize = 0x0010;
constexpr TDBGridOptions dgColLines = 0x0020;
constexpr TDBGridOptions dgRowLines = 0x0040;
constexpr TDBGridOptions dgTabs = 0x0080;
constexpr TDBGridOptions dgRowSelect = 0x0100;
constexpr TDBGridOptions dgAlwaysShowSelection = 0x0200;
constexpr TDBGridOptions dgConfirmDelete = 0x0400;
constexpr TDBGridOptions dgCancelOnExit = 0x0800;
constexpr TDBGridOptions dgMultiSelect = 0x1000;
constexpr TDBGridOptions dgDefaultOptions = dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines |
                                            dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit;

using TGridDrawState = int;
constexpr TGridDrawState gdSelected = 0x1;
constexpr TGridDrawState gdFocused = 0x2;
constexpr TGridDrawState gdFixed = 0x4;

using TDrawColumnCellEvent =
    std::function<void(QObject* sender, const QRect& rect, int dataCol, TColumn* column, TGridDrawState state)>;
using TDBGridClickEvent = std::function<void(QObject* sender, TColumn* column)>;

class TDBGrid : public QTableView, public TControl {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    TDBGridColumns& Columns() { return columns_; }
    TDBGridOptions Options() const { return options_; }
    void SetOptions(TDBGridOptions options);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    // The column of the selected cell, by index in Columns.
    int SelectedIndex() const { return selectedIndex_; }
    void SetSelectedIndex(int index);
    TColumn* SelectedColumn() const;
    TField* SelectedField() const;
    void SetSelectedField(TField* field);
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor color);
    QFont TitleFont() const;
    void SetTitleFont(const QFont& font);
    void SetColor(TColor color) override;
    void SetFontColor(TColor color) override;
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool on) { defaultDrawing_ = on; }

    // The surface of the cell being painted (OnDrawColumnCell draws on it).
    TCanvas& Canvas() { return canvas_; }
    // The field's text in the canvas's font and colours, as the grid draws a cell.
    void DefaultDrawColumnCell(const QRect& rect, int dataCol, TColumn* column, TGridDrawState state);
    // Rows on screen: the buffers the grid's data link asks of the dataset.
    int VisibleRowCount() const;
    // The editor of the selected cell is open.
    bool EditorMode() const;
    void SetEditorMode(bool open);
    TFieldBinding& CellBinding();

    TDrawColumnCellEvent OnDrawColumnCell;
    TDBGridClickEvent OnTitleClick;
    TDBGridClickEvent OnCellClick;
    TNotifyEvent OnColEnter;
    TNotifyEvent OnColExit;
    TNotifyEvent OnEditButtonClick;

    bool WantsKey(int key, TShiftState shift) const override;
    bool TakesText() const override { return true; }
    using QTableView::edit;

    // For the grid's parts (model, delegate, link).
    class TGridLink;
    class TGridModel;
    class TGridDelegate;
    class TCellBinding;
    void PaintCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index);
    QString CellText(int row, int column, bool forEditing);
    bool CanEditColumn(int column) const;
    void ColumnsChanged();
    void ColumnResized(TColumn* column);
    void EditorTyped();
    void CommitEditor();
    // The editor's change into the record before the cell is left; false (the refusal said,
    // the editor keeping its text and the focus) when the field refuses it.
    bool StoreEditor();
    // Closes the open editor, the focus staying with the grid.
    void CloseOpenEditor();
    void EditButtonClicked();
    bool EditorModified() const { return editorModified_; }

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    friend class TGridLink;
    friend class TDBGridColumns;
    void LinkActiveChanged();
    void LinkDataSetChanged();
    void LinkScrolled();
    void LinkRecordChanged(TField* field);
    void LinkEditingChanged();
    void LinkUpdateData();
    void Reset();
    void SyncCurrent();
    void UpdateScrollBar();
    void ScrollBarAction(int action);
    void ApplyOptions();
    void ApplyColumnLayout();
    // The rows follow the viewport's height, once for each size it settles at.
    void ViewportSized();
    void MoveBy(int distance);
    void CancelEdit();
    void LeftGrid();
    void RefreshEditor();
    QWidget* OpenEditor() const;
    void SetOpenEditor(QWidget* editor) { editor_ = editor; }

    std::unique_ptr<TGridLink> link_;
    TGridModel* model_;
    TGridDelegate* delegate_;
    std::unique_ptr<TCellBinding> cellBinding_;
    TDBGridColumns columns_;
    QScrollBar* rowBar_;
    QPointer<QWidget> editor_;
    QTimer* clickEdit_;
    QPersistentModelIndex clickEditCell_;
    TCanvas canvas_;
    TDBGridOptions options_ = dgDefaultOptions;
    TColor fixedColor_ = clBtnFace;
    int selectedIndex_ = 0;
    bool readOnly_ = false;
    bool defaultDrawing_ = true;
    bool syncing_ = false;
    bool editorModified_ = false;
    bool refusing_ = false;
    bool layingOut_ = false;
    bool placingBar_ = false;
    QSize sizedFor_;
};
