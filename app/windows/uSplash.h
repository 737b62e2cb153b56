#pragma once
// The splash window shown while the program starts: a picture, "Моля почакайте ..." and the
// version. Its picture's pop-up menu ends a slow start at once.

#include "platform/toolkit/gui/Form.h"

#include <QImage>

class TPanel;
class TImage;
class TLabel;
class TPopupMenu;
class TMenuItem;

class TfSplashForm : public TForm {
    Q_OBJECT
public:
    explicit TfSplashForm(QWidget* parent = nullptr);
    ~TfSplashForm() override;

    static QString VersionText() { return QStringLiteral("CarVantel v4.04"); }
    // The program's picture at the size asked for; the splash shows it whole, the about box too.
    static QImage Picture(int width, int height);

    void FormShow(QObject* sender);
    void FormActivate(QObject* sender);
    void Close1Click(QObject* sender);

    TPanel* Panel1 = nullptr;
    TImage* Image1 = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* Close1 = nullptr;
};

extern TfSplashForm* fSplashForm;
