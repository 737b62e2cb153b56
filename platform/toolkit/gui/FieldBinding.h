#pragma once
// How a data-aware editor meets its field. The grid's cell editor and every single-field
// control go through this one interface: they show the field's text, start an edit of the
// record when the person changes something (edit on typing, when the data source's AutoEdit
// allows it), refuse the change when the field or the dataset cannot be modified, and hand
// their text back when the record is written. A data-aware control is a thin adapter over it.

#include "platform/toolkit/DataSource.h"
#include "platform/toolkit/Fields.h"

#include <QString>
#include <functional>

class QWidget;

class TFieldBinding {
public:
    virtual ~TFieldBinding() = default;

    // The field shown; null when there is none.
    virtual TField* BoundField() const = 0;
    // Asks the dataset to edit; true when the record is being edited afterwards.
    virtual bool StartEdit() = 0;
    // True while the record is being edited through this binding's link.
    virtual bool Editing() const = 0;
    // The control (or grid column) is read-only of its own accord.
    virtual bool ControlReadOnly() const = 0;
    // The control now holds a value the record does not have yet.
    virtual void SetModified() = 0;

    // A field that the person may change now or after an edit starts.
    bool CanEdit() const;
    // The person begins to change the value. True when the change may go on (the record is in
    // edit afterwards); false when it must be refused. While it runs Changing() is true, so the
    // control does not reload the field over the person's change.
    bool BeginChange();
    bool Changing() const { return changing_; }
    // The field's text for showing, and for editing.
    QString DisplayText() const;
    QString EditText() const;
    // Writes a control's text into the field; an empty text clears a field that is no text.
    void StoreText(const QString& text) const;
    // A character the field accepts.
    bool IsValidChar(QChar ch) const;
    // The most characters a text field holds, so the editor stops where the field does; 0 when
    // the field sets no such limit.
    int MaxLength() const;
    static int MaxLengthOf(const TField* field);

    // Hands the control's value to the field through `store`. A value the field refuses is said
    // once: a second try with no change between only beeps. Either way the focus goes back to
    // `control`, which keeps the text, and the post or move that wanted the value stops
    // silently (EAbort).
    void StoreRefusingOnce(QWidget* control, const std::function<void()>& store);

protected:
    // The person changed the value: a refusal of the new one is said again.
    void ForgetRefusal() { refusalSaid_ = false; }

private:
    bool changing_ = false;
    bool refusalSaid_ = false;
};

// The binding of a single-field control: its own field data link.
class TFieldLinkBinding : public TFieldBinding {
public:
    TFieldDataLink& Link() { return link_; }
    const TFieldDataLink& Link() const { return link_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

    TField* BoundField() const override { return link_.Field(); }
    bool StartEdit() override { return link_.Edit(); }
    bool Editing() const override { return link_.Editing(); }
    bool ControlReadOnly() const override { return readOnly_; }
    void SetModified() override
    {
        ForgetRefusal();
        link_.SetModified();
    }

private:
    TFieldDataLink link_;
    bool readOnly_ = false;
};
