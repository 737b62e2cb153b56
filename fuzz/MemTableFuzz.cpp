// Saved memory tables as a damaged or foreign file could hold them: both readers either load
// them or raise the memory table's error, never crash.

#include "memtable/MemTable.h"
#include "platform/toolkit/Exceptions.h"
#include "platform/toolkit/Streams.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    TMemoryStream stream(QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
    TMemTable table;
    try {
        if (data[0] % 2 == 0)
            table.LoadBinaryFromStream(stream);
        else
            table.LoadCSVFromStream(stream);
    } catch (const Exception&) {
    }
    return 0;
}
