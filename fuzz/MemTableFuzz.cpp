// Saved memory tables as a damaged or foreign file could hold them, and filter texts: both
// readers either load them or raise the memory table's error, and a filter either filters or
// is refused, never crash.

#include "memtable/MemTable.h"
#include "platform/toolkit/DateTime.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Fields.h"
#include "platform/toolkit/Streams.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace {

// N Integer, T String(10), D Date, with three rows.
void Filter(const QString& text)
{
    TMemTable table;
    table.FieldDefs().Add(QStringLiteral("N"), ftInteger);
    table.FieldDefs().Add(QStringLiteral("T"), ftString, 10);
    table.FieldDefs().Add(QStringLiteral("D"), ftDate);
    table.Open();
    for (int n = 1; n <= 3; ++n) {
        table.Append();
        table.FieldByName(QStringLiteral("N"))->SetAsInteger(n == 3 ? 2147483647 : n);
        table.FieldByName(QStringLiteral("T"))->SetAsString(n == 2 ? QStringLiteral("Ab") : QStringLiteral("b"));
        table.FieldByName(QStringLiteral("D"))->SetAsDateTime(EncodeDate(2026, n, 1));
        table.Post();
    }
    table.SetFilter(text);
    table.SetFiltered(true);
    for (table.First(); !table.Eof(); table.Next()) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    try {
        switch (data[0] % 3) {
        case 0: {
            TMemoryStream stream(rest);
            TMemTable().LoadBinaryFromStream(stream);
            break;
        }
        case 1: {
            TMemoryStream stream(rest);
            TMemTable().LoadCSVFromStream(stream);
            break;
        }
        default: Filter(QString::fromUtf8(rest)); break;
        }
    } catch (const Exception&) {
    }
    return 0;
}
