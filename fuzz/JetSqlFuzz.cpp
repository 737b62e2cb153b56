// Jet SQL text, filters and sort lists as a workstation could find them in a shared file: the
// parser and the translator either read them or raise the engine's error, never crash.

#include "platform/dao/JetParser.h"
#include "platform/toolkit/Exceptions.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses what the rest is read as.
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    try {
        jet::JetParser parser(text);
        switch (data[0] % 3) {
        case 0: parser.ParseStatement(); break;
        case 1: parser.ParseCriteria(); break;
        default: parser.ParseSortList(); break;
        }
    } catch (const Exception&) {
    }
    return 0;
}
