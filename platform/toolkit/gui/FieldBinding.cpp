#include "platform/toolkit/gui/FieldBinding.h"

#include "platform/toolkit/DataSet.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/gui/Control.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>

namespace {

bool IsTextField(const TField* field)
{
    switch (field->DataType()) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftMemo:
    case ftFmtMemo:
        return true;
    default:
        return false;
    }
}

}  // namespace

bool TFieldBinding::CanEdit() const
{
    const TField* field = BoundField();
    return field && !ControlReadOnly() && field->CanModify();
}

bool TFieldBinding::BeginChange()
{
    if (!CanEdit()) return false;
    if (Editing()) return true;
    changing_ = true;
    bool editing = false;
    try {
        editing = StartEdit();
    } catch (...) {
        changing_ = false;
        throw;
    }
    changing_ = false;
    return editing;
}

QString TFieldBinding::DisplayText() const
{
    const TField* field = BoundField();
    return field ? field->DisplayText() : QString();
}

QString TFieldBinding::EditText() const
{
    const TField* field = BoundField();
    return field ? field->Text() : QString();
}

void TFieldBinding::StoreText(const QString& text) const
{
    TField* field = BoundField();
    if (!field) return;
    if (text.isEmpty() && !IsTextField(field) && !field->OnSetText)
        field->Clear();
    else
        field->SetText(text);
}

int TFieldBinding::MaxLength() const { return MaxLengthOf(BoundField()); }

int TFieldBinding::MaxLengthOf(const TField* field)
{
    if (!field) return 0;
    switch (field->DataType()) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
        return std::max(0, field->Size());
    default:
        return 0;
    }
}

bool TFieldBinding::IsValidChar(QChar ch) const
{
    const TField* field = BoundField();
    return !field || field->IsValidChar(ch);
}

void TFieldBinding::StoreRefusingOnce(QWidget* control, const std::function<void()>& store)
{
    try {
        store();
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception& error) {
        if (control) control->setFocus(Qt::OtherFocusReason);
        if (refusalSaid_) {
            QApplication::beep();
        } else {
            refusalSaid_ = true;
            ReportException(error);
        }
        throw EAbort();
    }
}
