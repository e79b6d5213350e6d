#include "windows/LinkInfoPopovers.h"

#include "model/CardItems.h"
#include "platform/PanelPresenter.h"
#include "platform/Scheduler.h"
#include "utilities/StringPathUtilities.h"
#include "windows/CardItemRowViewController.h"
#include "windows/LinkURL.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <cmath>

namespace {

const int kIconSizes[] = {16, 24, 32, 48, 64, 128};
const QString kRecalculateRow = QStringLiteral("recalculateRow");

TCardItemRowViewController* rowOf(TCardItem* item) {
    return item ? dynamic_cast<TCardItemRowViewController*>(item->GetViewRepresentation()) : nullptr;
}

} // namespace

// TURLInfoViewController

TURLInfoViewController::TURLInfoViewController(TURLAttachment* attachment, QWidget* parent)
    : QWidget(parent), m_urlAttachment(Ref<TURLAttachment>::retain(attachment)) {
    m_nameField = new QLineEdit(this);
    m_urlField = new QLineEdit(this);
    m_urlLabel = new QLabel(tr("URL"), this);
    m_iconButton = new QComboBox(this);
    for (int size : kIconSizes) m_iconButton->addItem(tr("%1 × %1").arg(size), size);
    m_messageLabel = new QLabel(this);
    m_messageLabel->setWordWrap(true);
    m_messageLabel->hide();

    auto* form = new QFormLayout(this);
    form->addRow(tr("Name"), m_nameField);
    form->addRow(m_urlLabel, m_urlField);
    form->addRow(QString(), m_messageLabel);
    form->addRow(tr("Icon"), m_iconButton);

    m_nameField->setText(attachment->GetPlainText());
    if (!attachment->GetURL().isEmpty()) m_urlField->setText(attachment->GetURL().toString());
    const int row = m_iconButton->findData(int(std::trunc(attachment->GetImageSize().width())));
    if (row >= 0) m_iconButton->setCurrentIndex(row);

    connect(m_nameField, &QLineEdit::editingFinished, this, [this] { nameChanged(); });
    connect(m_urlField, &QLineEdit::editingFinished, this, [this] {
        if (!m_urlField->isReadOnly()) urlChanged();
    });
    connect(m_iconButton, &QComboBox::activated, this, [this] { sizeChanged(); });
}

TURLInfoViewController::~TURLInfoViewController() = default;

void TURLInfoViewController::refreshRow() {
    TCardItemRowViewController* row = rowOf(m_urlAttachment.get());
    if (!row) return;
    row->update();
    // Dropped with the row when it goes first.
    Scheduler::shared().performAfterDelay(row, kRecalculateRow, 0.0, [row] { row->recalculateRow(); });
}

void TURLInfoViewController::nameChanged() {
    if (m_nameField->text() == m_urlAttachment->GetPlainText()) return;
    m_urlAttachment->SetText(m_nameField->text());
    refreshRow();
}

bool TURLInfoViewController::urlChanged() {
    QString error;
    const std::optional<QUrl> url = LinkURL::fromUserText(m_urlField->text(), &error);
    if (!url) {
        m_messageLabel->setText(tr("This address can't be used: %1 The link stays as it was.").arg(error));
        m_messageLabel->show();
        const QUrl old = m_urlAttachment->GetURL();
        m_urlField->setText(old.isEmpty() ? QString() : old.toString());
        return false;
    }
    m_messageLabel->clear();
    m_messageLabel->hide();
    if (*url != m_urlAttachment->GetURL()) {
        m_urlAttachment->SetURL(*url);
        refreshRow();
    }
    return true;
}

void TURLInfoViewController::sizeChanged() {
    const double edge = m_iconButton->currentData().toInt();
    if (edge <= 0) return;
    m_urlAttachment->SetImageSize(QSizeF(edge, edge));
    refreshRow();
}

// TFileInfoViewController

TFileInfoViewController::TFileInfoViewController(TFileAttachment* attachment, QWidget* parent)
    : TURLInfoViewController(attachment, parent) {
    urlField()->setReadOnly(true);
    urlLabel()->setText(tr("Path"));
    m_locateButton = new QPushButton(tr("Locate…"), this);
    if (auto* form = qobject_cast<QFormLayout*>(layout())) form->addRow(QString(), m_locateButton);
    connect(m_locateButton, &QPushButton::clicked, this, [this] { locateFile(); });
    showPath();
}

TFileAttachment* TFileInfoViewController::fileAttachment() const {
    return static_cast<TFileAttachment*>(urlAttachment());
}

void TFileInfoViewController::showPath() {
    const QString path = fileAttachment()->GetPath();
    if (!path.isEmpty()) urlField()->setText(StringPathUtilities::stringByAbbreviatingWithTildeInPath(path));
    const bool missing = path.isEmpty() || !QFileInfo::exists(path);
    messageLabel()->setText(missing ? tr("The file can't be found.") : QString());
    messageLabel()->setVisible(missing);
    m_locateButton->setVisible(missing);
}

bool TFileInfoViewController::locateFile() {
    OpenPanel panel;
    panel.title = tr("Locate File");
    panel.message = tr("Choose the file this row stands for.");
    const QString stored = fileAttachment()->GetPath();
    const QString folder = QFileInfo(stored).absolutePath();
    if (!stored.isEmpty() && QFileInfo(folder).isDir()) panel.directory = folder;
    if (PanelPresenter::shared().runModal(panel, window()) != NSModalResponseOK ||
        panel.chosenPaths.isEmpty())
        return false;
    fileAttachment()->SetPath(panel.chosenPaths.first());
    showPath();
    refreshRow();
    return true;
}

// TImageInfoViewController

TImageInfoViewController::TImageInfoViewController(TImageAttachment* attachment, QWidget* parent)
    : QWidget(parent), m_imageAttachment(Ref<TImageAttachment>::retain(attachment)) {
    m_sizeSlider = new QSlider(Qt::Horizontal, this);
    m_sizeSlider->setRange(10, 200);
    m_sizeSlider->setValue(100);
    m_borderButton = new QCheckBox(tr("Border"), this);
    auto* form = new QFormLayout(this);
    form->addRow(tr("Size"), m_sizeSlider);
    form->addRow(QString(), m_borderButton);
    connect(m_sizeSlider, &QSlider::valueChanged, this, [this] { sizeChanged(); });
}

TImageInfoViewController::~TImageInfoViewController() = default;

void TImageInfoViewController::sizeChanged() {
    const double scale = m_sizeSlider->value() / 100.0;
    const QSize pixels = m_imageAttachment->GetImagePixelSize();
    m_imageAttachment->SetImageSize(QSizeF(scale * pixels.width(), scale * pixels.height()));
    if (TCardItemRowViewController* row = rowOf(m_imageAttachment.get())) {
        row->update();
        row->recalculateRow();
    }
}
