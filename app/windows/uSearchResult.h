#pragma once
// The orders a sales search found; the one chosen becomes the main window's order.

#include "platform/toolkit/gui/Form.h"

class TDBGrid;
class TButton;

class TfSearchResult : public TForm {
    Q_OBJECT
public:
    explicit TfSearchResult(QWidget* parent = nullptr);
    ~TfSearchResult() override;

    void DBGrid1DblClick(QObject* sender);
    void DBGrid1KeyPress(QObject* sender, QChar& key);
    void bPrintClick(QObject* sender);

    TDBGrid* DBGrid1 = nullptr;
    TButton* bOK = nullptr;
    TButton* bPrint = nullptr;
    TButton* bCancel = nullptr;
};

extern TfSearchResult* fSearchResult;
