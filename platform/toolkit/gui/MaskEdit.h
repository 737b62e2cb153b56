#pragma once
// An edit with an input mask in the toolkit's notation: "mask;save literals;blank", for
// example "!##/##/####;1;_" (a date: digits or blanks, the slashes kept in Text, '_' shown for
// a blank). Text gives every blank as a space, so an untouched date reads "  /  /    " and can
// be told apart from a typed one.
//
// Mask characters: 0 digit, 9 digit or blank, # digit, sign or blank, L letter, l letter or
// blank, A letter or digit, a letter, digit or blank, C any character, c any or blank,
// > upper case, < lower case, \ the next character as it stands, ! keep leading blanks in Text
// (without it, trailing blanks are dropped); anything else is a literal.

#include "platform/toolkit/gui/StandardControls.h"

#include <QString>
#include <vector>

class TMaskEdit : public TEdit {
    Q_OBJECT
public:
    explicit TMaskEdit(QWidget* parent = nullptr);
    QString EditMask() const { return editMask_; }
    // Setting the mask keeps what can be kept of the text.
    void SetEditMask(const QString& mask);
    // The text as the mask keeps it (see above); setting fills the mask position by position.
    QString Text() const;
    void SetText(const QString& text);
    // The text as shown, blanks as the blank character.
    QString EditText() const { return displayText(); }
    // True while no position holds a typed character.
    bool IsEmpty() const;

    // Qt's form of a mask, and the text a mask keeps of what is shown (for tests and grids).
    static QString QtInputMask(const QString& editMask);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool StepsOverSeparator(const QString& typed);
    struct TPosition {
        bool literal;
        QChar ch;
    };
    void Parse();
    QString editMask_;
    std::vector<TPosition> positions_;
    QChar blank_ = QLatin1Char('_');
    bool saveLiterals_ = true;
    bool leadingBlanks_ = false;
};
