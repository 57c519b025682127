#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// A rich-text (RTF) file read into plain values: paragraphs of runs of equally
// formatted text. The help window turns this into its text view's document;
// nothing here needs a GUI library.
//
// What is kept: bold, italic, underline, font size, text colour and font
// family per run; alignment, indents and spacing per paragraph. Everything
// else (pictures, style sheets, document info, fields' instructions, any
// "{\*\...}" group) is skipped. Bytes above 127, raw or written as \'hh, are
// read as Windows-1252; \uN gives any UTF-16 unit.

// A colour from the colour table.
struct RtfColor {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const RtfColor&, const RtfColor&) = default;
};

struct RtfCharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    double pointSize = 12.0;        // \fsN gives half points; 12 pt when unset
    std::optional<RtfColor> color;  // none: the view's default text colour
    QString fontFamily;             // empty: the view's default font
    friend bool operator==(const RtfCharFormat&, const RtfCharFormat&) = default;
};

// One stretch of text in one format. The text may hold '\t' for a tab,
// QChar::LineSeparator (U+2028) for a line break inside the paragraph
// (\line), U+00A0 for a non-breaking space; never '\n' or '\r'.
struct RtfRun {
    QString text;
    RtfCharFormat format;
    friend bool operator==(const RtfRun&, const RtfRun&) = default;
};

enum class RtfAlignment { Left, Center, Right, Justify };

// One paragraph. Neighbouring runs always differ in format. No runs means an
// empty line. Measures are in twips (1/1440 inch, 20 per point).
struct RtfParagraph {
    QList<RtfRun> runs;
    RtfAlignment alignment = RtfAlignment::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0;  // relative to leftIndent; negative for a hanging bullet
    int spaceBefore = 0;
    int spaceAfter = 0;

    QString text() const;  // the runs' texts, joined
};

struct RtfDocument {
    QList<RtfParagraph> paragraphs;

    QString toPlainText() const;  // paragraphs joined by '\n'
};

// Reads RTF bytes. Never fails and never hangs: malformed input (unbalanced
// braces, a truncated file, bytes that are not RTF at all) gives whatever text
// could be read, possibly an empty document. Linear in the input's size.
RtfDocument readRtf(const QByteArray& rtf);
