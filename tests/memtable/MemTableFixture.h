#pragma once
// Memory tables with a few fields, filled and read through the dataset's own operations.

#include "memtable/MemTable.h"

#include <QStringList>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

// ID AutoInc, N Integer, T String(10).
inline std::unique_ptr<TMemTable> MakeTable(QObject* owner = nullptr)
{
    auto table = std::make_unique<TMemTable>(owner);
    table->FieldDefs().Add(QStringLiteral("ID"), ftAutoInc);
    table->FieldDefs().Add(QStringLiteral("N"), ftInteger);
    table->FieldDefs().Add(QStringLiteral("T"), ftString, 10);
    return table;
}

inline void AddRow(TDataSet& table, const TVariant& n, const TVariant& text)
{
    table.Append();
    table.FieldByName(QStringLiteral("N"))->SetAsVariant(n);
    table.FieldByName(QStringLiteral("T"))->SetAsVariant(text);
    table.Post();
}

// The field's text on every row the table shows, first to last.
inline QStringList Column(TDataSet& table, const QString& field)
{
    QStringList values;
    table.First();
    while (!table.Eof()) {
        TField* f = table.FieldByName(field);
        values << (f->IsNull() ? QStringLiteral("<null>") : f->AsString());
        table.Next();
    }
    return values;
}

inline QStringList Words(const char* text)
{
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}
