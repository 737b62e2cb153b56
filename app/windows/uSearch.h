#pragma once
// What is in stock, per delivery line or per article (first delivered first), and the pick of one
// lot into the current order line. Opened from the order line's lookup to pick, and from the
// reports menu to browse and print.

#include "platform/toolkit/gui/Form.h"

#include <QHash>
#include <QString>

class TDBGrid;
class TColumn;
class TEdit;
class TLabel;
class TRadioButton;
class TButton;
class TFlatButton;
class TDataSet;

class TfSearch : public TForm {
    Q_OBJECT
public:
    explicit TfSearch(QWidget* parent = nullptr);
    ~TfSearch() override;

    // Made ready to be opened from the order: unless `keepView`, the per-delivery view is forced
    // and saved; the view's dataset chosen and, with the dynamic check, read again; the search
    // boxes emptied and the per-article rows filtered to those in stock.
    void PrepareStock(bool keepView);
    // Browsing: nothing is picked, the list may be printed.
    void SetBrowseMode();
    // The view that follows the per-article flag: column titles and columns shown, and the
    // dataset the grid and the pick read.
    void SwitchView();
    // The supplier the per-article view shows in its "Доставчик" column for its current row: that
    // of the lot a pick would take (the first delivered with stock). Empty in the other view.
    QString ArticleSupplier() const;

    // --- handlers ------------------------------------------------------------------------------
    void FormActivate(QObject* sender);
    void FormCloseQuery(QObject* sender, bool& canClose);
    void rbtAllDeliveryClick(QObject* sender);
    void rbtFiFoClick(QObject* sender);
    void tbxSearchValueChange(QObject* sender);
    void tbxArtNomChange(QObject* sender);
    void DBGrid1TitleClick(QObject* sender, TColumn* column);
    void DBGrid1KeyPress(QObject* sender, QChar& key);
    void bYesClick(QObject* sender);
    void bCancelClick(QObject* sender);
    void bDelClick(QObject* sender);
    void fbPrintClick(QObject* sender);

    // The result that asks the opener for the stores window (and ends a print).
    static constexpr TModalResult kDeliveryResult = 8;

    TEdit* tbxArtNom = nullptr;
    TEdit* tbxSearchValue = nullptr;
    TDBGrid* DBGrid1 = nullptr;
    TRadioButton* rbtAllDelivery = nullptr;
    TRadioButton* rbtFiFo = nullptr;
    TLabel* lblWarning = nullptr;
    TButton* bYes = nullptr;
    TButton* bDel = nullptr;
    TFlatButton* fbPrint = nullptr;
    TButton* bCancel = nullptr;

private:
    // The suppliers of the per-article rows read again from the lots in stock.
    void ReadArticleSuppliers();
    QHash<QString, QString> articleSuppliers_;
    // The name column takes the room the other shown columns leave.
    void FitNameColumn();
    void ShowWarningLabel();
    // Copies `radio`'s state into the settings window's and saves the settings.
    void SaveViewSetting(TRadioButton* radio, TRadioButton* setting);
    void WarnPerArticle();
    // The rows of the view read again, filtered to those in stock.
    static void RequeryStock(TDataSet* stock);
};

extern TfSearch* fSearch;
