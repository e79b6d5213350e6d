#pragma once

#include "platform/text/AttributedString.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>

#include <algorithm>
#include <limits>

namespace TextTestSupport {

inline QByteArray png(int w, int h, QColor color) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

inline QByteArray fixture(const QString& name) {
    QFile f(QStringLiteral(JOBSLATE_FIXTURES "/text/") + name);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

inline TextAttributes plainFont(const QString& name = QStringLiteral("Helvetica"), double size = 12) {
    TextAttributes a;
    a.font.name = name;
    a.font.pointSize = size;
    return a;
}

// One paragraph per group of attributes, every attribute of the model used at least once.
inline AttributedString everyAttribute() {
    AttributedString s;
    TextAttributes base = plainFont();
    s.append(QStringLiteral("Plain "), base);
    TextAttributes a = base;
    a.font.bold = true;
    s.append(QStringLiteral("bold "), a);
    a.font.italic = true;
    a.font.name = QStringLiteral("Helvetica-BoldOblique");
    a.font.pointSize = 13.5;
    s.append(QStringLiteral("bold italic "), a);
    a = base;
    a.font.name = QStringLiteral("Times New Roman");
    a.underline = UnderlineStyle::Single;
    s.append(QStringLiteral("single "), a);
    a.underline = UnderlineStyle::Double;
    s.append(QStringLiteral("double "), a);
    a.underline = UnderlineStyle::Thick;
    s.append(QStringLiteral("thick "), a);
    a = base;
    a.strikethrough = true;
    s.append(QStringLiteral("struck\n"), a);

    ParagraphStyle centered;
    centered.alignment = TextAlignment::Center;
    centered.lineHeightMultiple = 1.5;
    centered.paragraphSpacing = 12;
    centered.paragraphSpacingBefore = 6;
    a = base;
    a.paragraphStyle = centered;
    a.foregroundColor = ATSURGBAlphaColor{1, 0, 0, 1};
    s.append(QStringLiteral("red "), a);
    a.foregroundColor = ATSURGBAlphaColor{0.25f, 0.5f, 0.75f, 0.5f};
    a.backgroundColor = ATSURGBAlphaColor{1.5f, 1, 0, 1}; // beyond 1.0 is kept
    s.append(QStringLiteral("translucent on yellow "), a);
    a = base;
    a.paragraphStyle = centered;
    a.link = QStringLiteral("https://example.com/path?q=1&r={x}");
    s.append(QStringLiteral("a link"), a);
    a.underline = UnderlineStyle::Single;
    s.append(QStringLiteral(" underlined link\n"), a);

    ParagraphStyle indented;
    indented.alignment = TextAlignment::Justified;
    indented.headIndent = 36;
    indented.firstLineHeadIndent = 18;
    indented.tailIndent = 24.5;
    indented.lineSpacing = 3;
    indented.tabStops = {{28, TabStop::Kind::Left},
                         {100, TabStop::Kind::Center},
                         {200, TabStop::Kind::Right},
                         {300.5, TabStop::Kind::Decimal}};
    indented.writingDirection = WritingDirection::LeftToRight;
    a = base;
    a.paragraphStyle = indented;
    s.append(QStringLiteral("H"), a);
    a.superscript = -1;
    s.append(QStringLiteral("2"), a);
    a.superscript = 0;
    s.append(QStringLiteral("O\tx"), a);
    a.superscript = 1;
    s.append(QStringLiteral("2"), a);
    a.superscript = 0;
    a.baselineOffset = 3.5;
    s.append(QStringLiteral("raised"), a);
    a.baselineOffset = -2;
    s.append(QStringLiteral("lowered\n"), a);

    ParagraphStyle rtl;
    rtl.alignment = TextAlignment::Right;
    rtl.writingDirection = WritingDirection::RightToLeft;
    a = base;
    a.paragraphStyle = rtl;
    s.append(QStringLiteral("Caf\u00e9 \u20ac \u65e5\u672c \U0001F600 {braces} back\\slash line\u2028break "),
             a);
    TextAttachment image{QStringLiteral("Pasted Graphic.png"), png(3, 2, Qt::blue)};
    s.appendAttachment(image, a);
    s.append(QStringLiteral(" and "), a);
    TextAttachment file{QStringLiteral("notes.txt"), QByteArrayLiteral("some notes\n")};
    s.appendAttachment(file, a);
    s.append(QStringLiteral("\n"), a);
    s.append(QStringLiteral("default attributes"), TextAttributes());
    return s;
}

// One paragraph of many short runs, for checking that work stays linear in the length.
inline AttributedString longParagraphOfManyRuns(int runs) {
    AttributedString s;
    TextAttributes bold;
    bold.font.bold = true;
    const QString chunk = QString(19, QLatin1Char('x')) + QLatin1Char(' ');
    for (int i = 0; i < runs; ++i) s.append(chunk, i % 2 ? bold : TextAttributes());
    return s;
}

// Growth above this is not linear: linear work grows about 16-fold, quadratic work 256-fold, and a
// loaded machine stays well below four times the linear figure when both sizes are timed in turn.
inline constexpr double kLinearGrowthLimit = 64.0;

// How much longer work on a paragraph of 16n runs takes than on one of n runs: about 16 when the
// work is linear, far more when it is quadratic. The two sizes are timed in turn and the fastest of
// each is taken, so load slows both alike; a ratio over the limit is measured again, up to three times,
// and the smallest is kept.
template <typename Work> double growthOfSixteenfoldParagraph(int runs, Work work) {
    const AttributedString small = longParagraphOfManyRuns(runs);
    const AttributedString large = longParagraphOfManyRuns(16 * runs);
    const auto timed = [&work](const AttributedString& s) {
        QElapsedTimer timer;
        timer.start();
        work(s);
        return std::max<qint64>(timer.nsecsElapsed(), 1);
    };
    double growth = std::numeric_limits<double>::max();
    for (int attempt = 0; attempt < 3 && growth >= kLinearGrowthLimit; ++attempt) {
        qint64 fastestSmall = std::numeric_limits<qint64>::max();
        qint64 fastestLarge = std::numeric_limits<qint64>::max();
        for (int i = 0; i < 5; ++i) {
            fastestSmall = std::min(fastestSmall, timed(small));
            fastestLarge = std::min(fastestLarge, timed(large));
        }
        growth = std::min(growth, double(fastestLarge) / double(fastestSmall));
    }
    return growth;
}

} // namespace TextTestSupport
