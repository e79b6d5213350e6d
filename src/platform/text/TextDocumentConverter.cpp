#include "platform/text/TextDocumentConverter.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

namespace {

// Attributes Qt cannot show, kept on the formats.
enum Property {
    FontName = QTextFormat::UserProperty + 0x4A00,
    FontBold,
    FontItalic,
    Underline,
    BaselineOffset,
    Superscript,
    Foreground,
    Background,
    AttachmentName,
    AttachmentData,
    AttachmentFolder,
    LineSpacing,
};

// The exact colour and the colour space it was stored in.
QVariant colorVariant(const ATSURGBAlphaColor& c, const QByteArray& space) {
    return QVariantList{double(c.red), double(c.green), double(c.blue), double(c.alpha), space};
}

std::optional<ATSURGBAlphaColor> colorFromVariant(const QVariant& v, QByteArray* space) {
    const QVariantList l = v.toList();
    if (l.size() != 5) return std::nullopt;
    *space = l[4].toByteArray();
    return ATSURGBAlphaColor{float(l[0].toDouble()), float(l[1].toDouble()), float(l[2].toDouble()),
                             float(l[3].toDouble())};
}

QColor toQColor(const ATSURGBAlphaColor& c) {
    auto f = [](float v) { return std::clamp(double(v), 0.0, 1.0); };
    return QColor::fromRgbF(f(c.red), f(c.green), f(c.blue), f(c.alpha));
}

// A font name as Qt shows it: a PostScript name "Family-Style" gives the family and the style's traits.
struct QtFont {
    QString family;
    bool bold = false;
    bool italic = false;
};

QtFont qtFont(const QString& name) {
    QtFont f{name};
    const qsizetype dash = name.lastIndexOf(QLatin1Char('-'));
    if (name.contains(QLatin1Char(' ')) || dash <= 0) return f;
    const QString style = name.mid(dash + 1);
    f.family = name.left(dash);
    f.bold = style.contains(QLatin1String("Bold")) || style.contains(QLatin1String("Black")) ||
             style.contains(QLatin1String("Heavy"));
    f.italic = style.contains(QLatin1String("Italic")) || style.contains(QLatin1String("Oblique"));
    return f;
}

QTextCharFormat charFormat(const TextAttributes& a) {
    QTextCharFormat f;
    if (!a.font.name.isEmpty()) {
        const QtFont q = qtFont(a.font.name);
        f.setFontFamilies(QStringList{q.family});
        f.setProperty(FontName, a.font.name);
        f.setProperty(FontBold, a.font.bold);
        f.setProperty(FontItalic, a.font.italic);
        if (q.bold || a.font.bold) f.setFontWeight(QFont::Bold);
        if (q.italic || a.font.italic) f.setFontItalic(true);
    } else {
        if (a.font.bold) f.setFontWeight(QFont::Bold);
        if (a.font.italic) f.setFontItalic(true);
    }
    if (a.font.pointSize > 0) f.setFontPointSize(std::clamp(a.font.pointSize, 1.0, 1000.0));
    if (a.underline != UnderlineStyle::None) {
        f.setFontUnderline(true);
        f.setProperty(Underline, int(a.underline));
    }
    if (a.strikethrough) f.setFontStrikeOut(true);
    if (a.foregroundColor) {
        f.setForeground(toQColor(*a.foregroundColor));
        f.setProperty(Foreground, colorVariant(*a.foregroundColor, a.foregroundColorSpace));
    }
    if (a.backgroundColor) {
        f.setBackground(toQColor(*a.backgroundColor));
        f.setProperty(Background, colorVariant(*a.backgroundColor, a.backgroundColorSpace));
    }
    if (!a.link.isEmpty()) {
        f.setAnchor(true);
        f.setAnchorHref(a.link);
    }
    if (a.superscript != 0) {
        f.setVerticalAlignment(a.superscript > 0 ? QTextCharFormat::AlignSuperScript
                                                 : QTextCharFormat::AlignSubScript);
        f.setProperty(Superscript, a.superscript);
    }
    if (a.baselineOffset != 0) f.setProperty(BaselineOffset, a.baselineOffset);
    return f;
}

TextAttributes attributes(const QTextCharFormat& f) {
    TextAttributes a;
    const bool qtBold = f.hasProperty(QTextFormat::FontWeight) && f.fontWeight() >= QFont::Bold;
    const bool qtItalic = f.hasProperty(QTextFormat::FontItalic) && f.fontItalic();
    a.font.bold = qtBold;
    a.font.italic = qtItalic;
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty()) {
        a.font.name = families.first();
        const QString stored = f.property(FontName).toString();
        const QtFont q = qtFont(stored);
        if (!stored.isEmpty() && q.family == families.first()) {
            // The font as it was, unless its traits were changed here.
            a.font.name = stored;
            const bool storedBold = f.property(FontBold).toBool();
            const bool storedItalic = f.property(FontItalic).toBool();
            if (qtBold == (q.bold || storedBold)) a.font.bold = storedBold;
            if (qtItalic == (q.italic || storedItalic)) a.font.italic = storedItalic;
        }
    }
    if (f.hasProperty(QTextFormat::FontPointSize)) a.font.pointSize = f.fontPointSize();
    if (f.fontUnderline()) {
        const int stored = f.property(Underline).toInt();
        a.underline = stored >= int(UnderlineStyle::Single) && stored <= int(UnderlineStyle::Thick)
                          ? UnderlineStyle(stored)
                          : UnderlineStyle::Single;
    }
    a.strikethrough = f.fontStrikeOut();
    auto color = [&](int brushProperty, int exactProperty,
                     QByteArray* space) -> std::optional<ATSURGBAlphaColor> {
        if (!f.hasProperty(brushProperty)) return std::nullopt;
        const QBrush brush = f.brushProperty(brushProperty);
        if (brush.style() == Qt::NoBrush) return std::nullopt;
        const QColor c = brush.color();
        QByteArray stored;
        // Unchanged since it was read: the exact value, in its own colour space.
        if (auto exact = colorFromVariant(f.property(exactProperty), &stored);
            exact && toQColor(*exact) == c) {
            *space = stored;
            return exact;
        }
        return ATSURGBAlphaColor{float(c.redF()), float(c.greenF()), float(c.blueF()), float(c.alphaF())};
    };
    a.foregroundColor = color(QTextFormat::ForegroundBrush, Foreground, &a.foregroundColorSpace);
    a.backgroundColor = color(QTextFormat::BackgroundBrush, Background, &a.backgroundColorSpace);
    if (f.isAnchor() && !f.anchorHref().isEmpty()) a.link = f.anchorHref();
    const int stored = f.property(Superscript).toInt();
    switch (f.verticalAlignment()) {
    case QTextCharFormat::AlignSuperScript:
        a.superscript = stored > 0 ? stored : 1;
        break;
    case QTextCharFormat::AlignSubScript:
        a.superscript = stored < 0 ? stored : -1;
        break;
    default:
        break;
    }
    a.baselineOffset = f.property(BaselineOffset).toDouble();
    return a;
}

QTextBlockFormat blockFormat(const ParagraphStyle& p) {
    QTextBlockFormat f;
    switch (p.alignment) {
    case TextAlignment::Natural:
        break;
    case TextAlignment::Left:
        f.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
        break;
    case TextAlignment::Right:
        f.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
        break;
    case TextAlignment::Center:
        f.setAlignment(Qt::AlignHCenter);
        break;
    case TextAlignment::Justified:
        f.setAlignment(Qt::AlignJustify);
        break;
    }
    if (p.headIndent != 0) f.setLeftMargin(p.headIndent);
    if (p.firstLineHeadIndent != p.headIndent) f.setTextIndent(p.firstLineHeadIndent - p.headIndent);
    if (p.tailIndent != 0) f.setRightMargin(p.tailIndent);
    if (p.lineHeightMultiple > 0) {
        f.setLineHeight(p.lineHeightMultiple * 100, QTextBlockFormat::ProportionalHeight);
        if (p.lineSpacing != 0) f.setProperty(LineSpacing, p.lineSpacing);
    } else if (p.lineSpacing != 0) {
        f.setLineHeight(p.lineSpacing, QTextBlockFormat::LineDistanceHeight);
    }
    if (p.paragraphSpacingBefore != 0) f.setTopMargin(p.paragraphSpacingBefore);
    if (p.paragraphSpacing != 0) f.setBottomMargin(p.paragraphSpacing);
    if (!p.tabStops.isEmpty()) {
        QList<QTextOption::Tab> tabs;
        for (const TabStop& t : p.tabStops) {
            switch (t.kind) {
            case TabStop::Kind::Left:
                tabs.append(QTextOption::Tab(t.location, QTextOption::LeftTab));
                break;
            case TabStop::Kind::Center:
                tabs.append(QTextOption::Tab(t.location, QTextOption::CenterTab));
                break;
            case TabStop::Kind::Right:
                tabs.append(QTextOption::Tab(t.location, QTextOption::RightTab));
                break;
            case TabStop::Kind::Decimal:
                tabs.append(QTextOption::Tab(t.location, QTextOption::DelimiterTab, QLatin1Char('.')));
                break;
            }
        }
        f.setTabPositions(tabs);
    }
    if (p.writingDirection == WritingDirection::LeftToRight) f.setLayoutDirection(Qt::LeftToRight);
    if (p.writingDirection == WritingDirection::RightToLeft) f.setLayoutDirection(Qt::RightToLeft);
    return f;
}

ParagraphStyle paragraphStyle(const QTextBlockFormat& f) {
    ParagraphStyle p;
    if (f.hasProperty(QTextFormat::BlockAlignment)) {
        const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
        if (a & Qt::AlignJustify)
            p.alignment = TextAlignment::Justified;
        else if (a & Qt::AlignHCenter)
            p.alignment = TextAlignment::Center;
        else if (a & (Qt::AlignRight | Qt::AlignTrailing))
            p.alignment = TextAlignment::Right;
        else if (a & (Qt::AlignLeft | Qt::AlignLeading))
            p.alignment = TextAlignment::Left;
    }
    p.headIndent = f.leftMargin();
    p.firstLineHeadIndent = f.leftMargin() + f.textIndent();
    p.tailIndent = f.rightMargin();
    // A multiple of 1.0 is kept too: it was set, unlike the natural line height.
    if (f.lineHeightType() == QTextBlockFormat::ProportionalHeight)
        p.lineHeightMultiple = f.lineHeight() / 100.0;
    if (f.lineHeightType() == QTextBlockFormat::LineDistanceHeight) p.lineSpacing = f.lineHeight();
    if (f.hasProperty(LineSpacing)) p.lineSpacing = f.property(LineSpacing).toDouble();
    p.paragraphSpacingBefore = f.topMargin();
    p.paragraphSpacing = f.bottomMargin();
    for (const QTextOption::Tab& t : f.tabPositions()) {
        TabStop stop{t.position, TabStop::Kind::Left};
        if (t.type == QTextOption::CenterTab)
            stop.kind = TabStop::Kind::Center;
        else if (t.type == QTextOption::RightTab)
            stop.kind = TabStop::Kind::Right;
        else if (t.type == QTextOption::DelimiterTab)
            stop.kind = TabStop::Kind::Decimal;
        p.tabStops.append(stop);
    }
    if (f.hasProperty(QTextFormat::LayoutDirection)) {
        if (f.layoutDirection() == Qt::LeftToRight)
            p.writingDirection = WritingDirection::LeftToRight;
        else if (f.layoutDirection() == Qt::RightToLeft)
            p.writingDirection = WritingDirection::RightToLeft;
    }
    return p;
}

} // namespace

namespace TextDocumentConverter {

void toDocument(const AttributedString& text, QTextDocument* document) {
    document->clear();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    const QString& s = text.string();
    bool first = true;
    bool paragraphStart = true;
    int attachmentNumber = 0;
    for (const AttributeRun& run : text.runs()) {
        const TextAttributes& a = run.attributes;
        const QTextCharFormat format = charFormat(a);
        qsizetype pos = run.start;
        const qsizetype end = run.start + run.length;
        while (pos < end) {
            if (paragraphStart) {
                if (first) cursor.setBlockFormat(blockFormat(a.paragraphStyle));
                first = false;
                paragraphStart = false;
            }
            if (a.attachment) {
                const TextAttachment& attachment = *a.attachment;
                QTextImageFormat image;
                image.merge(format);
                const QUrl url(QStringLiteral("attachment:%1/%2")
                                   .arg(++attachmentNumber)
                                   .arg(QString::fromLatin1(QUrl::toPercentEncoding(attachment.fileName))));
                image.setName(url.toString());
                image.setProperty(AttachmentName, attachment.fileName);
                image.setProperty(AttachmentData, attachment.data);
                if (attachment.isFolder) image.setProperty(AttachmentFolder, true);
                const QImage picture = QImage::fromData(attachment.data);
                if (!picture.isNull()) {
                    document->addResource(QTextDocument::ImageResource, url, picture);
                    image.setWidth(picture.width());
                    image.setHeight(picture.height());
                }
                cursor.insertImage(image);
                ++pos;
                continue;
            }
            // Searched within the run only: a long paragraph of many runs stays linear.
            const qsizetype found = QStringView(s).sliced(pos, end - pos).indexOf(QLatin1Char('\n'));
            const qsizetype nl = found < 0 ? -1 : pos + found;
            if (nl < 0 || nl >= end) {
                cursor.insertText(s.mid(pos, end - pos), format);
                pos = end;
            } else {
                if (nl > pos) cursor.insertText(s.mid(pos, nl - pos), format);
                // The next paragraph's style: the style at its first character.
                const ParagraphStyle& next =
                    nl + 1 < s.size() ? text.attributesAt(nl + 1).paragraphStyle : a.paragraphStyle;
                cursor.insertBlock(blockFormat(next), format);
                pos = nl + 1;
            }
        }
    }
    cursor.endEditBlock();
}

AttributedString fromDocument(const QTextDocument& document) {
    AttributedString out;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const ParagraphStyle paragraph = paragraphStyle(block.blockFormat());
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            const QTextCharFormat format = fragment.charFormat();
            TextAttributes a = attributes(format);
            a.paragraphStyle = paragraph;
            const QString text = fragment.text();
            if (!format.isImageFormat()) {
                out.append(text, a);
                continue;
            }
            for (QChar c : text) {
                if (c != QChar::ObjectReplacementCharacter) {
                    out.append(QString(c), a);
                    continue;
                }
                TextAttachment attachment;
                attachment.fileName = format.property(AttachmentName).toString();
                attachment.data = format.property(AttachmentData).toByteArray();
                attachment.isFolder = format.property(AttachmentFolder).toBool();
                if (!format.hasProperty(AttachmentData)) {
                    // An image put in here: keep its picture as PNG.
                    const QString name = format.toImageFormat().name();
                    const QImage picture =
                        document.resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>();
                    if (!picture.isNull()) {
                        QBuffer buffer(&attachment.data);
                        buffer.open(QIODevice::WriteOnly);
                        picture.save(&buffer, "PNG");
                    }
                    attachment.fileName =
                        QFileInfo(QUrl(name).path()).completeBaseName() + QStringLiteral(".png");
                }
                out.appendAttachment(attachment, a);
            }
        }
        if (block.next().isValid()) {
            TextAttributes a = attributes(block.next().charFormat());
            a.paragraphStyle = paragraph;
            out.append(QStringLiteral("\n"), a);
        }
    }
    return out;
}

} // namespace TextDocumentConverter
