#include "NSLabelField.h"

#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {

double nowSeconds() {
    return double(Scheduler::shared().now().toMSecsSinceEpoch()) / 1000.0;
}

} // namespace

NSLabelField::NSLabelField(QWidget* parent) : QLineEdit(parent) {
    setup();
}

NSLabelField::NSLabelField(const QString& text, QWidget* parent) : QLineEdit(text, parent) {
    setup();
}

void NSLabelField::setup() {
    setReadOnly(true);
    setFrame(false);
    setFocusPolicy(Qt::NoFocus);
    setContextMenuPolicy(Qt::NoContextMenu);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::transparent);
    setPalette(p);
    setAutoFillBackground(false);
    setAllowsEditing(true);
}

void NSLabelField::post(const char* name) {
    NotificationCenter::defaultCenter().post(QString::fromLatin1(name), this);
}

void NSLabelField::setEditMode(bool editMode) {
    if (editMode == m_editMode) return;
    if (editMode) {
        post(kNSLabelFieldWillBecomeActiveNotification);
        m_editMode = true;
        setReadOnly(false);
        setFocusPolicy(Qt::StrongFocus);
        setContextMenuPolicy(Qt::DefaultContextMenu);
        m_restoreTextColor = palette().color(QPalette::Text);
        // Black text on the field's white background, drawn only while editing.
        QPalette p = palette();
        p.setColor(QPalette::Text, Qt::black);
        p.setColor(QPalette::Base, Qt::white);
        setPalette(p);
    } else {
        post(kNSLabelFieldWillResignActiveNotification);
        m_editMode = false;
        QPalette p = palette();
        if (m_restoreTextColor) p.setColor(QPalette::Text, *m_restoreTextColor);
        p.setColor(QPalette::Base, Qt::transparent);
        setPalette(p);
        m_restoreTextColor.reset();
        setReadOnly(true);
        setFocusPolicy(Qt::NoFocus);
        setContextMenuPolicy(Qt::NoContextMenu);
        deselect();
        setCursorPosition(0);
    }
    update();
}

bool NSLabelField::becomeFirstResponder() {
    if (!m_allowsEditing) return false;
    if (!m_editMode) {
        setEditMode(true);
        if (!hasFocus()) {
            m_focusing = true;
            setFocus(Qt::OtherFocusReason);
            m_focusing = false;
        }
    }
    post(kNSLabelFieldDidBecomeActiveNotification);
    return true;
}

void NSLabelField::makeFirstResponder() {
    if (!window()) return;
    if (hasFocus())
        becomeFirstResponder();
    else
        setFocus(Qt::OtherFocusReason);
}

void NSLabelField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (m_focusing) return;
    if (!becomeFirstResponder()) clearFocus();
}

void NSLabelField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The window losing the focus, or a menu opening, leaves the field editing.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        endEditing();
}

void NSLabelField::keyPressEvent(QKeyEvent* event) {
    if (m_editMode && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        QLineEdit::keyPressEvent(event);
        endEditing();
        clearFocus();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void NSLabelField::endEditing() {
    if (!m_editMode) return;
    setEditMode(false);
    post(kNSLabelFieldDidResignActiveNotification);
}

void NSLabelField::recordPress(const QMouseEvent* event) {
    m_mouseDownLocation = event->position();
    m_mouseDownTime = nowSeconds();
}

void NSLabelField::mousePressEvent(QMouseEvent* event) {
    if (m_allowsEditing) recordPress(event);
    QLineEdit::mousePressEvent(event);
}

void NSLabelField::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!m_allowsEditing) {
        QLineEdit::mouseDoubleClickEvent(event);
        return;
    }
    recordPress(event);
    if (m_activationMode == DoubleClick && event->button() == Qt::LeftButton) {
        setEditMode(true);
        QLineEdit::mouseDoubleClickEvent(event);
        if (!hasFocus()) setFocus(Qt::MouseFocusReason);
        selectAll();
        return;
    }
    QLineEdit::mouseDoubleClickEvent(event);
}

void NSLabelField::mouseReleaseEvent(QMouseEvent* event) {
    if (m_activationMode == SlowClick && !m_editMode && event->position() == m_mouseDownLocation &&
        nowSeconds() - m_mouseDownTime > 0.5) {
        makeFirstResponder();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void NSLabelField::paintEvent(QPaintEvent* event) {
    if (m_editMode) {
        QLineEdit::paintEvent(event);
        return;
    }
    // The label look: the text elided at its end, in the field's own colour.
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(area, int(alignment()) | Qt::TextSingleLine, shown);
}
