#pragma once

#include "platform/CoreTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// Attributed text: a QString with runs of attributes, in the manner of the macOS text system.
// A plain value type without any layout object inside, cheap enough to keep one per outline row.
// Lengths and positions are in UTF-16 code units, like QString.

// The character that stands for an attachment in the text.
inline constexpr QChar kAttachmentCharacter = QChar(u'\uFFFC');

// A font: one name, either a family ("Helvetica Neue") or a PostScript name ("Helvetica-Bold"),
// kept exactly as given. An empty name means the default font; a size of 0 the default size.
struct TextFont {
    QString name;
    double pointSize = 0;
    bool bold = false;
    bool italic = false;
    friend bool operator==(const TextFont&, const TextFont&) = default;
};

enum class UnderlineStyle { None, Single, Double, Thick };
enum class TextAlignment { Natural, Left, Right, Center, Justified };
enum class WritingDirection { Natural, LeftToRight, RightToLeft };

struct TabStop {
    enum class Kind { Left, Center, Right, Decimal };
    double location = 0; // points from the leading edge
    Kind kind = Kind::Left;
    friend bool operator==(const TabStop&, const TabStop&) = default;
};

// Paragraph attributes, in points. The default value is the plain paragraph (no style).
struct ParagraphStyle {
    TextAlignment alignment = TextAlignment::Natural;
    double firstLineHeadIndent = 0; // leading indent of the first line
    double headIndent = 0;          // leading indent of the other lines
    double tailIndent = 0;          // trailing indent, measured from the trailing edge
    double lineSpacing = 0;         // extra space between lines
    double lineHeightMultiple = 0;  // 0: natural line height
    double paragraphSpacing = 0;    // space after the paragraph
    double paragraphSpacingBefore = 0;
    QList<TabStop> tabStops;
    WritingDirection writingDirection = WritingDirection::Natural;
    bool isDefault() const { return *this == ParagraphStyle(); }
    friend bool operator==(const ParagraphStyle&, const ParagraphStyle&) = default;
};

// A file carried in the text: its file name (no folder part) and its bytes. An attached folder holds
// the folder in the flattened RTFD form (RTFDCodec::parseFolder reads it).
struct TextAttachment {
    QString fileName;
    QByteArray data;
    bool isFolder = false;
    // True when the bytes decode as an image Qt can read.
    bool isImage() const;
    friend bool operator==(const TextAttachment&, const TextAttachment&) = default;
};

// The attributes of one run. Every default value means "not set".
struct TextAttributes {
    TextFont font;
    UnderlineStyle underline = UnderlineStyle::None;
    bool strikethrough = false;
    std::optional<ATSURGBAlphaColor> foregroundColor;
    std::optional<ATSURGBAlphaColor> backgroundColor;
    // The colour space each colour was stored in, as its RTF word ("cssrgb", "csgray"); empty:
    // generic RGB. Kept so that a colour read from a file is written back in its own space.
    QByteArray foregroundColorSpace;
    QByteArray backgroundColorSpace;
    QString link;        // a URL string
    int superscript = 0; // > 0 superscript levels, < 0 subscript levels
    double baselineOffset = 0;
    ParagraphStyle paragraphStyle;
    // Set only on an attachment character; shared, so copies of the attributes stay cheap.
    std::shared_ptr<const TextAttachment> attachment;

    bool isEmpty() const { return *this == TextAttributes(); }
    friend bool operator==(const TextAttributes& a, const TextAttributes& b);
};

struct AttributeRun {
    qsizetype start = 0;
    qsizetype length = 0;
    TextAttributes attributes;
};

class AttributedString {
public:
    AttributedString() = default;
    explicit AttributedString(const QString& text, const TextAttributes& attributes = {});

    // The characters, attachments included as kAttachmentCharacter.
    const QString& string() const { return m_text; }
    // The characters for showing and naming: the text without its attachment characters.
    QString plainText() const;
    qsizetype length() const { return m_text.size(); }
    bool isEmpty() const { return m_text.isEmpty(); }

    // The runs, in order, covering the whole text; adjacent runs differ in their attributes.
    const QList<AttributeRun>& runs() const { return m_runs; }
    // The attributes at a position (0 <= position < length()).
    const TextAttributes& attributesAt(qsizetype position) const;
    // The attachments in text order.
    QList<TextAttachment> attachments() const;

    void append(const QString& text, const TextAttributes& attributes = {});
    void append(const AttributedString& other);
    // Appends one attachment character carrying the attachment (and any other attributes given).
    void appendAttachment(const TextAttachment& attachment, TextAttributes attributes = {});

    // Replaces the attributes over a range (clamped to the text).
    void setAttributes(qsizetype start, qsizetype length, const TextAttributes& attributes);
    // Calls edit on a copy of each run's attributes over a range (clamped) and stores the result.
    void modifyAttributes(qsizetype start, qsizetype length,
                          const std::function<void(TextAttributes&)>& edit);
    // Drops every attribute but the attachments.
    void removeAttributes();

    AttributedString mid(qsizetype start, qsizetype length = -1) const;

    friend bool operator==(const AttributedString& a, const AttributedString& b);

private:
    qsizetype runIndexAt(qsizetype position) const;
    qsizetype splitAt(qsizetype position); // index of the run starting at position
    void mergeAround(qsizetype first, qsizetype last);

    QString m_text;
    QList<AttributeRun> m_runs;
};
