#pragma once

#include <QByteArrayView>
#include <QChar>

// The RTF control words the reader acts on, and the byte-level helpers it
// shares with them.
namespace rtfwords {

enum class Word {
    Unknown,
    // destinations
    FontTable, ColorTable, SkippedDestination,
    // document and tables
    DefaultFont, Font, Red, Green, Blue, Unicode, UnicodeSkip, Bin,
    // character format
    Bold, Italic, Underline, UnderlineNone, FontSize, ColorForeground, Plain,
    // paragraphs
    Par, Sect, Page, Row, ParaDefault, AlignLeft, AlignCenter, AlignRight, AlignJustify,
    LeftIndent, RightIndent, FirstIndent, SpaceBefore, SpaceAfter,
    // characters
    Line, Tab, Cell, Bullet, EnDash, EmDash, LeftQuote, RightQuote, LeftDoubleQuote,
    RightDoubleQuote, EmSpace, EnSpace, QuarterEmSpace,
};

// The word for a control word's name (letters only); Unknown when it is none
// the reader uses. Every destination whose content is never shown, such as
// \stylesheet, \info or \pict, is SkippedDestination.
Word lookup(QByteArrayView name);

bool isDestination(Word word);

// The character a word stands for (\tab, \line, \bullet, ...), or a null QChar.
QChar symbolOf(Word word);

// A byte as Windows-1252: Latin-1 except 0x80..0x9F.
QChar windows1252(unsigned char byte);

inline bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
inline int hexValue(char c) {
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace rtfwords
