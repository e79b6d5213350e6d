#include "platform/text/AttributedString.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>

bool TextAttachment::isImage() const {
    if (data.isEmpty() || isFolder) return false;
    QByteArray copy = data;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.canRead();
}

bool operator==(const TextAttributes& a, const TextAttributes& b) {
    if (!(a.font == b.font && a.underline == b.underline && a.strikethrough == b.strikethrough &&
          a.foregroundColor == b.foregroundColor && a.backgroundColor == b.backgroundColor &&
          a.foregroundColorSpace == b.foregroundColorSpace &&
          a.backgroundColorSpace == b.backgroundColorSpace && a.link == b.link &&
          a.superscript == b.superscript && a.baselineOffset == b.baselineOffset &&
          a.paragraphStyle == b.paragraphStyle))
        return false;
    if (a.attachment == b.attachment) return true;
    if (!a.attachment || !b.attachment) return false;
    return *a.attachment == *b.attachment;
}

AttributedString::AttributedString(const QString& text, const TextAttributes& attributes) {
    append(text, attributes);
}

QString AttributedString::plainText() const {
    if (!m_text.contains(kAttachmentCharacter)) return m_text;
    QString result = m_text;
    result.remove(kAttachmentCharacter);
    return result;
}

qsizetype AttributedString::runIndexAt(qsizetype position) const {
    auto it = std::upper_bound(m_runs.cbegin(), m_runs.cend(), position,
                               [](qsizetype pos, const AttributeRun& run) { return pos < run.start; });
    return qsizetype(it - m_runs.cbegin()) - 1;
}

const TextAttributes& AttributedString::attributesAt(qsizetype position) const {
    static const TextAttributes empty;
    if (position < 0 || position >= length()) return empty;
    return m_runs[runIndexAt(position)].attributes;
}

QList<TextAttachment> AttributedString::attachments() const {
    QList<TextAttachment> result;
    for (const AttributeRun& run : m_runs)
        if (run.attributes.attachment) result.append(*run.attributes.attachment);
    return result;
}

void AttributedString::append(const QString& text, const TextAttributes& attributes) {
    if (text.isEmpty()) return;
    const qsizetype start = m_text.size();
    m_text.append(text);
    if (!m_runs.isEmpty() && !attributes.attachment && !m_runs.last().attributes.attachment &&
        m_runs.last().attributes == attributes) {
        m_runs.last().length += text.size();
        return;
    }
    m_runs.append(AttributeRun{start, text.size(), attributes});
}

void AttributedString::append(const AttributedString& other) {
    for (const AttributeRun& run : other.m_runs)
        append(other.m_text.mid(run.start, run.length), run.attributes);
}

void AttributedString::appendAttachment(const TextAttachment& attachment, TextAttributes attributes) {
    attributes.attachment = std::make_shared<const TextAttachment>(attachment);
    append(QString(kAttachmentCharacter), attributes);
}

qsizetype AttributedString::splitAt(qsizetype position) {
    if (position >= length()) return m_runs.size();
    const qsizetype index = runIndexAt(position);
    AttributeRun& run = m_runs[index];
    if (run.start == position) return index;
    AttributeRun tail{position, run.start + run.length - position, run.attributes};
    run.length = position - run.start;
    m_runs.insert(index + 1, tail);
    return index + 1;
}

void AttributedString::mergeAround(qsizetype first, qsizetype last) {
    first = std::max<qsizetype>(first, 1);
    last = std::min<qsizetype>(last, m_runs.size() - 1);
    for (qsizetype i = last; i >= first; --i) {
        AttributeRun& prev = m_runs[i - 1];
        const AttributeRun& run = m_runs[i];
        if (!prev.attributes.attachment && !run.attributes.attachment && prev.attributes == run.attributes) {
            prev.length += run.length;
            m_runs.removeAt(i);
        }
    }
}

void AttributedString::modifyAttributes(qsizetype start, qsizetype length,
                                        const std::function<void(TextAttributes&)>& edit) {
    start = std::clamp<qsizetype>(start, 0, this->length());
    qsizetype end = length < 0 ? this->length() : std::min(this->length(), start + length);
    if (end <= start) return;
    const qsizetype first = splitAt(start);
    const qsizetype last = splitAt(end); // one past the range
    for (qsizetype i = first; i < last; ++i) edit(m_runs[i].attributes);
    mergeAround(first, last);
}

void AttributedString::setAttributes(qsizetype start, qsizetype length, const TextAttributes& attributes) {
    modifyAttributes(start, length, [&](TextAttributes& a) {
        auto attachment = a.attachment;
        a = attributes;
        // An attachment belongs to its character: keep it unless the new attributes carry one.
        if (!a.attachment) a.attachment = attachment;
    });
}

void AttributedString::removeAttributes() {
    modifyAttributes(0, length(), [](TextAttributes& a) {
        auto attachment = a.attachment;
        a = TextAttributes();
        a.attachment = attachment;
    });
}

AttributedString AttributedString::mid(qsizetype start, qsizetype length) const {
    AttributedString result;
    start = std::clamp<qsizetype>(start, 0, this->length());
    const qsizetype end = length < 0 ? this->length() : std::min(this->length(), start + length);
    if (end <= start) return result;
    for (qsizetype i = runIndexAt(start); i < m_runs.size() && m_runs[i].start < end; ++i) {
        const AttributeRun& run = m_runs[i];
        const qsizetype from = std::max(start, run.start);
        const qsizetype to = std::min(end, run.start + run.length);
        result.append(m_text.mid(from, to - from), run.attributes);
    }
    return result;
}

bool operator==(const AttributedString& a, const AttributedString& b) {
    if (a.m_text != b.m_text || a.m_runs.size() != b.m_runs.size()) return false;
    for (qsizetype i = 0; i < a.m_runs.size(); ++i) {
        const AttributeRun& x = a.m_runs[i];
        const AttributeRun& y = b.m_runs[i];
        if (x.start != y.start || x.length != y.length || !(x.attributes == y.attributes)) return false;
    }
    return true;
}
