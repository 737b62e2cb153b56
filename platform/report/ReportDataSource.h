#pragma once
// What the report reads of a dataset: its name, a walk from the first row to the end, and the
// current row's field values. The report walks its own dataset; other datasets it only reads.

#include "platform/toolkit/Variant.h"

#include <QByteArray>
#include <QString>

class TReportRowSource {
public:
    virtual ~TReportRowSource() = default;
    // The name expressions use before the point ("tblSale" in "tblSale.invoice_date").
    virtual QString Name() const = 0;
    virtual bool Active() const = 0;
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual bool Eof() const = 0;
    // Field names ignore case.
    virtual bool HasField(const QString& field) const = 0;
    virtual TVariant FieldValue(const QString& field) const = 0;
    // The field's display text, as a bound control would show it.
    virtual QString FieldText(const QString& field) const = 0;
    // Where the rows stand, so the report can go back there after its walk; empty when the
    // place cannot be kept (no current row, or a source without bookmarks).
    virtual QByteArray Position() { return {}; }
    // Goes back to a place Position gave; an empty one is ignored.
    virtual void SetPosition(const QByteArray& position) {}
    // Bound controls stay still while the report walks the rows.
    virtual void DisableControls() {}
    virtual void EnableControls() {}
};
