#pragma once
// The picker of sold work: the lines of finished, not annulled orders, from which the staff
// window fills a work payment (the work, its price and the pay percent of it).

#include "platform/toolkit/Variant.h"
#include "platform/toolkit/gui/Form.h"

#include <functional>

class TDBGrid;
class TEdit;
class TRadioButton;
class TLabel;
class TPanel;
class TFlatButton;
class TColumn;

// The payment row a pick may write into, and the pay percent it uses.
struct TWorkPickTarget {
    // The stored row's id; Null for the new row not posted yet.
    TVariant PaymentId = TVariant::Null();
    // The employee the new row was being added for.
    TVariant EmployeeId = TVariant::Null();
    // The staff window's percent box, read when the pick is made.
    std::function<QString()> PercentText;
};

class TfArticlesWork : public TForm {
    Q_OBJECT
public:
    explicit TfArticlesWork(QWidget* parent = nullptr);
    ~TfArticlesWork() override;

    // Shows the picker without blocking, for that payment row.
    void OpenFor(const TWorkPickTarget& target);

    // --- handlers ------------------------------------------------------------------------------
    void FormActivate(QObject* sender);
    void FormCloseQuery(QObject* sender, bool& canClose);
    void RadioButton1Click(QObject* sender);
    void RadioButton2Click(QObject* sender);
    void RadioButton3Click(QObject* sender);
    void tbxSearchValueChange(QObject* sender);
    void tbxArtNomChange(QObject* sender);
    void DBGrid1TitleClick(QObject* sender, TColumn* column);
    void EscapeKeyPress(QObject* sender, QChar& key);
    void FlatButton1Click(QObject* sender);
    void FlatButton2Click(QObject* sender);
    void bCancelClick(QObject* sender);

    TPanel* pnlTop = nullptr;
    TRadioButton* RadioButton1 = nullptr;
    TRadioButton* RadioButton2 = nullptr;
    TRadioButton* RadioButton3 = nullptr;
    TEdit* tbxArtNom = nullptr;
    TEdit* tbxSearchValue = nullptr;
    TDBGrid* DBGrid1 = nullptr;
    TPanel* pnlButtons = nullptr;
    TFlatButton* FlatButton2 = nullptr;
    TFlatButton* FlatButton1 = nullptr;
    TFlatButton* bCancel = nullptr;

private:
    // The query with its filter: "" for every line.
    void ShowLines(const QString& filter);
    void Search(const char* field, const QString& text);
    // The payment row the picker was opened for is still the current one.
    bool TargetIsCurrent() const;

    TWorkPickTarget target_;
};

extern TfArticlesWork* fArticlesWork;
