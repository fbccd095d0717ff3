// Fuzz entry point for the container reader and the table stream of configuration files.

#include "app/txini.h"
#include "data/txfile.h"
#include "platform/row_stream.h"

#include <cstdint>
#include <cstdlib>

namespace {
void checkTable(QByteArrayView bytes)
{
    const std::optional<RowTable> table = decodeRowTable(bytes);
    if (!table)
        return;
    // What decodes must encode back to the same rows.
    const std::optional<RowTable> again = decodeRowTable(encodeRowTable(*table));
    if (!again || again->rows != table->rows || again->fields.size() != table->fields.size())
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    checkTable(bytes);
    try {
        TXFile container;
        container.LoadFromBytes(bytes);
        checkTable(container.payload());
    } catch (const std::exception&) {
        // A container that does not inflate is a reported error, not a crash.
    }
    return 0;
}
