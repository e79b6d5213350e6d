#include "platform/AtomicFile.h"
#include "platform/text/CodePages.h"
#include "platform/text/RTFCodec.h"

#include <QHash>
#include <QList>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int kMaxDepth = 1000;
constexpr int kMaxTabStops = 256;
constexpr int kMaxColors = 65536;
constexpr qint64 kParamLimit = 2147483647;

enum class Dest {
    Text,
    FontTable,
    ColorTable,
    ExpandedColorTable,
    Skip,
    Picture,
    FieldInstruction,
    Graphic,
};

struct State {
    Dest dest = Dest::Text;
    TextAttributes attrs; // character attributes, link and paragraph style
    int codePage = 0;     // of the current font; 0: the document's
    int uc = 1;
    int fieldIndex = -1;
    bool hidden = false;    // \v: text that is not shown
    bool footnote = false;  // text of a footnote, read after the body
    int footnoteNumber = 0; // of the footnote being read
    // paragraph line spacing as written (\sl, \slmult)
    int sl = 0;
    bool slMult = false;
    TabStop::Kind tabKind = TabStop::Kind::Left;
};

struct FontEntry {
    QString name;
    int codePage = 0;
};

struct ExpandedColor {
    bool set = false;
    bool gray = false;
    QByteArray space; // the colour-space word, "cssrgb"
    QList<double> components;
};

double twips(qint64 v) {
    return double(v) / 20.0;
}

constexpr quint64 wordHash(const char* s) {
    quint64 h = 14695981039346656037ull;
    for (; *s; ++s) h = (h ^ quint64(static_cast<unsigned char>(*s))) * 1099511628211ull;
    return h;
}

// A control word known at compile time, compared by hash first.
struct Word {
    quint64 hash;
    const char* text;
    consteval Word(const char* s) : hash(wordHash(s)), text(s) {}
};

class Reader {
public:
    Reader(const QByteArray& data, const RTFCodec::AttachmentFiles& files)
        : m_p(data.constData()), m_end(data.constData() + data.size()), m_files(files) {}

    std::optional<AttributedString> run(QString* error);

private:
    // tokens
    void controlWord();
    void controlSymbol(char c);
    void openGroup();
    void closeGroup();
    void textByte(char c);

    void handleWord(const char* word, int len, bool hasParam, qint64 param);
    bool handleDestination(const char* word, int len);
    void flushBytes();
    void emitText(const QString& text);
    void emitAttachmentIfPending();
    void endParagraph();
    void endFootnote();
    void commitFontName();
    void commitColor();
    void commitExpandedColor();
    void finishPicture();
    void finishGraphic();
    void startFieldResult();
    void skipChar(); // one character of \uc skipping
    int documentCodePage() const { return m_ansiCodePage; }
    int effectiveCodePage() const { return m_state.codePage ? m_state.codePage : m_ansiCodePage; }
    std::optional<ATSURGBAlphaColor> color(qint64 index) const;
    QByteArray colorSpace(qint64 index) const; // empty: generic RGB or none
    void fail(const QString& reason) {
        if (m_error.isEmpty()) m_error = reason;
    }

    const char* m_p;
    const char* m_end;
    const RTFCodec::AttachmentFiles& m_files;
    QString m_error;
    bool m_done = false;

    State m_state;
    std::vector<State> m_stack;
    QByteArray m_bytes; // text bytes not yet decoded
    int m_skip = 0;     // characters still to skip after \uN

    int m_ansiCodePage = CodePages::kWindowsLatin1;
    int m_defaultFont = -1;
    QHash<int, FontEntry> m_fonts;
    int m_fontNumber = -1;
    int m_fontCharsetPage = 0;
    QByteArray m_fontName;
    QString m_fontNameText;

    QList<std::optional<ATSURGBAlphaColor>> m_colors;
    bool m_colorHasValue = false;
    int m_red = 0, m_green = 0, m_blue = 0;
    QList<ExpandedColor> m_expanded;
    ExpandedColor m_expandedEntry;

    // picture group
    QString m_pictureSuffix; // the file name suffix of the picture's format; empty when unknown
    QByteArray m_picture;
    int m_nibble = -1;
    int m_pictureDepth = -1;
    int m_pictureCount = 0;

    // \NeXTGraphic
    QString m_graphicName;
    int m_graphicDepth = -1;
    std::optional<TextAttachment> m_pending;
    int m_pendingDepth = -1;

    // fields
    struct Field {
        QString instruction;
    };
    QList<Field> m_fields;

    // The body, and the footnotes that follow it.
    struct Output {
        AttributedString text;
        qsizetype paragraphStart = 0;
    };
    Output m_body;
    Output m_notes;
    int m_footnoteCount = 0;
    Output& out() { return m_state.footnote ? m_notes : m_body; }
    AttributedString result();
};

std::optional<ATSURGBAlphaColor> Reader::color(qint64 index) const {
    if (index < 0 || index >= m_colors.size()) return std::nullopt;
    std::optional<ATSURGBAlphaColor> c = m_colors[index];
    if (index < m_expanded.size() && m_expanded[index].set) {
        const ExpandedColor& e = m_expanded[index];
        const auto& v = e.components;
        ATSURGBAlphaColor x;
        x.alpha = 1;
        if (e.gray && !v.isEmpty()) {
            x.red = x.green = x.blue = float(v[0]);
            if (v.size() > 1) x.alpha = float(v[1]);
            c = x;
        } else if (!e.gray && v.size() >= 3) {
            x.red = float(v[0]);
            x.green = float(v[1]);
            x.blue = float(v[2]);
            if (v.size() > 3) x.alpha = float(v[3]);
            c = x;
        }
    }
    return c;
}

QByteArray Reader::colorSpace(qint64 index) const {
    if (index < 0 || index >= m_colors.size() || index >= m_expanded.size()) return {};
    const ExpandedColor& e = m_expanded[index];
    const bool used = e.gray ? !e.components.isEmpty() : e.components.size() >= 3;
    return e.set && used && e.space != "csgenericrgb" ? e.space : QByteArray();
}

std::optional<AttributedString> Reader::run(QString* error) {
    // The header: optional white space, then "{\rtf".
    while (m_p < m_end && (*m_p == ' ' || *m_p == '\r' || *m_p == '\n' || *m_p == '\t')) ++m_p;
    if (m_end - m_p < 5 || std::memcmp(m_p, "{\\rtf", 5) != 0) {
        if (error) *error = QStringLiteral("The data is not RTF.");
        return std::nullopt;
    }
    while (m_p < m_end && !m_done && m_error.isEmpty()) {
        const char c = *m_p++;
        switch (c) {
        case '{':
            openGroup();
            break;
        case '}':
            closeGroup();
            break;
        case '\\':
            if (m_p >= m_end) break;
            if ((*m_p >= 'a' && *m_p <= 'z') || (*m_p >= 'A' && *m_p <= 'Z'))
                controlWord();
            else
                controlSymbol(*m_p++);
            break;
        case '\r':
        case '\n':
        case '\0':
            break;
        default:
            textByte(c);
        }
    }
    if (!m_error.isEmpty()) {
        if (error) *error = m_error;
        return std::nullopt;
    }
    // Truncated input: close what is open and keep the text read.
    while (!m_stack.empty() && m_error.isEmpty()) closeGroup();
    flushBytes();
    emitAttachmentIfPending();
    endParagraph();
    if (!m_error.isEmpty()) {
        if (error) *error = m_error;
        return std::nullopt;
    }
    return result();
}

AttributedString Reader::result() {
    AttributedString text = std::move(m_body.text);
    AttributedString notes = std::move(m_notes.text);
    if (notes.isEmpty()) return text;
    if (!text.isEmpty() && !text.string().endsWith(QLatin1Char('\n'))) {
        TextAttributes a = text.attributesAt(text.length() - 1);
        a.attachment.reset();
        a.link.clear();
        text.append(QStringLiteral("\n"), a);
    }
    if (notes.string().endsWith(QLatin1Char('\n'))) notes = notes.mid(0, notes.length() - 1);
    text.append(notes);
    return text;
}

void Reader::openGroup() {
    flushBytes();
    m_skip = 0;
    if (int(m_stack.size()) >= kMaxDepth) {
        fail(QStringLiteral("The RTF data is nested too deeply."));
        return;
    }
    m_stack.push_back(m_state);
}

void Reader::closeGroup() {
    flushBytes();
    m_skip = 0;
    if (m_stack.empty()) { // the closing brace of the document
        m_done = true;
        return;
    }
    const Dest leaving = m_state.dest;
    const int depth = int(m_stack.size());
    if (leaving == Dest::FontTable) commitFontName();
    if (m_state.footnote && !m_stack.back().footnote) endFootnote();
    if (depth == m_pictureDepth) finishPicture();
    if (depth == m_graphicDepth) finishGraphic();
    if (depth == 1) {
        // The document's closing brace: the last paragraph ends in the document's state, and
        // whatever follows is not part of the document.
        emitAttachmentIfPending();
        endParagraph();
        m_done = true;
    }
    m_state = m_stack.back();
    m_stack.pop_back();
    if (leaving == Dest::FontTable && m_state.dest == Dest::Text && m_state.attrs.font.name.isEmpty()) {
        // Text without \f is in the default font.
        auto it = m_fonts.constFind(m_defaultFont);
        if (it != m_fonts.constEnd()) {
            m_state.attrs.font.name = it->name;
            m_state.codePage = it->codePage;
        }
    }
    if (m_pending && int(m_stack.size()) < m_pendingDepth) emitAttachmentIfPending();
}

void Reader::skipChar() {
    if (m_skip > 0) --m_skip;
}

void Reader::textByte(char c) {
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    switch (m_state.dest) {
    case Dest::Skip:
        return;
    case Dest::Picture: {
        int v = -1;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        if (v < 0) return; // white space or a bad digit
        if (m_nibble < 0) {
            m_nibble = v;
        } else {
            m_picture.append(char(m_nibble << 4 | v));
            m_nibble = -1;
        }
        return;
    }
    case Dest::FontTable:
        if (c == ';') {
            commitFontName();
            return;
        }
        m_fontName.append(c);
        return;
    case Dest::ColorTable:
        if (c == ';') commitColor();
        return;
    case Dest::ExpandedColorTable:
        if (c == ';') commitExpandedColor();
        return;
    default:
        m_bytes.append(c);
    }
}

void Reader::flushBytes() {
    if (m_bytes.isEmpty()) return;
    const QString text = CodePages::decode(m_bytes, effectiveCodePage());
    m_bytes.clear();
    emitText(text);
}

void Reader::emitAttachmentIfPending() {
    if (!m_pending) return;
    TextAttributes attrs = m_state.attrs;
    attrs.attachment = std::make_shared<const TextAttachment>(*m_pending);
    m_pending.reset();
    out().text.append(QString(kAttachmentCharacter), attrs);
}

void Reader::emitText(const QString& input) {
    if (input.isEmpty()) return;
    switch (m_state.dest) {
    case Dest::FieldInstruction:
        if (m_state.fieldIndex >= 0) m_fields[m_state.fieldIndex].instruction.append(input);
        return;
    case Dest::Graphic:
        m_graphicName.append(input);
        return;
    case Dest::Text:
        if (m_state.hidden) return;
        break;
    default:
        return;
    }
    QString text = input;
    if (m_pending) {
        // The placeholder character written after the graphic stands for the attachment.
        const QChar first = text.at(0);
        emitAttachmentIfPending();
        if (first == QChar(0x00AC) || first == kAttachmentCharacter) text.remove(0, 1);
    }
    AttributedString& output = out().text;
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype nl = text.indexOf(QLatin1Char('\n'), from);
        if (nl < 0) {
            output.append(from == 0 ? text : text.mid(from), m_state.attrs);
            break;
        }
        output.append(text.mid(from, nl - from + 1), m_state.attrs);
        endParagraph();
        from = nl + 1;
    }
}

void Reader::endParagraph() {
    // The paragraph style in force at the end of a paragraph is the style of the whole paragraph.
    const ParagraphStyle& style = m_state.attrs.paragraphStyle;
    Output& output = out();
    const qsizetype end = output.text.length();
    if (end > output.paragraphStart) {
        bool uniform = true;
        for (auto i = output.text.runs().size() - 1; i >= 0; --i) {
            const AttributeRun& run = output.text.runs()[i];
            if (!(run.attributes.paragraphStyle == style)) {
                uniform = false;
                break;
            }
            if (run.start <= output.paragraphStart) break;
        }
        if (!uniform)
            output.text.modifyAttributes(output.paragraphStart, end - output.paragraphStart,
                                         [&](TextAttributes& a) { a.paragraphStyle = style; });
    }
    output.paragraphStart = end;
}

void Reader::endFootnote() {
    // Each footnote is a paragraph of its own after the body.
    emitAttachmentIfPending();
    AttributedString& notes = m_notes.text;
    if (notes.isEmpty() || notes.string().endsWith(QLatin1Char('\n'))) return;
    notes.append(QStringLiteral("\n"), m_state.attrs);
    endParagraph();
}

void Reader::commitFontName() {
    flushBytes();
    if (m_fontNumber >= 0) {
        QString name = m_fontNameText +
                       CodePages::decode(m_fontName, m_fontCharsetPage ? m_fontCharsetPage : m_ansiCodePage);
        FontEntry entry{name.trimmed(), m_fontCharsetPage};
        if (!m_fonts.contains(m_fontNumber) || m_fonts.size() < 100000) m_fonts.insert(m_fontNumber, entry);
    }
    m_fontName.clear();
    m_fontNameText.clear();
    m_fontNumber = -1;
    m_fontCharsetPage = 0;
}

void Reader::commitColor() {
    if (m_colors.size() < kMaxColors) {
        if (m_colorHasValue)
            m_colors.append(ATSURGBAlphaColor{m_red / 255.0f, m_green / 255.0f, m_blue / 255.0f, 1.0f});
        else
            m_colors.append(std::nullopt);
    }
    m_colorHasValue = false;
    m_red = m_green = m_blue = 0;
}

void Reader::commitExpandedColor() {
    if (m_expanded.size() < kMaxColors) m_expanded.append(m_expandedEntry);
    m_expandedEntry = ExpandedColor();
}

void Reader::finishPicture() {
    m_pictureDepth = -1;
    if (m_picture.isEmpty()) return;
    // Every picture is kept with its bytes, also those Qt cannot show.
    ++m_pictureCount;
    TextAttachment attachment;
    attachment.fileName = QStringLiteral("Picture %1").arg(m_pictureCount);
    if (!m_pictureSuffix.isEmpty()) attachment.fileName += QLatin1Char('.') + m_pictureSuffix;
    attachment.data = m_picture;
    m_picture.clear();
    // The picture sits where its group is, in the enclosing text.
    const State& outer = m_stack.back();
    TextAttributes attrs = outer.attrs;
    attrs.attachment = std::make_shared<const TextAttachment>(std::move(attachment));
    if (outer.dest == Dest::Text && !outer.hidden)
        (outer.footnote ? m_notes : m_body).text.append(QString(kAttachmentCharacter), attrs);
}

void Reader::finishGraphic() {
    m_graphicDepth = -1;
    const QString name = m_graphicName.trimmed();
    m_graphicName.clear();
    if (m_stack.back().dest != Dest::Text || m_stack.back().hidden) return;
    TextAttachment attachment;
    attachment.fileName = RTFCodec::safeFileName(name);
    auto it = m_files.constFind(name);
    if (it == m_files.constEnd()) it = m_files.constFind(attachment.fileName);
    if (it != m_files.constEnd()) {
        attachment.data = it->data;
        attachment.isFolder = it->isFolder;
    }
    emitAttachmentIfPending();
    m_pending = attachment;
    m_pendingDepth = int(m_stack.size()) - 1; // the group holding the graphic group
}

void Reader::startFieldResult() {
    if (m_state.fieldIndex < 0) return;
    QString inst = m_fields[m_state.fieldIndex].instruction.trimmed();
    if (!inst.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive)) return;
    inst = inst.mid(9).trimmed();
    QString url, anchor;
    // Arguments: an optional quoted or bare target, and switches such as \l "anchor".
    qsizetype i = 0;
    auto readArg = [&]() {
        while (i < inst.size() && inst[i].isSpace()) ++i;
        QString arg;
        if (i < inst.size() && inst[i] == QLatin1Char('"')) {
            ++i;
            while (i < inst.size() && inst[i] != QLatin1Char('"')) arg.append(inst[i++]);
            ++i;
        } else {
            while (i < inst.size() && !inst[i].isSpace()) arg.append(inst[i++]);
        }
        return arg;
    };
    while (i < inst.size()) {
        QString arg = readArg();
        if (arg == QLatin1String("\\l"))
            anchor = readArg();
        else if (arg.startsWith(QLatin1Char('\\')))
            continue;
        else if (url.isEmpty())
            url = arg;
    }
    if (!anchor.isEmpty()) url += QLatin1Char('#') + anchor;
    if (!url.isEmpty()) m_state.attrs.link = url;
}

void Reader::controlSymbol(char c) {
    switch (c) {
    case '\\':
    case '{':
    case '}':
        textByte(c);
        return;
    case '\'': {
        int value = 0, digits = 0;
        while (digits < 2 && m_p < m_end) {
            const char h = *m_p;
            int v;
            if (h >= '0' && h <= '9')
                v = h - '0';
            else if (h >= 'a' && h <= 'f')
                v = h - 'a' + 10;
            else if (h >= 'A' && h <= 'F')
                v = h - 'A' + 10;
            else
                break;
            value = value * 16 + v;
            ++digits;
            ++m_p;
        }
        if (digits == 0) return; // bad hex: nothing
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        if (m_state.dest == Dest::Picture || value == 0) return; // NUL is never text
        if (m_state.dest == Dest::FontTable) {
            m_fontName.append(char(value));
            return;
        }
        m_bytes.append(char(value));
        return;
    }
    case '*':
        // An ignorable destination: skipped unless the next word is one this reader knows.
        if (m_p < m_end && *m_p == '\\') {
            const char* q = m_p + 1;
            const char* start = q;
            while (q < m_end && q - start < 32 && ((*q >= 'a' && *q <= 'z') || (*q >= 'A' && *q <= 'Z'))) ++q;
            static const char* const known[] = {"expandedcolortbl", "fldinst", "shppict"};
            const int len = int(q - start);
            for (const char* k : known)
                if (int(std::strlen(k)) == len && std::memcmp(k, start, len) == 0) return;
        }
        flushBytes();
        m_state.dest = Dest::Skip;
        return;
    case '\n':
    case '\r':
        flushBytes();
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        emitText(QStringLiteral("\n"));
        return;
    case '~':
        flushBytes();
        if (m_skip > 0) return skipChar();
        emitText(QString(QChar(0x00A0)));
        return;
    case '_':
        flushBytes();
        if (m_skip > 0) return skipChar();
        emitText(QString(QChar(0x2011)));
        return;
    case '-':
        flushBytes();
        if (m_skip > 0) return skipChar();
        emitText(QString(QChar(0x00AD)));
        return;
    case '\t':
        flushBytes();
        if (m_skip > 0) return skipChar();
        emitText(QStringLiteral("\t"));
        return;
    default:
        flushBytes();
        skipChar();
        return;
    }
}

void Reader::controlWord() {
    const char* start = m_p;
    while (m_p < m_end && ((*m_p >= 'a' && *m_p <= 'z') || (*m_p >= 'A' && *m_p <= 'Z'))) ++m_p;
    const int len = int(std::min<qptrdiff>(m_p - start, 32));
    bool hasParam = false;
    bool negative = false;
    qint64 param = 0;
    if (m_p < m_end && *m_p == '-' && m_p + 1 < m_end && m_p[1] >= '0' && m_p[1] <= '9') {
        negative = true;
        ++m_p;
    }
    while (m_p < m_end && *m_p >= '0' && *m_p <= '9') {
        hasParam = true;
        param = std::min<qint64>(param * 10 + (*m_p - '0'), kParamLimit);
        ++m_p;
    }
    if (negative) param = -param;
    if (m_p < m_end && *m_p == ' ') ++m_p;
    flushBytes();
    char word[33];
    std::memcpy(word, start, len);
    word[len] = 0;
    handleWord(word, len, hasParam, param);
}

bool Reader::handleDestination(const char* w, int) {
    static constexpr Word skipped[] = {"stylesheet",
                                       "info",
                                       "header",
                                       "headerl",
                                       "headerr",
                                       "headerf",
                                       "footer",
                                       "footerl",
                                       "footerr",
                                       "footerf",
                                       "ftnsep",
                                       "ftnsepc",
                                       "ftncn",
                                       "aftnsep",
                                       "aftnsepc",
                                       "aftncn",
                                       "listtable",
                                       "listoverridetable",
                                       "revtbl",
                                       "rsidtbl",
                                       "generator",
                                       "xmlnstbl",
                                       "pgdsctbl",
                                       "themedata",
                                       "colorschememapping",
                                       "latentstyles",
                                       "datastore",
                                       "objdata",
                                       "nonshppict",
                                       "filetbl",
                                       "annotation",
                                       "atnid",
                                       "atnauthor",
                                       "bkmkstart",
                                       "bkmkend",
                                       "template",
                                       "mmathPr",
                                       "author",
                                       "operator",
                                       "title",
                                       "subject",
                                       "keywords",
                                       "comment",
                                       "doccomm"};
    const quint64 h = wordHash(w);
    for (const Word& s : skipped)
        if (s.hash == h && std::strcmp(s.text, w) == 0) {
            m_state.dest = Dest::Skip;
            return true;
        }
    return false;
}

void Reader::handleWord(const char* w, int len, bool hasParam, qint64 param) {
    if (m_skip > 0 && std::strcmp(w, "bin") != 0) {
        --m_skip;
        return;
    }
    const quint64 h = wordHash(w);
    auto is = [&](Word k) { return k.hash == h && std::strcmp(w, k.text) == 0; };
    State& s = m_state;
    TextAttributes& a = s.attrs;
    ParagraphStyle& p = a.paragraphStyle;
    const bool on = !hasParam || param != 0;

    if (is("bin")) {
        // Raw bytes follow; their count must lie inside the data.
        const qint64 n = std::max<qint64>(param, 0);
        if (n > m_end - m_p) {
            fail(QStringLiteral("The RTF data ends inside binary data."));
            return;
        }
        if (s.dest == Dest::Picture) m_picture.append(m_p, qsizetype(n));
        m_p += n;
        m_skip = 0;
        return;
    }
    if (s.dest == Dest::Skip) return;

    if (s.dest == Dest::FontTable) {
        if (is("u")) {
            qint64 v = param < 0 ? param + 65536 : param;
            if (v > 0 && v <= 0xFFFF) {
                m_fontNameText +=
                    CodePages::decode(m_fontName, m_fontCharsetPage ? m_fontCharsetPage : m_ansiCodePage);
                m_fontName.clear();
                m_fontNameText.append(QChar(char16_t(v)));
            }
            m_skip = s.uc;
        } else if (is("f")) {
            if (m_fontNumber >= 0 && (!m_fontName.isEmpty() || !m_fontNameText.isEmpty())) commitFontName();
            m_fontNumber = int(std::max<qint64>(param, 0));
        } else if (is("fcharset")) {
            m_fontCharsetPage = CodePages::codePageForCharset(int(param));
        } else if (is("cpg")) {
            m_fontCharsetPage = int(param);
        }
        return;
    }
    if (s.dest == Dest::ColorTable) {
        if (is("red"))
            m_red = int(std::clamp<qint64>(param, 0, 255)), m_colorHasValue = true;
        else if (is("green"))
            m_green = int(std::clamp<qint64>(param, 0, 255)), m_colorHasValue = true;
        else if (is("blue"))
            m_blue = int(std::clamp<qint64>(param, 0, 255)), m_colorHasValue = true;
        return;
    }
    if (s.dest == Dest::ExpandedColorTable) {
        if (is("csgray")) {
            m_expandedEntry.set = true;
            m_expandedEntry.gray = true;
            m_expandedEntry.space = "csgray";
        } else if (std::strncmp(w, "cs", 2) == 0) {
            m_expandedEntry.set = true;
            m_expandedEntry.space = QByteArray(w, len);
        } else if (is("c") && m_expandedEntry.components.size() < 8) {
            m_expandedEntry.set = true;
            m_expandedEntry.components.append(double(param) / 100000.0);
        }
        return;
    }
    if (s.dest == Dest::Picture) {
        static constexpr struct {
            Word word;
            const char* suffix;
        } formats[] = {{"pngblip", "png"},  {"jpegblip", "jpg"},   {"emfblip", "emf"},  {"wmetafile", "wmf"},
                       {"macpict", "pict"}, {"pmmetafile", "met"}, {"dibitmap", "dib"}, {"wbitmap", "bmp"}};
        for (const auto& f : formats)
            if (is(f.word)) m_pictureSuffix = QLatin1String(f.suffix);
        return;
    }
    // Parameters of the reference are skipped; Unicode characters are part of its name or target.
    if ((s.dest == Dest::Graphic || s.dest == Dest::FieldInstruction) && !is("u") && !is("uc")) return;

    // Destinations
    if (is("rtf")) return;
    if (is("fonttbl")) {
        s.dest = Dest::FontTable;
        m_fontNumber = -1;
        m_fontName.clear();
        return;
    }
    if (is("colortbl")) {
        s.dest = Dest::ColorTable;
        m_colors.clear();
        m_colorHasValue = false;
        return;
    }
    if (is("expandedcolortbl")) {
        s.dest = Dest::ExpandedColorTable;
        m_expanded.clear();
        m_expandedEntry = ExpandedColor();
        return;
    }
    if (is("pict")) {
        s.dest = Dest::Picture;
        m_pictureSuffix.clear();
        m_picture.clear();
        m_nibble = -1;
        m_pictureDepth = int(m_stack.size());
        if (m_stack.empty()) s.dest = Dest::Skip;
        return;
    }
    if (is("NeXTGraphic")) {
        s.dest = Dest::Graphic;
        m_graphicName.clear();
        m_graphicDepth = int(m_stack.size());
        if (m_stack.empty()) s.dest = Dest::Skip;
        return;
    }
    if (is("field")) {
        m_fields.append(Field());
        s.fieldIndex = int(m_fields.size()) - 1;
        return;
    }
    if (is("fldinst")) {
        s.dest = Dest::FieldInstruction;
        return;
    }
    if (is("fldrslt")) {
        startFieldResult();
        return;
    }
    if (is("footnote")) {
        // Endnotes (\ftnalt) too: read into their own paragraphs after the body.
        if (!s.footnote) {
            s.footnote = true;
            s.footnoteNumber = ++m_footnoteCount;
        }
        return;
    }
    if (handleDestination(w, len)) return;

    // Document
    if (is("ansi"))
        m_ansiCodePage = CodePages::kWindowsLatin1;
    else if (is("mac"))
        m_ansiCodePage = CodePages::kMacRoman;
    else if (is("pc"))
        m_ansiCodePage = 437;
    else if (is("pca"))
        m_ansiCodePage = 850;
    else if (is("ansicpg"))
        m_ansiCodePage = param > 0 ? int(param) : CodePages::kWindowsLatin1;
    else if (is("deff"))
        m_defaultFont = int(param);
    else if (is("uc"))
        s.uc = int(std::clamp<qint64>(param, 0, 64));
    else if (is("u")) {
        qint64 v = param;
        if (v < 0) v += 65536;
        if (hasParam && v > 0 && v <= 0xFFFF) emitText(QString(QChar(char16_t(v))));
        m_skip = s.uc;
    }
    // Special characters
    else if (is("par") || is("sect"))
        emitText(QStringLiteral("\n"));
    else if (is("line"))
        emitText(QString(QChar(0x2028)));
    else if (is("tab") || is("cell"))
        emitText(QStringLiteral("\t"));
    else if (is("row"))
        emitText(QStringLiteral("\n"));
    else if (is("page"))
        emitText(QString(QChar(0x000C)));
    else if (is("emdash"))
        emitText(QString(QChar(0x2014)));
    else if (is("endash"))
        emitText(QString(QChar(0x2013)));
    else if (is("emspace"))
        emitText(QString(QChar(0x2003)));
    else if (is("enspace"))
        emitText(QString(QChar(0x2002)));
    else if (is("bullet"))
        emitText(QString(QChar(0x2022)));
    else if (is("lquote"))
        emitText(QString(QChar(0x2018)));
    else if (is("rquote"))
        emitText(QString(QChar(0x2019)));
    else if (is("ldblquote"))
        emitText(QString(QChar(0x201C)));
    else if (is("rdblquote"))
        emitText(QString(QChar(0x201D)));
    else if (is("zwj"))
        emitText(QString(QChar(0x200D)));
    else if (is("zwnj"))
        emitText(QString(QChar(0x200C)));
    else if (is("chftn")) // the footnote's number, as its mark and at its start
        emitText(QString::number(s.footnote ? s.footnoteNumber : m_footnoteCount + 1));
    // Character formatting
    else if (is("plain")) {
        const QString link = a.link;
        const ParagraphStyle para = p;
        a = TextAttributes();
        a.link = link;
        a.paragraphStyle = para;
        s.codePage = 0;
        s.hidden = false;
        if (m_fonts.contains(m_defaultFont)) {
            a.font.name = m_fonts.value(m_defaultFont).name;
            s.codePage = m_fonts.value(m_defaultFont).codePage;
        }
    } else if (is("f")) {
        auto it = m_fonts.constFind(int(param));
        if (it != m_fonts.constEnd()) {
            a.font.name = it->name;
            s.codePage = it->codePage;
        }
    } else if (is("fs")) {
        a.font.pointSize = std::clamp<qint64>(param, 0, 20000) / 2.0;
    } else if (is("b"))
        a.font.bold = on;
    else if (is("i"))
        a.font.italic = on;
    else if (is("ul") || is("ulw") || is("uld") || is("uldash") || is("ulwave") || is("uldashd"))
        a.underline = on ? UnderlineStyle::Single : UnderlineStyle::None;
    else if (is("uldb"))
        a.underline = on ? UnderlineStyle::Double : UnderlineStyle::None;
    else if (is("ulth"))
        a.underline = on ? UnderlineStyle::Thick : UnderlineStyle::None;
    else if (is("ulnone"))
        a.underline = UnderlineStyle::None;
    else if (is("strike") || is("striked"))
        a.strikethrough = on;
    else if (is("v"))
        s.hidden = on;
    else if (is("cf"))
        a.foregroundColor = color(param), a.foregroundColorSpace = colorSpace(param);
    else if (is("cb") || is("highlight") || is("chcbpat"))
        a.backgroundColor = color(param), a.backgroundColorSpace = colorSpace(param);
    else if (is("super"))
        a.superscript = on ? 1 : 0;
    else if (is("sub"))
        a.superscript = on ? -1 : 0;
    else if (is("nosupersub"))
        a.superscript = 0;
    else if (is("up"))
        a.baselineOffset = std::clamp<qint64>(hasParam ? param : 6, -20000, 20000) / 2.0;
    else if (is("dn"))
        a.baselineOffset = -std::clamp<qint64>(hasParam ? param : 6, -20000, 20000) / 2.0;
    // Paragraph formatting
    else if (is("pard")) {
        p = ParagraphStyle();
        s.sl = 0;
        s.slMult = false;
        s.tabKind = TabStop::Kind::Left;
    } else if (is("ql"))
        p.alignment = TextAlignment::Left;
    else if (is("qr"))
        p.alignment = TextAlignment::Right;
    else if (is("qc"))
        p.alignment = TextAlignment::Center;
    else if (is("qj"))
        p.alignment = TextAlignment::Justified;
    else if (is("qn") || is("qnatural"))
        p.alignment = TextAlignment::Natural;
    else if (is("li") || is("lin")) {
        const double first = p.firstLineHeadIndent - p.headIndent;
        p.headIndent = twips(param);
        p.firstLineHeadIndent = p.headIndent + first;
    } else if (is("fi"))
        p.firstLineHeadIndent = p.headIndent + twips(param);
    else if (is("ri") || is("rin"))
        p.tailIndent = twips(param);
    else if (is("sb"))
        p.paragraphSpacingBefore = twips(param);
    else if (is("sa"))
        p.paragraphSpacing = twips(param);
    else if (is("slleading"))
        p.lineSpacing = twips(param);
    else if (is("sl") || is("slmult")) {
        if (is("sl"))
            s.sl = int(param);
        else
            s.slMult = on;
        p.lineHeightMultiple = (s.slMult && s.sl > 0) ? s.sl / 240.0 : 0;
    } else if (is("tqr"))
        s.tabKind = TabStop::Kind::Right;
    else if (is("tqc"))
        s.tabKind = TabStop::Kind::Center;
    else if (is("tqdec"))
        s.tabKind = TabStop::Kind::Decimal;
    else if (is("tx")) {
        if (p.tabStops.size() < kMaxTabStops) p.tabStops.append(TabStop{twips(param), s.tabKind});
        s.tabKind = TabStop::Kind::Left;
    } else if (is("rtlpar"))
        p.writingDirection = WritingDirection::RightToLeft;
    else if (is("ltrpar"))
        p.writingDirection = WritingDirection::LeftToRight;
    else if (is("pardirnatural"))
        p.writingDirection = WritingDirection::Natural;
    // Everything else is skipped.
}

} // namespace

namespace RTFCodec {

std::optional<AttributedString> read(const QByteArray& rtf, QString* error, const AttachmentFiles& files) {
    Reader reader(rtf, files);
    return reader.run(error);
}

bool isReservedName(QStringView name) {
    return name == QLatin1String(".") || name == QLatin1String("..") ||
           name == QLatin1String("__@PreferredName@__") || name == QLatin1String("__@UTF8PreferredName@__");
}

QString safeFileName(const QString& name) {
    QString n = name;
    const qsizetype slash = std::max(n.lastIndexOf(QLatin1Char('/')), n.lastIndexOf(QLatin1Char('\\')));
    if (slash >= 0) n = n.mid(slash + 1);
    for (QChar& c : n)
        if (c.unicode() < 0x20 || c == QLatin1Char(':')) c = QLatin1Char('_');
    if (n.size() > 200) n = n.right(200);
    n = n.trimmed();
    // A name like a save's temporary would be removed as a leftover: it loses its leading dot.
    while (AtomicFile::isTemporaryName(n)) n = n.mid(1).trimmed();
    if (n.isEmpty() || isReservedName(n)) n = QStringLiteral("Attachment");
    return n;
}

} // namespace RTFCodec
