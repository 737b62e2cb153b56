#pragma once
// The stores and the deliveries that fill them: a tree of stores, the deliveries of the chosen
// store (or of all), the header of the current delivery with its totals, and its lines, each a
// lot of stock. Lines are typed here or picked from the articles delivered before; the markup
// percent fills the sale price from the delivery price; finishing stamps the delivery.

#include "platform/toolkit/gui/Form.h"

#include <functional>

class TTreeView;
class TTreeNode;
class TComboBox;
class TDBEdit;
class TDBCheckBox;
class TEdit;
class TCheckBox;
class TLabel;
class TGroupBox;
class TDBGrid;
class TColumn;
class TFlatButton;
class TPopupMenu;
class TMenuItem;

class TfStorage : public TForm {
    Q_OBJECT
public:
    explicit TfStorage(QWidget* parent = nullptr);
    ~TfStorage() override;

    // The sale price `percent` % above `deliveryPrice`, to the stotinka as it is shown.
    static double MarkedUpPrice(double deliveryPrice, int percent);

    void SetStoreReadOnly(bool readOnly);
    void SetDeliveryReadOnly(bool readOnly);
    void FillStoreTree();
    // Puts the store list on the current delivery's store (or on none).
    void LocateDeliveryStore();
    // True while the header and lines may be changed.
    bool Editing() const { return editing_; }
    bool MustFinish() const { return mustFinish_; }

    // --- handlers ------------------------------------------------------------------------------
    void FormShow(QObject* sender);
    void FormCloseQuery(QObject* sender, bool& canClose);
    void TreeView1Change(QObject* sender, TTreeNode* node);
    void TreeView1Editing(QObject* sender, TTreeNode* node, bool& allowEdit);
    void TreeView1Edited(QObject* sender, TTreeNode* node, QString& text);
    void TreeView1DblClick(QObject* sender);
    void bLeftClick(QObject* sender);
    void bRightClick(QObject* sender);
    void eDeliveryIDKeyPress(QObject* sender, QChar& key);
    void eDeliveryIDExit(QObject* sender);
    void AddStore1Click(QObject* sender);
    void DelStore1Click(QObject* sender);
    void StoreName1Click(QObject* sender);
    void StoreAddress1Click(QObject* sender);
    void StoreComment1Click(QObject* sender);
    void PopupMenu1Popup(QObject* sender);
    void dbeStoreNameKeyPress(QObject* sender, QChar& key);
    void dbeStoreNameChange(QObject* sender);
    void dbeStoreNameExit(QObject* sender);
    void dbeStoreNameSelect(QObject* sender);
    void dbeStoreNameDropDown(QObject* sender);
    void StoreEditExit(QObject* sender);
    void bNewClick(QObject* sender);
    void cDeliveryPimentClick(QObject* sender);
    void HeaderEditExit(QObject* sender);
    void dbeInvoiceDateEnter(QObject* sender);
    void dbcInvoiceClick(QObject* sender);
    void edUpDeliveryKeyPress(QObject* sender, QChar& key);
    void DBGrid1ColExit(QObject* sender);
    void DBGrid1KeyPress(QObject* sender, QChar& key);
    void DBGrid1KeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift);
    void DBGrid1EditButtonClick(QObject* sender);
    void tbxArtNomChange(QObject* sender);
    void tbxSearchValueChange(QObject* sender);
    void SearchBoxKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift);
    void PopupMenu2Popup(QObject* sender);
    void Add1Click(QObject* sender);
    void Delete1Click(QObject* sender);
    void bAddClick(QObject* sender);
    void bDelClick(QObject* sender);
    void bSearchClick(QObject* sender);
    void bCloseClick(QObject* sender);

    // --- controls ------------------------------------------------------------------------------
    TTreeView* TreeView1 = nullptr;
    TComboBox* dbeStoreName = nullptr;
    TDBEdit* dbeStoreAddres = nullptr;
    TDBEdit* dbeComment = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* AddStore1 = nullptr;
    TMenuItem* DelStore1 = nullptr;
    TMenuItem* StoreName1 = nullptr;
    TMenuItem* StoreAddress1 = nullptr;
    TMenuItem* StoreComment1 = nullptr;

    TGroupBox* gbDelivery = nullptr;
    TDBEdit* dbeSupplier = nullptr;
    TDBEdit* dbeCurrency = nullptr;
    TDBEdit* dbeCurrencyRate = nullptr;
    TDBEdit* dbeDeliveryTax = nullptr;
    TDBEdit* dbeDeliveryDate = nullptr;
    TDBCheckBox* dbcInvoice = nullptr;
    TDBEdit* dbeInvoiceNum = nullptr;
    TDBEdit* dbeInvoiceDate = nullptr;
    TDBEdit* dbeCashbox = nullptr;
    TDBEdit* dbeCurrencyValue = nullptr;
    TDBEdit* dbeDeliveryTaxValue = nullptr;
    TDBEdit* dbeDeliverySum = nullptr;
    TCheckBox* cDeliveryPiment = nullptr;
    TEdit* eDeliveryID = nullptr;
    TLabel* lblEditing = nullptr;

    TDBGrid* DBGrid1 = nullptr;
    TPopupMenu* PopupMenu2 = nullptr;
    TMenuItem* Add1 = nullptr;
    TMenuItem* Delete1 = nullptr;
    TMenuItem* Finish1 = nullptr;
    TMenuItem* Edit1 = nullptr;
    TEdit* tbxArtNom = nullptr;
    TEdit* tbxSearchValue = nullptr;

    TEdit* edUpDelivery = nullptr;
    TCheckBox* cbUpDelivery = nullptr;

    TFlatButton* bNew = nullptr;
    TFlatButton* bAdd = nullptr;
    TFlatButton* bDel = nullptr;
    TFlatButton* bSearch = nullptr;
    TFlatButton* bLeft = nullptr;
    TFlatButton* bRight = nullptr;
    TFlatButton* bClose = nullptr;

private:
    void BuildStorePanel();
    void BuildDeliveryHeader();
    void BuildLines();
    void BuildButtons();
    void SetWindowHooks();
    void SetHeaderEditsReadOnly(bool readOnly);
    void UpdateLineMenu();
    // The paid box shows a delivery's mark without counting as the user's click.
    void ShowPaid(bool paid);
    bool StoreSelected() const;
    QString CurrentStoreId() const;
    int NodeIndex(const TTreeNode* node) const;
    // A store named "Склад" + the tree's node count, posted and listed.
    void AppendStore();
    // Finishing, step 2: the store and the paid mark of a delivery being edited.
    void StorePaidMark();
    // Finishing, step 4: the stamps, the totals and the paid mark.
    void StampFinishedDelivery(bool wasPaid);
    // A new delivery left unfinished at closing: the window leaves its new-delivery state, and
    // the next showing puts the delivery on screen again, ready to finish or to remove.
    void LeaveDeliveryUnfinished();
    void ShowUnfinishedDelivery();
    // The question when the settings ask questions; Yes without them.
    bool Confirm(const QString& question);
    void Tell(const QString& message);
    void FinishFailed();
    bool NothingRefersTo(const std::function<bool()>& inUse, const QString& inUseText, const QString& failedText);

    bool editing_ = false;
    bool mustFinish_ = false;
    bool nameChanged_ = false;
    bool nameUnlocked_ = false;  // "Промяна име" lets the store combo take typing
    bool paidHintShown_ = false;
    bool showingPaid_ = false;
    qint32 unfinishedDelivery_ = 0;  // the new delivery not finished yet
};

extern TfStorage* fStorage;
