#include "platform/text/CodePages.h"
#include "platform/text/RTFCodec.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace {

// The character attributes as the RTF reader tracks them; -1 / 0 mean "not set".
struct CharState {
    int font = -1;
    int halfPoints = 0;
    bool bold = false;
    bool italic = false;
    UnderlineStyle underline = UnderlineStyle::None;
    bool strike = false;
    int foreground = 0;
    int background = 0;
    int superscript = 0;
    int baseline = 0; // half-points
    friend bool operator==(const CharState&, const CharState&) = default;
};

int twips(double points) {
    return int(std::lround(std::clamp(points, -1.0e6, 1.0e6) * 20.0));
}

QByteArray num(qint64 v) {
    return QByteArray::number(v);
}

class Writer {
public:
    explicit Writer(RTFCodec::AttachmentFiles* files) : m_files(files) {}
    QByteArray write(const AttributedString& text);

private:
    void collectTables(const AttributedString& text);
    int colorIndex(const std::optional<ATSURGBAlphaColor>& c, const QByteArray& space) const;
    CharState stateFor(const TextAttributes& a) const;
    void setCharState(const CharState& target);
    void writeParagraph(const ParagraphStyle& p);
    void writeText(const QString& text, qsizetype from, qsizetype to);
    void writeEscaped(const QString& text);
    void writeAttachment(const TextAttachment& attachment);
    void openLink(const QString& url);
    void closeLink();
    QString fileNameFor(const TextAttachment& attachment);

    RTFCodec::AttachmentFiles* m_files;
    QByteArray m_out;
    QStringList m_fonts;
    QList<std::pair<ATSURGBAlphaColor, QByteArray>> m_colors; // each with its colour space
    CharState m_char;
    CharState m_savedChar;
    bool m_inLink = false;
    QString m_link;
    ParagraphStyle m_paragraph;
    bool m_paragraphWritten = false;
};

// The colour-space word a colour is written with: its own when it is a plain word that fits the colour
// (gray only for a gray), else generic RGB.
QByteArray spaceWord(const std::optional<ATSURGBAlphaColor>& c, const QByteArray& space) {
    const bool word = c && !space.isEmpty() && space.size() <= 32 &&
                      std::all_of(space.begin(), space.end(), [](char x) { return x >= 'a' && x <= 'z'; });
    if (!word || (space == "csgray" && !(c->red == c->green && c->green == c->blue))) return "csgenericrgb";
    return space;
}

void Writer::collectTables(const AttributedString& text) {
    for (const AttributeRun& run : text.runs()) {
        const TextAttributes& a = run.attributes;
        if (!a.font.name.isEmpty() && !m_fonts.contains(a.font.name)) m_fonts.append(a.font.name);
        for (const auto& [c, space] :
             {std::pair(a.foregroundColor, spaceWord(a.foregroundColor, a.foregroundColorSpace)),
              std::pair(a.backgroundColor, spaceWord(a.backgroundColor, a.backgroundColorSpace))})
            if (c && !m_colors.contains(std::pair(*c, space))) m_colors.append({*c, space});
    }
}

int Writer::colorIndex(const std::optional<ATSURGBAlphaColor>& c, const QByteArray& space) const {
    if (!c) return 0;
    return int(m_colors.indexOf(std::pair(*c, spaceWord(c, space)))) + 1;
}

CharState Writer::stateFor(const TextAttributes& a) const {
    CharState s;
    s.font = a.font.name.isEmpty() ? -1 : int(m_fonts.indexOf(a.font.name));
    s.halfPoints = int(std::lround(std::clamp(a.font.pointSize, 0.0, 10000.0) * 2));
    s.bold = a.font.bold;
    s.italic = a.font.italic;
    s.underline = a.underline;
    s.strike = a.strikethrough;
    s.foreground = colorIndex(a.foregroundColor, a.foregroundColorSpace);
    s.background = colorIndex(a.backgroundColor, a.backgroundColorSpace);
    s.superscript = a.superscript > 0 ? 1 : a.superscript < 0 ? -1 : 0;
    s.baseline = int(std::lround(std::clamp(a.baselineOffset, -10000.0, 10000.0) * 2));
    return s;
}

void Writer::setCharState(const CharState& t) {
    if (t == m_char) return;
    CharState& c = m_char;
    if ((t.font < 0 && c.font >= 0) || (t.halfPoints == 0 && c.halfPoints != 0)) {
        m_out += "\\plain";
        c = CharState();
    }
    if (t.font != c.font) m_out += "\\f" + num(t.font);
    if (t.halfPoints != c.halfPoints) m_out += "\\fs" + num(t.halfPoints);
    if (t.bold != c.bold) m_out += t.bold ? "\\b" : "\\b0";
    if (t.italic != c.italic) m_out += t.italic ? "\\i" : "\\i0";
    if (t.underline != c.underline) {
        switch (t.underline) {
        case UnderlineStyle::None:
            m_out += "\\ulnone";
            break;
        case UnderlineStyle::Single:
            m_out += "\\ul";
            break;
        case UnderlineStyle::Double:
            m_out += "\\uldb";
            break;
        case UnderlineStyle::Thick:
            m_out += "\\ulth";
            break;
        }
    }
    if (t.strike != c.strike) m_out += t.strike ? "\\strike\\strikec0" : "\\strike0\\striked0";
    if (t.foreground != c.foreground) m_out += "\\cf" + num(t.foreground);
    if (t.background != c.background) m_out += "\\cb" + num(t.background);
    if (t.superscript != c.superscript)
        m_out += t.superscript > 0 ? "\\super" : t.superscript < 0 ? "\\sub" : "\\nosupersub";
    if (t.baseline != c.baseline)
        m_out += t.baseline >= 0 ? "\\up" + num(t.baseline) : "\\dn" + num(-t.baseline);
    m_out += ' ';
    c = t;
}

void Writer::writeParagraph(const ParagraphStyle& p) {
    m_out += "\\pard";
    for (const TabStop& tab : p.tabStops) {
        switch (tab.kind) {
        case TabStop::Kind::Left:
            break;
        case TabStop::Kind::Center:
            m_out += "\\tqc";
            break;
        case TabStop::Kind::Right:
            m_out += "\\tqr";
            break;
        case TabStop::Kind::Decimal:
            m_out += "\\tqdec";
            break;
        }
        m_out += "\\tx" + num(twips(tab.location));
    }
    if (p.headIndent != 0) m_out += "\\li" + num(twips(p.headIndent));
    if (p.firstLineHeadIndent != p.headIndent)
        m_out += "\\fi" + num(twips(p.firstLineHeadIndent - p.headIndent));
    if (p.tailIndent != 0) m_out += "\\ri" + num(twips(p.tailIndent));
    if (p.lineSpacing != 0) m_out += "\\slleading" + num(twips(p.lineSpacing));
    if (p.lineHeightMultiple != 0)
        m_out += "\\sl" + num(std::lround(std::clamp(p.lineHeightMultiple, 0.0, 1000.0) * 240)) + "\\slmult1";
    if (p.paragraphSpacingBefore != 0) m_out += "\\sb" + num(twips(p.paragraphSpacingBefore));
    if (p.paragraphSpacing != 0) m_out += "\\sa" + num(twips(p.paragraphSpacing));
    switch (p.alignment) {
    case TextAlignment::Natural:
        break;
    case TextAlignment::Left:
        m_out += "\\ql";
        break;
    case TextAlignment::Right:
        m_out += "\\qr";
        break;
    case TextAlignment::Center:
        m_out += "\\qc";
        break;
    case TextAlignment::Justified:
        m_out += "\\qj";
        break;
    }
    switch (p.writingDirection) {
    case WritingDirection::Natural:
        m_out += "\\pardirnatural";
        break;
    case WritingDirection::LeftToRight:
        m_out += "\\ltrpar";
        break;
    case WritingDirection::RightToLeft:
        m_out += "\\rtlpar";
        break;
    }
    m_out += "\\partightenfactor0\n";
    m_paragraph = p;
    m_paragraphWritten = true;
}

void Writer::writeEscaped(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case '\\':
            m_out += "\\\\";
            continue;
        case '{':
            m_out += "\\{";
            continue;
        case '}':
            m_out += "\\}";
            continue;
        case '\n':
            m_out += "\\\n";
            continue;
        case '\t':
            m_out += "\\tab ";
            continue;
        case 0x2028:
            m_out += "\\line ";
            continue;
        default:
            break;
        }
        if (c >= 0x20 && c < 0x80) {
            m_out += char(c);
            continue;
        }
        const int b = c >= 0x20 ? CodePages::encodeWindowsLatin1(c) : -1;
        if (b >= 0) {
            static const char hex[] = "0123456789abcdef";
            m_out += "\\'";
            m_out += hex[b >> 4];
            m_out += hex[b & 15];
        } else {
            m_out += "\\u" + num(c) + ' ';
        }
    }
}

void Writer::openLink(const QString& url) {
    m_savedChar = m_char;
    QString target = url;
    target.replace(QLatin1Char('"'), QLatin1String("%22"));
    m_out += "{\\field{\\*\\fldinst{HYPERLINK \"";
    writeEscaped(target);
    m_out += "\"}}{\\fldrslt ";
    m_inLink = true;
    m_link = url;
}

void Writer::closeLink() {
    if (!m_inLink) return;
    m_out += "}}";
    m_char = m_savedChar;
    m_inLink = false;
    m_link.clear();
}

QString Writer::fileNameFor(const TextAttachment& attachment) {
    QString name = RTFCodec::safeFileName(attachment.fileName);
    if (name.compare(QLatin1String("TXT.rtf"), Qt::CaseInsensitive) == 0)
        name = QStringLiteral("Attachment.rtf");
    const QFileInfo info(name);
    QString base = info.completeBaseName();
    QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    if (base.isEmpty() || suffix.size() > 100) { // ".hidden": the number goes at the end
        base = name;
        suffix.clear();
    }
    const RTFCodec::PackageFile file(attachment.data, attachment.isFolder);
    for (int n = 2;; ++n) {
        auto it = m_files->constFind(name);
        if (it == m_files->constEnd()) {
            m_files->insert(name, file);
            return name;
        }
        if (it.value() == file) return name;
        // Still a safe name: no leading space, and the base shortened to keep within the length cap.
        const QString tail = QLatin1Char(' ') + QString::number(n) + suffix;
        name = base.left(std::max<qsizetype>(0, 200 - tail.size())) + tail;
    }
}

void Writer::writeAttachment(const TextAttachment& attachment) {
    QByteArray data = attachment.data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.canRead() ? reader.size() : QSize();
    if (m_files) {
        const QString name = fileNameFor(attachment);
        m_out += "{{\\NeXTGraphic ";
        writeEscaped(name);
        if (size.isValid())
            m_out += " \\width" + num(size.width() * 20) + " \\height" + num(size.height() * 20);
        m_out += " \\appleattachmentpadding0 \\appleembedtype0 \\appleaqc\n}\\'ac}";
        return;
    }
    if (!reader.canRead()) return; // plain RTF holds only pictures
    const QByteArray format = reader.format();
    QByteArray bytes = attachment.data;
    const char* blip = "\\pngblip";
    if (format == "jpeg" || format == "jpg") {
        blip = "\\jpegblip";
    } else if (format != "png") {
        QImage image = reader.read();
        if (image.isNull()) return;
        bytes.clear();
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        image.save(&out, "PNG");
    }
    m_out += "{\\pict";
    m_out += blip;
    if (size.isValid())
        m_out += "\\picw" + num(size.width()) + "\\pich" + num(size.height()) + "\\picwgoal" +
                 num(size.width() * 20) + "\\pichgoal" + num(size.height() * 20);
    m_out += '\n';
    const QByteArray hex = bytes.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128) {
        m_out += hex.mid(i, 128);
        m_out += '\n';
    }
    m_out += '}';
}

QByteArray Writer::write(const AttributedString& text) {
    collectTables(text);
    m_out.reserve(text.length() + 512);
    // \uc0 comes first: font names may hold \uN characters too.
    m_out += "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2639\n\\cocoatextscaling0\\cocoaplatform0\\uc0{\\fonttbl";
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        QString name = m_fonts[i];
        name.replace(QLatin1Char(';'), QLatin1Char(' '));
        m_out += "\\f" + num(i) + "\\fnil\\fcharset0 ";
        writeEscaped(name);
        m_out += ';';
    }
    m_out += "}\n{\\colortbl;";
    for (const auto& [c, space] : m_colors) {
        auto byte = [](float v) { return num(std::lround(std::clamp(double(v), 0.0, 1.0) * 255)); };
        m_out += "\\red" + byte(c.red) + "\\green" + byte(c.green) + "\\blue" + byte(c.blue) + ';';
    }
    m_out += "}\n{\\*\\expandedcolortbl;";
    for (const auto& [c, space] : m_colors) {
        auto comp = [](float v) { return num(std::lround(std::clamp(double(v), -1.0e4, 1.0e4) * 100000)); };
        if (space == "csgray")
            m_out += "\\csgray\\c" + comp(c.red);
        else
            m_out += '\\' + space + "\\c" + comp(c.red) + "\\c" + comp(c.green) + "\\c" + comp(c.blue);
        if (c.alpha != 1.0f) m_out += "\\c" + comp(c.alpha);
        m_out += ';';
    }
    m_out += "}\n";

    const QString& s = text.string();
    bool paragraphStart = true;
    for (const AttributeRun& run : text.runs()) {
        const TextAttributes& a = run.attributes;
        qsizetype pos = run.start;
        const qsizetype end = run.start + run.length;
        while (pos < end) {
            if (paragraphStart) {
                if (!m_paragraphWritten || !(a.paragraphStyle == m_paragraph)) {
                    closeLink();
                    writeParagraph(a.paragraphStyle);
                }
                paragraphStart = false;
            }
            if (a.link != m_link) {
                closeLink();
                if (!a.link.isEmpty()) openLink(a.link);
            }
            setCharState(stateFor(a));
            if (a.attachment) {
                writeAttachment(*a.attachment);
                ++pos;
                continue;
            }
            // Searched within the run only: a long paragraph of many runs stays linear.
            const qsizetype found = QStringView(s).sliced(pos, end - pos).indexOf(QLatin1Char('\n'));
            const qsizetype nl = found < 0 ? -1 : pos + found;
            const qsizetype to = (nl < 0 || nl >= end) ? end : nl + 1;
            writeEscaped(s.mid(pos, to - pos));
            if (to == nl + 1 && nl >= 0) paragraphStart = true;
            pos = to;
        }
    }
    closeLink();
    m_out += '}';
    return m_out;
}

} // namespace

namespace RTFCodec {

QByteArray write(const AttributedString& text, AttachmentFiles* files) {
    Writer writer(files);
    return writer.write(text);
}

} // namespace RTFCodec
