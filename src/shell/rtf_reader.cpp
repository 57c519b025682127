#include "shell/rtf_reader.h"

#include "shell/rtf_words.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace {

using rtfwords::Word;

enum class Destination { Text, FontTable, ColorTable, Skip };

struct CharState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24;
    int colorIndex = -1;  // -1: no \cf yet
    int fontIndex = -1;   // -1: the document's default font
    friend bool operator==(const CharState&, const CharState&) = default;
};

struct ParaState {
    RtfAlignment alignment = RtfAlignment::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
};

struct GroupState {
    CharState chars;
    ParaState para;
    Destination dest = Destination::Text;
    int unicodeSkip = 1;  // \ucN: characters that stand in for each \uN
};

// Deeper nesting than this is counted but adds no state, so "{{{{..." cannot
// eat memory.
constexpr std::size_t kMaxDepth = 1000;

class Reader {
public:
    explicit Reader(const QByteArray& rtf) : m_data(rtf) {}
    RtfDocument read();

private:
    void openGroup();
    void closeGroup();
    void readControl();
    void readSymbol(char c);
    void applyWord(Word word, bool hasParam, int param);
    void applyCharWord(Word word, bool hasParam, int param);
    void applyParaWord(Word word, int param);
    void text(QChar c);
    void tableText(QChar c);
    void endParagraph(const ParaState& para);
    void commitFont();
    bool skipping();
    RtfCharFormat resolve(const CharState& chars) const;
    bool isSymbolFont() const;

    const QByteArray& m_data;
    qsizetype m_pos = 0;
    GroupState m_state;
    std::vector<GroupState> m_stack;
    std::size_t m_overflow = 0;
    int m_pendingSkip = 0;  // fallback characters still to drop after \uN

    int m_defaultFont = -1;
    QHash<int, QString> m_fonts;
    int m_fontNumber = -1;
    QString m_fontName;
    QList<std::optional<RtfColor>> m_colors;
    RtfColor m_color;
    bool m_colorGiven = false;

    RtfDocument m_doc;
    RtfParagraph m_paragraph;
    ParaState m_textPara;  // paragraph state when text was last added
    CharState m_runChars;  // state that produced the open paragraph's last run
};

RtfDocument Reader::read() {
    while (m_pos < m_data.size()) {
        const char c = m_data[m_pos++];
        switch (c) {
        case '{': openGroup(); break;
        case '}': closeGroup(); break;
        case '\\': readControl(); break;
        case '\t':
            if (!skipping())
                text(u'\t');
            break;
        default:
            // Line ends and other control bytes carry no text in RTF.
            if (static_cast<unsigned char>(c) >= 0x20 && !skipping())
                text(rtfwords::windows1252(static_cast<unsigned char>(c)));
            break;
        }
    }
    // A last paragraph without \par keeps the look it had while it got text,
    // not that of the groups closed after it.
    if (!m_paragraph.runs.isEmpty())
        endParagraph(m_textPara);
    return std::move(m_doc);
}

void Reader::openGroup() {
    m_pendingSkip = 0;
    if (m_stack.size() >= kMaxDepth) {
        ++m_overflow;
        return;
    }
    m_stack.push_back(m_state);
}

void Reader::closeGroup() {
    m_pendingSkip = 0;
    if (m_overflow > 0) {
        --m_overflow;
        return;
    }
    if (m_stack.empty())
        return;  // a stray '}' closes nothing
    if (m_state.dest == Destination::FontTable)
        commitFont();
    m_state = m_stack.back();
    m_stack.pop_back();
}

// Reads what follows a backslash: a control word with its optional numeric
// parameter and delimiting space, or a control symbol.
void Reader::readControl() {
    if (m_pos >= m_data.size())
        return;
    const char first = m_data[m_pos];
    if (!rtfwords::isLetter(first)) {
        ++m_pos;
        readSymbol(first);
        return;
    }
    const qsizetype start = m_pos;
    while (m_pos < m_data.size() && rtfwords::isLetter(m_data[m_pos]))
        ++m_pos;
    const QByteArrayView name(m_data.constData() + start, m_pos - start);
    bool negative = false;
    if (m_pos + 1 < m_data.size() && m_data[m_pos] == '-' && rtfwords::isDigit(m_data[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    bool hasParam = false;
    qint64 value = 0;
    while (m_pos < m_data.size() && rtfwords::isDigit(m_data[m_pos])) {
        hasParam = true;
        value = std::min<qint64>(value * 10 + (m_data[m_pos] - '0'), 1'000'000'000);
        ++m_pos;
    }
    if (m_pos < m_data.size() && m_data[m_pos] == ' ')
        ++m_pos;
    const int param = int(negative ? -value : value);
    const Word word = rtfwords::lookup(name);
    if (word == Word::Bin) {  // raw bytes follow; step over them whatever the state
        m_pos += std::clamp<qsizetype>(param, 0, m_data.size() - m_pos);
        return;
    }
    if (skipping())
        return;
    applyWord(word, hasParam, param);
}

void Reader::readSymbol(char c) {
    if (c == '\'') {
        int byte = 0;
        int digits = 0;
        while (digits < 2 && m_pos < m_data.size() && rtfwords::hexValue(m_data[m_pos]) >= 0) {
            byte = byte * 16 + rtfwords::hexValue(m_data[m_pos++]);
            ++digits;
        }
        // A cut-off code gives nothing; so does a control byte other than tab.
        if (!skipping() && digits == 2 && (byte >= 0x20 || byte == '\t'))
            text(rtfwords::windows1252(static_cast<unsigned char>(byte)));
        return;
    }
    if (c == '*') {  // an optional destination: nothing in one is shown
        m_state.dest = Destination::Skip;
        return;
    }
    if (skipping())
        return;
    switch (c) {
    case '\\': case '{': case '}': text(QChar::fromLatin1(c)); break;
    case '~': text(QChar(0x00A0)); break;
    case '_': text(QChar(0x2011)); break;
    case '\t': text(u'\t'); break;
    case '\r': case '\n': applyWord(Word::Par, false, 0); break;
    default: break;  // \- optional hyphen, \| \: and unknown symbols show nothing
    }
}

// Whether the token just read is one of the characters that stand in for a
// \uN character, and so is dropped.
bool Reader::skipping() {
    if (m_pendingSkip == 0)
        return false;
    --m_pendingSkip;
    return true;
}

void Reader::applyWord(Word word, bool hasParam, int param) {
    if (rtfwords::isDestination(word)) {
        if (m_state.dest != Destination::Skip) {
            m_state.dest = word == Word::FontTable    ? Destination::FontTable
                           : word == Word::ColorTable ? Destination::ColorTable
                                                      : Destination::Skip;
        }
        return;
    }
    switch (m_state.dest) {
    case Destination::Skip:
        return;
    case Destination::FontTable:
        if (word == Word::Font) {
            commitFont();
            m_fontNumber = param;
        }
        return;
    case Destination::ColorTable:
        if (word == Word::Red || word == Word::Green || word == Word::Blue) {
            const int v = std::clamp(param, 0, 255);
            (word == Word::Red ? m_color.red : word == Word::Green ? m_color.green : m_color.blue) = v;
            m_colorGiven = true;
        }
        return;
    case Destination::Text:
        break;
    }
    if (word == Word::Unicode) {
        if (param < 0)
            param += 65536;
        // As with \'hh, a control character other than tab is no text: a line
        // end inside a run would break the paragraph apart.
        if (param <= 0xFFFF && (param >= 0x20 || param == '\t'))
            text(QChar(char16_t(param)));
        m_pendingSkip = m_state.unicodeSkip;
        return;
    }
    if (const QChar c = rtfwords::symbolOf(word); !c.isNull()) {
        text(c);
        return;
    }
    applyCharWord(word, hasParam, param);
    applyParaWord(word, param);
}

void Reader::applyCharWord(Word word, bool hasParam, int param) {
    CharState& chars = m_state.chars;
    const bool on = !hasParam || param != 0;
    switch (word) {
    case Word::Bold: chars.bold = on; break;
    case Word::Italic: chars.italic = on; break;
    case Word::Underline: chars.underline = on; break;
    case Word::UnderlineNone: chars.underline = false; break;
    case Word::FontSize: chars.halfPoints = (hasParam && param > 0) ? std::min(param, 3276) : 24; break;
    case Word::ColorForeground: chars.colorIndex = param; break;
    case Word::Font: chars.fontIndex = param; break;
    case Word::Plain: chars = CharState{}; break;
    case Word::DefaultFont: m_defaultFont = param; break;
    case Word::UnicodeSkip: m_state.unicodeSkip = std::clamp(param, 0, 64); break;
    default: break;
    }
}

void Reader::applyParaWord(Word word, int param) {
    ParaState& para = m_state.para;
    switch (word) {
    case Word::Par: case Word::Sect: case Word::Page: case Word::Row: endParagraph(para); break;
    case Word::ParaDefault: para = ParaState{}; break;
    case Word::AlignLeft: para.alignment = RtfAlignment::Left; break;
    case Word::AlignCenter: para.alignment = RtfAlignment::Center; break;
    case Word::AlignRight: para.alignment = RtfAlignment::Right; break;
    case Word::AlignJustify: para.alignment = RtfAlignment::Justify; break;
    case Word::LeftIndent: para.leftIndent = param; break;
    case Word::RightIndent: para.rightIndent = param; break;
    case Word::FirstIndent: para.firstLineIndent = param; break;
    case Word::SpaceBefore: para.spaceBefore = param; break;
    case Word::SpaceAfter: para.spaceAfter = param; break;
    default: break;
    }
}

void Reader::text(QChar c) {
    if (m_state.dest == Destination::FontTable || m_state.dest == Destination::ColorTable) {
        tableText(c);
        return;
    }
    if (m_state.dest != Destination::Text)
        return;
    if (c == QChar(0x00B7) && isSymbolFont())
        c = QChar(0x2022);  // list bullets are written as the Symbol font's 0xB7
    m_textPara = m_state.para;
    if (!m_paragraph.runs.isEmpty() && m_state.chars == m_runChars) {
        m_paragraph.runs.last().text.append(c);
        return;
    }
    m_runChars = m_state.chars;
    RtfCharFormat format = resolve(m_state.chars);
    if (!m_paragraph.runs.isEmpty() && m_paragraph.runs.last().format == format)
        m_paragraph.runs.last().text.append(c);
    else
        m_paragraph.runs.append(RtfRun{QString(c), std::move(format)});
}

void Reader::tableText(QChar c) {
    if (m_state.dest == Destination::FontTable) {
        if (c == u';')
            commitFont();
        else
            m_fontName.append(c);
        return;
    }
    if (c != u';')
        return;
    m_colors.append(m_colorGiven ? std::optional(m_color) : std::nullopt);
    m_color = RtfColor{};
    m_colorGiven = false;
}

void Reader::commitFont() {
    const QString name = m_fontName.trimmed();
    if (m_fontNumber >= 0 && !name.isEmpty() && !m_fonts.contains(m_fontNumber))
        m_fonts.insert(m_fontNumber, name);
    m_fontName.clear();
}

// A paragraph takes the paragraph format in effect at its end.
void Reader::endParagraph(const ParaState& para) {
    m_paragraph.alignment = para.alignment;
    m_paragraph.leftIndent = para.leftIndent;
    m_paragraph.rightIndent = para.rightIndent;
    m_paragraph.firstLineIndent = para.firstLineIndent;
    m_paragraph.spaceBefore = para.spaceBefore;
    m_paragraph.spaceAfter = para.spaceAfter;
    m_doc.paragraphs.append(std::move(m_paragraph));
    m_paragraph = RtfParagraph{};
}

RtfCharFormat Reader::resolve(const CharState& chars) const {
    RtfCharFormat format;
    format.bold = chars.bold;
    format.italic = chars.italic;
    format.underline = chars.underline;
    format.pointSize = chars.halfPoints / 2.0;
    if (chars.colorIndex >= 0 && chars.colorIndex < m_colors.size())
        format.color = m_colors[chars.colorIndex];
    format.fontFamily = m_fonts.value(chars.fontIndex < 0 ? m_defaultFont : chars.fontIndex);
    return format;
}

bool Reader::isSymbolFont() const {
    const int font = m_state.chars.fontIndex < 0 ? m_defaultFont : m_state.chars.fontIndex;
    return m_fonts.value(font).compare(u"Symbol", Qt::CaseInsensitive) == 0;
}

}  // namespace

QString RtfParagraph::text() const {
    QString out;
    for (const RtfRun& run : runs)
        out += run.text;
    return out;
}

QString RtfDocument::toPlainText() const {
    QStringList lines;
    lines.reserve(paragraphs.size());
    for (const RtfParagraph& paragraph : paragraphs)
        lines.append(paragraph.text());
    return lines.join(u'\n');
}

RtfDocument readRtf(const QByteArray& rtf) {
    return Reader(rtf).read();
}
