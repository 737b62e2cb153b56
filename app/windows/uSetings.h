#pragma once
// The settings window: the options the other windows read straight from its controls, the
// operator's password change, and the upkeep of the database file (repair, compaction, archive
// copy). The settings file mirrors the controls; it is read and written through SettingsStore.h.

#include "app/settings/SettingsStore.h"
#include "platform/toolkit/gui/Form.h"

class TCheckBox;
class TRadioButton;
class TComboBox;
class TEdit;
class TLabel;
class TGroupBox;
class TButton;
class TFlatButton;
class TTabControl;
class TNotebook;
class TPopupMenu;
class TMenuItem;

class TfSetings : public TForm {
    Q_OBJECT
public:
    explicit TfSetings(QWidget* parent = nullptr);
    ~TfSetings() override;

    // Takes the values of the settings file (read again from disk) into the controls and the
    // operator password.
    void LoadSettings();
    // The same from a file already read.
    void LoadSettingsFrom(const TSettingsFile& file);
    // Users connected to the database named in `eRepbaseName`; below 0 when they cannot be counted.
    int CountDatabaseUsers();
    void ClearPasswordEdits();
    // The installed engine versions into `cbxDaoVersion`, the newest chosen; errors leave it empty.
    void FillDaoVersions();

    void FormCreate(QObject* sender);
    void FormShow(QObject* sender);
    void FormClose(QObject* sender, TCloseAction& action);
    void TabControl1Change(QObject* sender);
    void OKBtnClick(QObject* sender);
    // The cash box number typed in cbxCashBoxNum; 0 when the text is no cash box number.
    int CashBoxNumber() const;
    void FlatButton1Click(QObject* sender);
    void FlatButton2Click(QObject* sender);
    void FlatButton3Click(QObject* sender);
    void fbtRepairClick(QObject* sender);
    void fbtCompactClick(QObject* sender);
    void Button1Click(QObject* sender);
    void Button2Click(QObject* sender);
    void cbChangeSaleDataClick(QObject* sender);
    void cbxPayedOrNotClick(QObject* sender);
    void cbxKochanNomChange(QObject* sender);
    void cbxDaoVersionChange(QObject* sender);
    void cbxCashBoxNumChange(QObject* sender);
    void cbxKochanNomExit(QObject* sender);
    void cbxCashBoxNumExit(QObject* sender);
    void cbxDaoVersionDropDown(QObject* sender);
    void cbSpeedButtonsClick(QObject* sender);
    void rbtFiFoClick(QObject* sender);
    void cbAutoArchiveClick(QObject* sender);
    void N1Click(QObject* sender);
    void N2Click(QObject* sender);
    void N3Click(QObject* sender);

    TTabControl* TabControl1 = nullptr;
    TNotebook* Notebook1 = nullptr;
    // Page 0.
    TGroupBox* GroupBox1 = nullptr;
    TCheckBox* cbChangeSaleData = nullptr;
    TCheckBox* cbxPayedOrNot = nullptr;
    TCheckBox* cbxOnlythisCash = nullptr;
    TGroupBox* GroupBox2 = nullptr;
    TCheckBox* cbMessages = nullptr;
    TCheckBox* cbSpeedButtons = nullptr;
    TCheckBox* cbAutoDPrint = nullptr;
    TCheckBox* cbxDontShowAnullDock = nullptr;
    TCheckBox* cbxOnlythisF = nullptr;
    TCheckBox* cbxShowUPayed = nullptr;
    TCheckBox* cbxChangeLanguage = nullptr;
    TCheckBox* cbWarnings = nullptr;
    // Page 1.
    TGroupBox* GroupBox3 = nullptr;
    TFlatButton* fbtRepair = nullptr;
    TFlatButton* fbtCompact = nullptr;
    TEdit* eRepbaseName = nullptr;
    TButton* Button2 = nullptr;
    TGroupBox* GroupBox4 = nullptr;
    TEdit* edtArchiveName = nullptr;
    TButton* Button1 = nullptr;
    TFlatButton* FlatButton2 = nullptr;
    TCheckBox* cbAutoArchive = nullptr;
    TComboBox* eArchiveCount = nullptr;
    // Page 2.
    TGroupBox* GroupBox5 = nullptr;
    TRadioButton* rbtAllDelivery = nullptr;
    TRadioButton* rbtFiFo = nullptr;
    TCheckBox* cbxDynamic = nullptr;
    TGroupBox* GroupBox6 = nullptr;
    TComboBox* cbxKochanNom = nullptr;
    TEdit* eFirmName = nullptr;
    TComboBox* cbxCashBoxNum = nullptr;
    TGroupBox* GroupBox7 = nullptr;
    TRadioButton* rbtCashGiveTake = nullptr;
    TRadioButton* rbtCashHrono = nullptr;
    // Page 3.
    TGroupBox* GroupBox8 = nullptr;
    TEdit* eOldPass = nullptr;
    TEdit* eNewPass = nullptr;
    TEdit* eNewPass2 = nullptr;
    TFlatButton* FlatButton1 = nullptr;
    TEdit* eOperatorName = nullptr;
    TComboBox* cbxDaoVersion = nullptr;

    TFlatButton* OKBtn = nullptr;
    TFlatButton* CancelBtn = nullptr;
    TFlatButton* FlatButton3 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* N1 = nullptr;
    TMenuItem* N2 = nullptr;
    TMenuItem* N3 = nullptr;

private:
    // The window's part of the settings file (SettingsStore.h).
    void CollectWindowSettings(TSettingsRecord& record);
    void BuildPage0(QWidget* page);
    void BuildPage1(QWidget* page);
    void BuildPage2(QWidget* page);
    void BuildPage3(QWidget* page);
    void EnableGuardedControls();
    // Repair or compaction: the two differ in the engine call and the words.
    void Maintain(bool compact);
    // After repair or compaction: connects and opens the datasets again, or says it could not
    // and offers the login.
    void Reconnect();
    void ChooseProfile(TMenuItem* chosen, bool warnings, bool messages);
    // Finds or adds the seller row for the login name and `password`, and records the move to
    // it, in one transaction; raises with nothing changed when a write is refused.
    void MoveOperatorToPassword(const QString& password);

    TSettingsWindowSource settingsSource_;
};

extern TfSetings* fSetings;
