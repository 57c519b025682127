#include "shell/rtf_document_ui.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <gtest/gtest.h>

namespace {

// The format of the fragment holding the text, in the first block that has it.
QTextCharFormat formatOf(const QTextDocument& doc, const QString& text) {
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().text().contains(text))
                return it.fragment().charFormat();
    ADD_FAILURE() << "no fragment with " << text.toStdString();
    return {};
}

TEST(HelpText, RichTextBecomesFormattedBlocks) {
    QTextDocument doc;
    loadHelpText(doc, "{\\rtf1\\ansi{\\colortbl;\\red200\\green10\\blue20;}"
                      "\\pard\\qc{\\b\\fs32 Title}\\par"
                      "\\pard plain {\\i slanted} {\\ul under} {\\cf1 red}\\par"
                      "\\pard\\li360\\fi-240 \\'95\\tab item\\par}");
    EXPECT_EQ(doc.blockCount(), 3);
    EXPECT_EQ(doc.toPlainText(), QString("Title\nplain slanted under red\n\u2022\titem"));
    EXPECT_EQ(doc.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(formatOf(doc, "Title").fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(formatOf(doc, "Title").fontPointSize(), 16.0);
    EXPECT_TRUE(formatOf(doc, "slanted").fontItalic());
    EXPECT_TRUE(formatOf(doc, "under").fontUnderline());
    EXPECT_EQ(formatOf(doc, "red").foreground().color(), QColor(200, 10, 20));
    EXPECT_EQ(formatOf(doc, "plain").fontWeight(), QFont::Normal);
    const QTextBlockFormat item = doc.lastBlock().blockFormat();
    EXPECT_EQ(item.leftMargin(), 24);
    EXPECT_EQ(item.textIndent(), -16);
    ASSERT_EQ(item.tabPositions().size(), 1) << "the bullet's tab reaches the indent";
}

TEST(HelpText, OtherBytesShowAsPlainTextAndReloadingReplaces) {
    struct Case {
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {"just words\r\nover two lines", "just words\nover two lines"},
        {"  {\\rtf1 spaced start}", "spaced start"},
        {"{\\rtf1 {\\b unclosed", "unclosed"},
        {"", ""},
        {QByteArray("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9")},
    };
    QTextDocument doc;
    for (const Case& c : cases) {
        loadHelpText(doc, c.bytes);
        EXPECT_EQ(doc.toPlainText().replace(QChar::ParagraphSeparator, '\n'), c.text) << c.bytes.constData();
    }
}

}  // namespace
