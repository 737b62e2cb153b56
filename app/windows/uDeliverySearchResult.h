#pragma once
// The deliveries a search found; the one chosen becomes the stores window's current delivery.

#include "platform/toolkit/gui/Form.h"

class TDBGrid;
class TButton;

class TfDeliverySearchResult : public TForm {
    Q_OBJECT
public:
    explicit TfDeliverySearchResult(QWidget* parent = nullptr);
    ~TfDeliverySearchResult() override;

    void bOKClick(QObject* sender);
    void bPrintClick(QObject* sender);
    void DBGrid1KeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift);
    void FormClose(QObject* sender, TCloseAction& action);

    TDBGrid* DBGrid1 = nullptr;
    TButton* bOK = nullptr;
    TButton* bPrint = nullptr;
    TButton* bCancel = nullptr;
};

extern TfDeliverySearchResult* fDeliverySearchResult;
