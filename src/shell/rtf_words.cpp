#include "shell/rtf_words.h"

#include <string_view>
#include <unordered_map>

namespace rtfwords {

namespace {

const std::unordered_map<std::string_view, Word>& wordTable() {
    static const std::unordered_map<std::string_view, Word> table = [] {
        std::unordered_map<std::string_view, Word> t = {
            {"fonttbl", Word::FontTable}, {"colortbl", Word::ColorTable},
            {"deff", Word::DefaultFont}, {"f", Word::Font},
            {"red", Word::Red}, {"green", Word::Green}, {"blue", Word::Blue},
            {"u", Word::Unicode}, {"uc", Word::UnicodeSkip}, {"bin", Word::Bin},
            {"b", Word::Bold}, {"i", Word::Italic},
            {"ul", Word::Underline}, {"uld", Word::Underline}, {"uldash", Word::Underline},
            {"uldb", Word::Underline}, {"ulw", Word::Underline}, {"ulth", Word::Underline},
            {"ulwave", Word::Underline}, {"ulnone", Word::UnderlineNone},
            {"fs", Word::FontSize}, {"cf", Word::ColorForeground}, {"plain", Word::Plain},
            {"par", Word::Par}, {"sect", Word::Sect}, {"page", Word::Page}, {"row", Word::Row},
            {"pard", Word::ParaDefault}, {"ql", Word::AlignLeft}, {"qc", Word::AlignCenter},
            {"qr", Word::AlignRight}, {"qj", Word::AlignJustify},
            {"li", Word::LeftIndent}, {"ri", Word::RightIndent}, {"fi", Word::FirstIndent},
            {"sb", Word::SpaceBefore}, {"sa", Word::SpaceAfter},
            {"line", Word::Line}, {"tab", Word::Tab}, {"cell", Word::Cell},
            {"bullet", Word::Bullet}, {"endash", Word::EnDash}, {"emdash", Word::EmDash},
            {"lquote", Word::LeftQuote}, {"rquote", Word::RightQuote},
            {"ldblquote", Word::LeftDoubleQuote}, {"rdblquote", Word::RightDoubleQuote},
            {"emspace", Word::EmSpace}, {"enspace", Word::EnSpace}, {"qmspace", Word::QuarterEmSpace},
        };
        // Destinations whose content is not part of the shown text.
        for (std::string_view name :
             {"stylesheet", "info", "pict", "header", "headerl", "headerr", "headerf", "footer",
              "footerl", "footerr", "footerf", "footnote", "fldinst", "object", "objdata",
              "themedata", "colorschememapping", "latentstyles", "datastore", "xmlnstbl",
              "listtable", "listoverridetable", "rsidtbl", "generator", "filetbl", "revtbl",
              "pgdsctbl", "nonshppict", "shppict", "shp", "bkmkstart", "bkmkend", "pn", "pntxta",
              "pntxtb", "template", "mmathPr", "ftnsep", "ftnsepc", "aftnsep", "xe", "tc", "txe",
              "author", "operator", "title", "subject", "keywords", "comment", "doccomm"})
            t.emplace(name, Word::SkippedDestination);
        return t;
    }();
    return table;
}

}  // namespace

Word lookup(QByteArrayView name) {
    const auto& table = wordTable();
    const auto it = table.find(std::string_view(name.data(), std::size_t(name.size())));
    return it == table.end() ? Word::Unknown : it->second;
}

bool isDestination(Word word) {
    return word == Word::FontTable || word == Word::ColorTable || word == Word::SkippedDestination;
}

QChar symbolOf(Word word) {
    switch (word) {
    case Word::Line: return QChar(QChar::LineSeparator);
    case Word::Tab: case Word::Cell: return QChar(u'\t');
    case Word::Bullet: return QChar(0x2022);
    case Word::EnDash: return QChar(0x2013);
    case Word::EmDash: return QChar(0x2014);
    case Word::LeftQuote: return QChar(0x2018);
    case Word::RightQuote: return QChar(0x2019);
    case Word::LeftDoubleQuote: return QChar(0x201C);
    case Word::RightDoubleQuote: return QChar(0x201D);
    case Word::EmSpace: return QChar(0x2003);
    case Word::EnSpace: return QChar(0x2002);
    case Word::QuarterEmSpace: return QChar(0x2005);
    default: return QChar();
    }
}

QChar windows1252(unsigned char byte) {
    // 0x80..0x9F; the five bytes the code page leaves undefined stay as they are.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    if (byte >= 0x80 && byte <= 0x9F)
        return QChar(kHigh[byte - 0x80]);
    return QChar(char16_t(byte));
}

}  // namespace rtfwords
