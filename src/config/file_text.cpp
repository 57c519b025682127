#include "config/file_text.h"

#include <QStringDecoder>
#include <algorithm>

namespace fileText {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isEscape(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

// The length of the valid UTF-8 sequence at the start of bytes, 0 when there
// is none (stray continuation, overlong form, surrogate, beyond U+10FFFF).
qsizetype validSequence(QByteArrayView bytes, char32_t* code) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    qsizetype length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < length) return 0;
    for (qsizetype i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if ((next & 0xC0) != 0x80) return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *code = value;
    return length;
}

QString decodeEscaping(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        char32_t code = byte;
        const qsizetype length = byte < 0x80 ? 1 : validSequence(bytes.sliced(i), &code);
        if (length == 0) {
            text += QChar(static_cast<char16_t>(kEscapeBase + byte));
            ++i;
            continue;
        }
        text += QStringView(QChar::fromUcs4(code));
        i += length;
    }
    return text;
}

}  // namespace

QString decode(QByteArrayView bytes, bool* hadBom) {
    const bool bom = bytes.startsWith(QByteArrayView(kBom));
    if (hadBom) *hadBom = bom;
    if (bom) bytes = bytes.sliced(3);
    QStringDecoder strict(QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = strict(bytes);
    return strict.hasError() ? decodeEscaping(bytes) : text;
}

QByteArray encode(QStringView text) {
    QByteArray bytes;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        // A low surrogate after a high one is half of a character, not a byte.
        if (!isEscape(c) || (i > 0 && text[i - 1].isHighSurrogate())) continue;
        bytes += text.sliced(start, i - start).toUtf8();
        bytes += static_cast<char>(c - kEscapeBase);
        start = i + 1;
    }
    if (start == 0) return text.toUtf8();
    bytes += text.sliced(start).toUtf8();
    return bytes;
}

}  // namespace fileText
