#pragma once
// Every delivery line with what is left of it, exhausted ones and labour included, for looking
// up and printing.

#include "platform/toolkit/gui/Form.h"

class TDBGrid;
class TColumn;
class TEdit;
class TButton;
class TFlatButton;

class TfArticles : public TForm {
    Q_OBJECT
public:
    explicit TfArticles(QWidget* parent = nullptr);
    ~TfArticles() override;

    void FormShow(QObject* sender);
    void FormActivate(QObject* sender);
    void FormCloseQuery(QObject* sender, bool& canClose);
    void tbxSearchValueChange(QObject* sender);
    void tbxArtNomChange(QObject* sender);
    void EscapeCloses(QObject* sender, int& key, Qt::KeyboardModifiers shift);
    void FlatButton1Click(QObject* sender);

    TDBGrid* DBGrid1 = nullptr;
    TEdit* tbxArtNom = nullptr;
    TEdit* tbxSearchValue = nullptr;
    TFlatButton* FlatButton1 = nullptr;
    TButton* bCancel = nullptr;
};

extern TfArticles* fArticles;
