// The RTF reader on any bytes: nothing crashes or hangs, and what it gives
// keeps its promises: no line ends inside a run, neighbouring runs differ.
#include "fuzz_input.h"
#include "shell/rtf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const RtfDocument document =
        readRtf(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    for (const RtfParagraph& paragraph : document.paragraphs) {
        for (qsizetype i = 0; i < paragraph.runs.size(); ++i) {
            const QString& text = paragraph.runs[i].text;
            FUZZ_CHECK(!text.contains(u'\n') && !text.contains(u'\r'));
            if (i > 0) FUZZ_CHECK(!(paragraph.runs[i].format == paragraph.runs[i - 1].format));
        }
    }
    return 0;
}
