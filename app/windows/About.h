#pragma once
// The about box: the program's picture, name and version. Made when opened, freed when closed.

#include "platform/toolkit/gui/Form.h"

class TLabel;
class TImage;
class TFlatButton;

class TAboutBox : public TForm {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    static QString NameAndVersion() { return QStringLiteral("Car Vantel™  version 4.04"); }

    // The program file whose ".hlp" twin and folder the help button looks in; the running
    // program's by default.
    QString ProgramFile() const { return programFile_; }
    void SetProgramFile(const QString& file) { programFile_ = file; }

    void FormShow(QObject* sender);
    void FormActivate(QObject* sender);
    void bHelpClick(QObject* sender);

    TLabel* AppName = nullptr;
    TImage* ProgramIcon = nullptr;
    TFlatButton* bOk = nullptr;
    TFlatButton* bHelp = nullptr;

private:
    QString programFile_;
};
