#pragma once
// The program's own question and warning box: a message, "&Да" (Yes) and a second button that
// answers No. The second button can be relabelled for one question: "&Помощ" with a help
// topic, or a caller's own label; closing the box puts both labels back.

#include "platform/toolkit/gui/Form.h"

class TLabel;
class TFlatButton;

class TfMyMessage : public TForm {
    Q_OBJECT
public:
    explicit TfMyMessage(QWidget* parent = nullptr);
    ~TfMyMessage() override;

    // Sizes the box to its message: as wide as its longest line (most of the screen at most),
    // so that lines break only where the text has "\r", with the shown buttons centred below.
    void FitToText();

    // Keeps the help topic for the next question and offers it on the second button.
    void SetHelpContext(qint32 context);
    qint32 HelpContext() const { return helpContext_; }

    void CancelBtnClick(QObject* sender);
    void FormCloseQuery(QObject* sender, bool& canClose);

    TLabel* Label1 = nullptr;
    TFlatButton* OKBtn = nullptr;
    TFlatButton* CancelBtn = nullptr;

private:
    qint32 helpContext_ = 0;
};

extern TfMyMessage* fMyMessage;
