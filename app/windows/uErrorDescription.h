#pragma once
// A longer explanation than the message box holds (a refused connection, the users still
// connected), in a memo the caller fills.

#include "platform/toolkit/gui/Form.h"

class TMemo;
class TFlatButton;

class TfErrorDescription : public TForm {
    Q_OBJECT
public:
    explicit TfErrorDescription(QWidget* parent = nullptr);
    ~TfErrorDescription() override;

    // The help topic on connections.
    static constexpr int kHelpTopic = 16;

    void bCloseClick(QObject* sender);
    void bHelpClick(QObject* sender);

    TMemo* edtDescription = nullptr;
    TFlatButton* bClose = nullptr;
    TFlatButton* bHelp = nullptr;
};

extern TfErrorDescription* fErrorDescription;
