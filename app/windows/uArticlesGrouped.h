#pragma once
// The articles delivered so far, grouped by code, name, unit, labour mark and sale price, with
// their stock and average delivery price. Picks an article into the stores window's line it
// was opened for, or changes the sale price of every lot of an article at once.

#include "platform/toolkit/gui/Form.h"

class TDBGrid;
class TColumn;
class TEdit;
class TCheckBox;
class TPanel;
class TButton;
class TFlatButton;
class TPopupMenu;
class TMenuItem;

class TfArticlesGrouped : public TForm {
    Q_OBJECT
public:
    explicit TfArticlesGrouped(QWidget* parent = nullptr);
    ~TfArticlesGrouped() override;

    static QString SeparatorHint() { return QStringLiteral("Проверете дали разделителя е десетична точка или запетая !"); }
    // Pick mode over the current delivery line, shown without blocking; `name` is searched.
    void ShowAsPicker(const QString& name);
    // True in pick mode (`bYes` shown).
    bool PickMode() const;
    // The price text as a number, "," or "." as the separator; false when it is none.
    static bool ReadPrice(const QString& text, double& price);

    void FormActivate(QObject* sender);
    void FormClose(QObject* sender, TCloseAction& action);
    void FormKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift);
    void tbxArtNomChange(QObject* sender);
    void tbxSearchValueChange(QObject* sender);
    void DBGrid1DblClick(QObject* sender);
    void PanelSync(QObject* sender);
    void ReadOnlyKeyPress(QObject* sender, QChar& key);
    void e_prodKeyPress(QObject* sender, QChar& key);
    void e_prodEnter(QObject* sender);
    void FlatButton1Click(QObject* sender);
    void cb1Click(QObject* sender);
    void cb2Click(QObject* sender);
    void bYesClick(QObject* sender);
    void bCancelClick(QObject* sender);
    void FlatButton2Click(QObject* sender);

    TDBGrid* DBGrid1 = nullptr;
    TEdit* tbxArtNom = nullptr;
    TEdit* tbxSearchValue = nullptr;
    TButton* bYes = nullptr;
    TButton* bCancel = nullptr;
    TPanel* Pannel1 = nullptr;
    TEdit* e_artnom = nullptr;
    TEdit* e_name = nullptr;
    TEdit* e_nal = nullptr;
    TEdit* e_dos = nullptr;
    TEdit* e_prod = nullptr;
    TCheckBox* cb1 = nullptr;
    TCheckBox* cb2 = nullptr;
    TFlatButton* FlatButton2 = nullptr;
    TFlatButton* FlatButton1 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* Help1 = nullptr;

    static constexpr int kPickHeight = 273;
    static constexpr int kPriceHeight = 353;

private:
    void FillPanel();
    // The stores window's line is still the one the picker was opened for.
    bool PickLineIsCurrent() const;
    bool ChangePrices(const QString& article, double price);

    QString pickDeliveryId_;
    QString pickLineId_;  // empty: a new line not posted yet
    static bool separatorHintDue_;
};

extern TfArticlesGrouped* fArticlesGrouped;
