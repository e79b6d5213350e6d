#include "MessageBoxAlertPresenter.h"

#include "platform/Questions.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <memory>

namespace {

// Escape and the close button answer Cancel where there is one; otherwise they end the question
// unanswered, never with a button Qt picks on its own.
class AlertBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!escapeButton() && event->matches(QKeySequence::Cancel)) {
            reject();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        // Clicked, so the answer is known when the box reports it has finished.
        if (QAbstractButton* cancel = escapeButton()) {
            cancel->click();
            event->accept();
        } else {
            QDialog::closeEvent(event);
        }
    }
};

QMessageBox* makeBox(const Alert& alert, QObject* window) {
    auto* box = new AlertBox(qobject_cast<QWidget*>(window));
    switch (alert.style) {
    case Alert::Style::Warning:
        box->setIcon(QMessageBox::Warning);
        break;
    case Alert::Style::Informational:
        box->setIcon(QMessageBox::Information);
        break;
    case Alert::Style::Critical:
        box->setIcon(QMessageBox::Critical);
        break;
    }
    box->setTextFormat(Qt::PlainText);
    box->setText(alert.messageText);
    box->setInformativeText(alert.informativeText);
    // QMessageBox shows the informative text in a label of its own; keep that plain too.
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
    const QStringList buttons = alert.buttons.isEmpty() ? QStringList{QStringLiteral("Ok")} : alert.buttons;
    for (int i = 0; i < buttons.size(); ++i) {
        QPushButton* button =
            box->addButton(buttons[i], i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
        button->setProperty("alertAnswer", NSAlertFirstButtonReturn + i);
        if (i == 0) box->setDefaultButton(button);
        if (buttons[i] == QLatin1String("Cancel")) box->setEscapeButton(button);
    }
    return box;
}

// No button clicked (the box was closed or its loop ended): not answered.
int answerOf(QMessageBox* box) {
    QAbstractButton* clicked = box->clickedButton();
    return clicked ? clicked->property("alertAnswer").toInt() : NSModalResponseAbort;
}

} // namespace

int MessageBoxAlertPresenter::runModal(const Alert& alert, QObject* window) {
    if (Questions::quitRequested()) return NSModalResponseAbort;
    const QPointer<QMessageBox> box = makeBox(alert, window);
    int answer = NSModalResponseAbort;
    {
        bool ended = false;
        const Questions::Open open([box, &ended] {
            ended = true;
            if (box) box->done(QDialog::Rejected);
        });
        box->exec();
        // The window may have gone while the box was open, and the box with it: not answered.
        if (box && !ended) answer = answerOf(box);
    }
    delete box;
    return answer;
}

void MessageBoxAlertPresenter::beginSheet(const Alert& alert, QObject* window,
                                          std::function<void(int)> done) {
    if (Questions::quitRequested()) {
        if (done) done(NSModalResponseAbort);
        return;
    }
    QMessageBox* box = makeBox(alert, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Open while the box is: a quit asked for meanwhile closes it unanswered.
    auto open = std::make_shared<std::unique_ptr<Questions::Open>>(
        std::make_unique<Questions::Open>([guard = QPointer<QMessageBox>(box)] {
            if (guard) guard->done(QDialog::Rejected);
        }));
    QObject::connect(box, &QMessageBox::finished, box, [box, done, open] {
        open->reset();
        if (done) done(Questions::quitRequested() ? NSModalResponseAbort : answerOf(box));
    });
    QObject::connect(box, &QObject::destroyed, [open] { open->reset(); });
    box->open();
}
