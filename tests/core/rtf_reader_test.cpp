#include "shell/rtf_reader.h"
#include "support/qt_gtest_printers.h"
#include "support/temp_app_folder.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

// A document in one line: paragraphs split by " / ", runs by "|", each run as
// its format ("-" for the default), ":" and its text. "[]" is an empty
// paragraph; "<c>", "<r>", "<j>" mark alignment.
QString describe(const RtfDocument& doc) {
    QStringList paragraphs;
    for (const RtfParagraph& p : doc.paragraphs) {
        QString line = p.alignment == RtfAlignment::Center    ? QStringLiteral("<c>")
                       : p.alignment == RtfAlignment::Right   ? QStringLiteral("<r>")
                       : p.alignment == RtfAlignment::Justify ? QStringLiteral("<j>")
                                                              : QString();
        QStringList runs;
        for (const RtfRun& run : p.runs) {
            QStringList f;
            if (run.format.bold) f << QStringLiteral("b");
            if (run.format.italic) f << QStringLiteral("i");
            if (run.format.underline) f << QStringLiteral("u");
            if (run.format.pointSize != 12.0) f << QStringLiteral("s%1").arg(run.format.pointSize);
            if (run.format.color)
                f << QStringLiteral("#%1%2%3")
                         .arg(run.format.color->red, 2, 16, QChar(u'0'))
                         .arg(run.format.color->green, 2, 16, QChar(u'0'))
                         .arg(run.format.color->blue, 2, 16, QChar(u'0'));
            if (!run.format.fontFamily.isEmpty()) f << u'@' + run.format.fontFamily;
            runs << (f.isEmpty() ? QStringLiteral("-") : f.join(u' ')) + u':' + run.text;
        }
        paragraphs << line + (runs.isEmpty() ? QStringLiteral("[]") : runs.join(u'|'));
    }
    return paragraphs.join(QStringLiteral(" / "));
}

QString describe(const char* rtf) {
    return describe(readRtf(QByteArray(rtf)));
}

struct Case {
    const char* name;
    const char* rtf;
    const char16_t* expected;
};

void runCases(const Case* begin, const Case* end) {
    for (const Case* c = begin; c != end; ++c)
        EXPECT_EQ(describe(c->rtf), QString::fromUtf16(c->expected)) << c->name;
}

TEST(RtfReader, CharacterFormats) {
    const Case cases[] = {
        {"plain", "{\\rtf1 Hello}", u"-:Hello"},
        {"bold on off", "{\\rtf1 a \\b b\\b0  c}", u"-:a |b:b|-: c"},
        {"bold param", "{\\rtf1 \\b1 x\\b2 y\\b0 z}", u"b:xy|-:z"},
        {"group restores", "{\\rtf1 {\\b\\i bold} plain}", u"b i:bold|-: plain"},
        {"underline", "{\\rtf1 \\ul a\\ulnone b\\ul c\\ul0 d\\uldb e}", u"u:a|-:b|u:c|-:d|u:e"},
        {"italic", "{\\rtf1 \\i a\\i0 b}", u"i:a|-:b"},
        {"size", "{\\rtf1 \\fs36 big\\fs17 odd\\fs normal}", u"s18:big|s8.5:odd|-:normal"},
        {"plain resets", "{\\rtf1 \\b\\i\\fs40 x\\plain y}", u"b i s20:x|-:y"},
        {"same look merges", "{\\rtf1 a{\\b0 b}c}", u"-:abc"},
        {"colours",
         "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue255;}\\cf1 r\\cf2 b\\cf0 a\\cf9 x}",
         u"#ff0000:r|#0080ff:b|-:ax"},
        {"fonts",
         "{\\rtf1\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman Times New Roman;}}"
         "Hi \\f1 there\\plain again}",
         u"@Arial:Hi |@Times New Roman:there|@Arial:again"},
        {"flat font table", "{\\rtf1{\\fonttbl\\f0 Arial;\\f1 Courier;}\\f1 c}", u"@Courier:c"},
        {"font alternative skipped", "{\\rtf1{\\fonttbl{\\f0 Foo{\\*\\falt Bar};}}\\f0 x}", u"@Foo:x"},
    };
    runCases(std::begin(cases), std::end(cases));
}

TEST(RtfReader, CharactersAndParagraphs) {
    const Case cases[] = {
        {"paragraphs", "{\\rtf1 A\\par\\par B\\par}", u"-:A / [] / -:B"},
        {"unterminated last", "{\\rtf1 A\\par B}", u"-:A / -:B"},
        {"line ends ignored", "{\\rtf1 a\r\nb\rc\nd}", u"-:abcd"},
        {"backslash newline", "{\\rtf1 a\\\nb}", u"-:a / -:b"},
        {"escapes", "{\\rtf1 \\{a\\} \\\\b}", u"-:{a} \\b"},
        {"tab line", "{\\rtf1 a\\tab b\\line c\td}", u"-:a\tb\u2028c\td"},
        {"hex", "{\\rtf1 caf\\'e9 \\'80 \\'93q\\'94}", u"-:caf\u00e9 \u20ac \u201cq\u201d"},
        {"raw high byte", "{\\rtf1 caf\xe9}", u"-:caf\u00e9"},
        {"hex control byte", "{\\rtf1 a\\'0d\\'00b}", u"-:ab"},
        {"unicode", "{\\rtf1 a\\u8364?b}", u"-:a\u20acb"},
        {"unicode control characters", "{\\rtf1 a\\u10?b\\u13?c\\u9?d\\u0?e}", u"-:abc\tde"},
        {"unicode skip 2", "{\\rtf1\\uc2 \\u8364 xyb}", u"-:\u20acb"},
        {"unicode skip 0", "{\\rtf1\\uc0 \\u8364 b}", u"-:\u20acb"},
        {"unicode skips hex", "{\\rtf1 \\u233\\'e9x}", u"-:\u00e9x"},
        {"unicode skip ends at group", "{\\rtf1\\uc3 \\u233{}x}", u"-:\u00e9x"},
        {"unicode skip scoped", "{\\rtf1{\\uc2 a}\\u233 xy}", u"-:a\u00e9y"},
        {"surrogates", "{\\rtf1 \\u-10179?\\u-8704?}", u"-:\U0001F600"},
        {"symbols", "{\\rtf1 a\\~b\\emdash c\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}",
         u"-:a\u00a0b\u2014c\u2013\u2022\u2018\u2019\u201c\u201d"},
        {"optional hyphen", "{\\rtf1 co\\-op\\_x}", u"-:coop\u2011x"},
        {"param delimiter", "{\\rtf1 \\fs24x\\b-y}", u"-:x|b:-y"},
        {"alignment", "{\\rtf1 \\qc c\\par r\\qr\\par\\pard l\\par\\qj j}", u"<c>-:c / <r>-:r / -:l / <j>-:j"},
        {"aligned group", "{\\rtf1 {\\qc Title\\par}body}", u"<c>-:Title / -:body"},
        {"format at paragraph end", "{\\rtf1 {\\qc Title}\\par}", u"-:Title"},
        {"last paragraph keeps its look", "{\\rtf1\\qc centred}", u"<c>-:centred"},
    };
    runCases(std::begin(cases), std::end(cases));
}

TEST(RtfReader, SkipsDestinationsThatAreNotShown) {
    const Case cases[] = {
        {"generator", "{\\rtf1{\\*\\generator Foo 1.0;}text}", u"-:text"},
        {"stylesheet info",
         "{\\rtf1{\\stylesheet{\\s0 Normal;}{\\s1 Heading;}}{\\info{\\title T}{\\author A}}text}",
         u"-:text"},
        {"picture", "{\\rtf1 a{\\pict\\pngblip\\picw10 89504e470d0a}b}", u"-:ab"},
        {"unknown starred nested", "{\\rtf1{\\*\\unknown {nested {deep}} more}shown}", u"-:shown"},
        {"binary data", "{\\rtf1{\\pict\\bin4 ab}c}tail}", u"-:tail"},
        {"field result kept", "{\\rtf1{\\field{\\*\\fldinst{HYPERLINK \"http://x\"}}{\\fldrslt{\\ul link}}}}",
         u"u:link"},
        {"header footer", "{\\rtf1{\\header H}{\\footer F}body}", u"-:body"},
        {"par inside skipped", "{\\rtf1 a{\\*\\x b\\par c}d}", u"-:ad"},
    };
    runCases(std::begin(cases), std::end(cases));
}

TEST(RtfReader, MalformedInputGivesWhatCouldBeRead) {
    const Case cases[] = {
        {"unclosed", "{\\rtf1 unclosed {\\b bold", u"-:unclosed |b:bold"},
        {"stray closers", "}}}{\\rtf1 after}}}more", u"-:aftermore"},
        {"cut after backslash", "{\\rtf1 a\\", u"-:a"},
        {"cut in hex", "{\\rtf1 a\\'4", u"-:a"},
        {"bad hex", "{\\rtf1 a\\'zzb}", u"-:azzb"},
        {"cut in unicode", "{\\rtf1 a\\u", u"-:a"},
        {"huge parameter", "{\\rtf1 \\fs99999999999999 a\\u99999999999 xb\\li-99999999999 c}",
         u"s1638:abc"},
        {"huge binary length", "{\\rtf1 a\\bin999999999 bcd}", u"-:a"},
        {"not rtf", "Just some text.", u"-:Just some text."},
        {"empty", "", u""},
        {"only braces", "{}{{}}", u""},
    };
    runCases(std::begin(cases), std::end(cases));
}

TEST(RtfReader, KeepsParagraphMeasures) {
    const RtfDocument doc =
        readRtf("{\\rtf1\\pard\\li720\\fi-360\\ri100\\sb120\\sa60 item\\par\\pard next\\par}");
    ASSERT_EQ(doc.paragraphs.size(), 2);
    const RtfParagraph& item = doc.paragraphs[0];
    EXPECT_EQ(item.leftIndent, 720);
    EXPECT_EQ(item.firstLineIndent, -360);
    EXPECT_EQ(item.rightIndent, 100);
    EXPECT_EQ(item.spaceBefore, 120);
    EXPECT_EQ(item.spaceAfter, 60);
    EXPECT_EQ(doc.paragraphs[1].leftIndent, 0);
    EXPECT_EQ(doc.paragraphs[1].firstLineIndent, 0);
}

TEST(RtfReader, ReadsAWordProcessorFile) {
    const RtfDocument doc = readRtf(readFileBytes(QStringLiteral(QUILLMARK_TEST_DATA "/rtf/wordpad_sample.rtf")));
    ASSERT_EQ(doc.paragraphs.size(), 5);
    EXPECT_EQ(describe(RtfDocument{{doc.paragraphs[0]}}), u"<c>b s16 #000080 @Arial:Getting started");
    EXPECT_EQ(doc.paragraphs[1].text(),
              u"Type an address in the box and press Add. Press Start to ask every engine how many "
              u"pages link to it \u2013 the counts fill the grid.");
    EXPECT_EQ(doc.paragraphs[2].text(), u"\u2022\tLow, Medium or High shows how popular an address is.");
    EXPECT_EQ(doc.paragraphs[2].leftIndent, 720);
    EXPECT_EQ(doc.paragraphs[2].firstLineIndent, -360);
    EXPECT_EQ(doc.paragraphs[2].spaceAfter, 200);
    EXPECT_EQ(doc.paragraphs[3].text(), u"\u2022\tClick a column title to sort by it.");
    EXPECT_EQ(describe(RtfDocument{{doc.paragraphs[4]}}),
              u"u s10 #c00000 @Arial:Tip:|s10 @Arial: saved searches live in the folder |"
              u"s10 @Courier New:Saved|s10 @Arial:.");
}

// What every document must be, however broken its input.
void expectWellFormed(const RtfDocument& doc, const QByteArray& input) {
    for (const RtfParagraph& p : doc.paragraphs) {
        for (qsizetype i = 0; i < p.runs.size(); ++i) {
            ASSERT_FALSE(p.runs[i].text.isEmpty()) << input.toStdString();
            ASSERT_FALSE(p.runs[i].text.contains(u'\n') || p.runs[i].text.contains(u'\r'));
            if (i > 0) {
                ASSERT_FALSE(p.runs[i].format == p.runs[i - 1].format) << input.toStdString();
            }
        }
    }
}

TEST(RtfReader, RandomAndTruncatedBytesNeverBreakIt) {
    const QByteArray sample = readFileBytes(QStringLiteral(QUILLMARK_TEST_DATA "/rtf/wordpad_sample.rtf"));
    const QString full = readRtf(sample).toPlainText();
    // Every cut of a file without \u reads as a beginning of the whole text,
    // but for its last character: a cut "\fi-" leaves a bare "-" as text.
    for (qsizetype n = 0; n <= sample.size(); ++n) {
        const RtfDocument doc = readRtf(sample.left(n));
        expectWellFormed(doc, sample.left(n));
        const QString text = doc.toPlainText();
        ASSERT_TRUE(full.startsWith(text.chopped(std::min<qsizetype>(1, text.size())))) << n;
    }
    // Cut before its last \par and closing brace, the file still gives every paragraph.
    EXPECT_EQ(readRtf(sample.left(sample.lastIndexOf("\\par"))).toPlainText(), full);
    const char alphabet[] = "{}\\\\\\'*-0123456789abcdefuxyz;\r\n \t\xe9\x80";
    QRandomGenerator rng(7);
    for (int round = 0; round < 2000; ++round) {
        QByteArray input;
        const int length = rng.bounded(0, 200);
        for (int i = 0; i < length; ++i)
            input += rng.bounded(4) == 0 ? char(rng.bounded(256)) : alphabet[rng.bounded(int(sizeof alphabet - 1))];
        if (rng.bounded(2) == 0)
            input.prepend("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}");
        expectWellFormed(readRtf(input), input);
    }
}

TEST(RtfReader, DeepNestingAndLargeInputStayCheap) {
    QByteArray deep = QByteArray(200'000, '{') + "x" + QByteArray(200'000, '}') + "y";
    EXPECT_EQ(readRtf(deep).toPlainText(), u"xy");
    QByteArray big = "{\\rtf1 ";
    for (int i = 0; i < 20'000; ++i)
        big += "{\\b word}\\'e9 \\u233?\\par ";
    const RtfDocument doc = readRtf(big + "}");
    EXPECT_EQ(doc.paragraphs.size(), 20'000);
    EXPECT_EQ(doc.paragraphs.last().text(), u"word\u00e9 \u00e9");
}

}  // namespace
