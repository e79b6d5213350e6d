#pragma once

#include <QColor>
#include <QLineEdit>
#include <QPointF>
#include <optional>

// A one-line field that looks like a label (no frame, no background, its text elided at the end)
// until it is activated, then edits its text with black text, and turns back into a label when
// editing ends (Return or Enter, or the focus going elsewhere in the window). Activation is by
// double click (mode 0) or by a slow click (mode 1: released at the very point of the press, more
// than half a second later on the scheduler's clock), or by taking the focus. Owned by its parent
// widget; main thread only.
//
// Posts on the default notification centre, object the field, in this order for a confirmed
// rename: kNSLabelFieldWillBecomeActiveNotification, kNSLabelFieldDidBecomeActiveNotification,
// kNSLabelFieldWillResignActiveNotification, kNSLabelFieldDidResignActiveNotification.
inline constexpr const char* kNSLabelFieldWillBecomeActiveNotification =
    "NSLabelFieldWillBecomeActiveNotification";
inline constexpr const char* kNSLabelFieldWillResignActiveNotification =
    "NSLabelFieldWillResignActiveNotification";
inline constexpr const char* kNSLabelFieldDidBecomeActiveNotification =
    "NSLabelFieldDidBecomeActiveNotification";
inline constexpr const char* kNSLabelFieldDidResignActiveNotification =
    "NSLabelFieldDidResignActiveNotification";

class NSLabelField : public QLineEdit {
    Q_OBJECT
public:
    enum ActivationMode : qint32 { DoubleClick = 0, SlowClick = 1 };

    explicit NSLabelField(QWidget* parent = nullptr);
    explicit NSLabelField(const QString& text, QWidget* parent = nullptr);

    void setActivationMode(qint32 mode) { m_activationMode = mode; }
    qint32 activationMode() const { return m_activationMode; }
    void setAllowsEditing(bool allows) { m_allowsEditing = allows; }
    bool allowsEditing() const { return m_allowsEditing; }

    // Enters or leaves the editing look; nothing when the value does not change.
    void setEditMode(bool editMode);
    bool editMode() const { return m_editMode; }

    // What taking the focus does: false (and nothing) when editing is not allowed; otherwise
    // enters edit mode when not in it and posts the did-become-active notice.
    bool becomeFirstResponder();
    // Makes the field its window's focus (which runs becomeFirstResponder).
    void makeFirstResponder();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setup();
    void recordPress(const QMouseEvent* event);
    void endEditing();
    void post(const char* name);

    QPointF m_mouseDownLocation;
    double m_mouseDownTime = 0; // seconds on the scheduler's clock
    bool m_editMode = false;
    qint32 m_activationMode = DoubleClick;
    bool m_allowsEditing = false;
    std::optional<QColor> m_restoreTextColor;
    bool m_focusing = false;
};
