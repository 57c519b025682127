// The URL list reader on any bytes: the entries written back are the bytes of
// every non-empty line, and a clipboard import makes every line an address
// with a scheme.
#include "config/file_text.h"
#include "fuzz_input.h"
#include "urllist/url_list_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList entries = urlListEntries(bytes);

    QByteArray expected;
    QByteArray lines = bytes.startsWith(fileText::kBom) ? bytes.sliced(3) : bytes;
    lines.replace('\r', '\n');
    for (const QByteArray& line : lines.split('\n'))
        if (!line.isEmpty()) expected += line + "\r\n";
    FUZZ_CHECK(urlListBytes(entries) == expected);

    for (const QString& address : clipboardEntries(fileText::decode(bytes)))
        FUZZ_CHECK(address.contains(QLatin1String("://")));
    return 0;
}
