#include "shell/rtf_document_ui.h"

#include "shell/rtf_reader.h"
#include "desktop/twips.h"

#include <QColor>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace {

bool looksLikeRtf(const QByteArray& bytes) { return bytes.trimmed().startsWith("{\\rtf"); }

Qt::Alignment alignmentOf(RtfAlignment a) {
    switch (a) {
    case RtfAlignment::Center: return Qt::AlignHCenter;
    case RtfAlignment::Right: return Qt::AlignRight;
    case RtfAlignment::Justify: return Qt::AlignJustify;
    case RtfAlignment::Left: break;
    }
    return Qt::AlignLeft;
}

QTextBlockFormat blockFormatOf(const RtfParagraph& p) {
    QTextBlockFormat f;
    f.setAlignment(alignmentOf(p.alignment));
    f.setLeftMargin(twipsToPixels(p.leftIndent));
    f.setRightMargin(twipsToPixels(p.rightIndent));
    f.setTextIndent(twipsToPixels(p.firstLineIndent));
    f.setTopMargin(twipsToPixels(p.spaceBefore));
    f.setBottomMargin(twipsToPixels(p.spaceAfter));
    // A hanging first line ("bullet, tab, text") tabs to the indent, as in RTF.
    if (p.firstLineIndent < 0)
        f.setTabPositions({QTextOption::Tab(twipsToPixels(-p.firstLineIndent), QTextOption::LeftTab)});
    return f;
}

QTextCharFormat charFormatOf(const RtfCharFormat& r) {
    QTextCharFormat f;
    f.setFontWeight(r.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(r.italic);
    f.setFontUnderline(r.underline);
    if (r.pointSize > 0)
        f.setFontPointSize(r.pointSize);
    if (r.color)
        f.setForeground(QColor(r.color->red, r.color->green, r.color->blue));
    if (!r.fontFamily.isEmpty())
        f.setFontFamilies({r.fontFamily});
    return f;
}

}  // namespace

void loadHelpText(QTextDocument& document, const QByteArray& bytes) {
    document.clear();
    if (!looksLikeRtf(bytes)) {
        document.setPlainText(QString::fromLocal8Bit(bytes));
        return;
    }
    // Blank lines before the document's opening brace are not its text.
    const RtfDocument rtf = readRtf(bytes.mid(bytes.indexOf('{')));
    QTextCursor cursor(&document);
    bool first = true;
    for (const RtfParagraph& paragraph : rtf.paragraphs) {
        if (first)
            cursor.setBlockFormat(blockFormatOf(paragraph));
        else
            cursor.insertBlock(blockFormatOf(paragraph));
        first = false;
        for (const RtfRun& run : paragraph.runs) cursor.insertText(run.text, charFormatOf(run.format));
    }
}
