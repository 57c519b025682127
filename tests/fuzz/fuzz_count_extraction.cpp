// The count extraction on any page: nothing crashes, and a count is at most
// ten characters of page text.
#include "fuzz_input.h"
#include "sources/count_extraction.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> fields = fuzzFields(data, size, 3);
    // A page becomes text one character per byte, as the scan reads it.
    const QString before = QString::fromLatin1(fields[0]);
    const QString past = QString::fromLatin1(fields[1]);
    const QString page = QString::fromLatin1(fields[2]);
    GetBetween(page, before, past);
    for (int parser = 0; parser <= 7; ++parser) {
        const QString count = ParseEngineData(page, parser);
        FUZZ_CHECK(count.size() <= 10);
        if (parser < 1 || parser > 6) FUZZ_CHECK(count.isEmpty());
    }
    return 0;
}
