#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

// A controller of one view. The view is made by the subclass (loadView) on first use; the
// controller owns it until the view gets a parent widget, which then owns it. Main thread only.
class NSViewController : public QObject {
    Q_OBJECT
public:
    explicit NSViewController(QObject* parent = nullptr) : QObject(parent) {}
    ~NSViewController() override;

    QWidget* view(); // made on first call
    bool isViewLoaded() const { return m_view != nullptr; }

protected:
    // The controller's view, without a parent. The default is a plain widget.
    virtual QWidget* loadView() { return new QWidget; }

private:
    QPointer<QWidget> m_view;
};
