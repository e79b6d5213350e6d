#pragma once

#include "foundation/Object.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QCheckBox;
class TFileAttachment;
class TImageAttachment;
class TURLAttachment;

// The info popover's content of a link row: the shown name, the address and the icon size. Each
// edit goes to the item, then the item's row shows it at once and lays out on the next pass of the
// event loop. An address that is no valid URL is refused with a message and the old one kept.
// Made by the row each time its popover opens, owned by the popover controller; keeps the item
// retained. Main thread only.
class TURLInfoViewController : public QWidget {
    Q_OBJECT
public:
    explicit TURLInfoViewController(TURLAttachment* attachment, QWidget* parent = nullptr);
    ~TURLInfoViewController() override;

    TURLAttachment* urlAttachment() const { return m_urlAttachment.get(); }
    QLineEdit* urlField() const { return m_urlField; }
    QLabel* urlLabel() const { return m_urlLabel; }
    QLineEdit* nameField() const { return m_nameField; }
    // Items carry the icon edge length in points as data.
    QComboBox* iconButton() const { return m_iconButton; }
    // Why the last address was refused; empty when it was taken.
    QLabel* messageLabel() const { return m_messageLabel; }

    void nameChanged();
    // False when the address was refused.
    bool urlChanged();
    void sizeChanged();

protected:
    // Shows the item's new state in its row.
    void refreshRow();

private:
    Ref<TURLAttachment> m_urlAttachment;
    QLineEdit* m_urlField = nullptr;
    QLabel* m_urlLabel = nullptr;
    QLineEdit* m_nameField = nullptr;
    QComboBox* m_iconButton = nullptr;
    QLabel* m_messageLabel = nullptr;
};

// The same for a file: the path shown with "~" and not editable. When the file is gone it says so
// and offers to locate it; the stored path changes only when the user picks a file.
class TFileInfoViewController : public TURLInfoViewController {
    Q_OBJECT
public:
    explicit TFileInfoViewController(TFileAttachment* attachment, QWidget* parent = nullptr);

    TFileAttachment* fileAttachment() const;
    QPushButton* locateButton() const { return m_locateButton; }
    // Asks for the file in an open panel; true when one was chosen and stored.
    bool locateFile();

private:
    void showPath();
    QPushButton* m_locateButton = nullptr;
};

// The info popover's content of an image row: the image's scale in per cent. Keeps the item
// retained. Main thread only.
class TImageInfoViewController : public QWidget {
    Q_OBJECT
public:
    explicit TImageInfoViewController(TImageAttachment* attachment, QWidget* parent = nullptr);
    ~TImageInfoViewController() override;

    TImageAttachment* imageAttachment() const { return m_imageAttachment.get(); }
    QSlider* sizeSlider() const { return m_sizeSlider; }
    QCheckBox* borderButton() const { return m_borderButton; }
    void sizeChanged();

private:
    Ref<TImageAttachment> m_imageAttachment;
    QSlider* m_sizeSlider = nullptr;
    QCheckBox* m_borderButton = nullptr;
};
