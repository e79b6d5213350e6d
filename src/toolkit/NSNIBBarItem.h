#pragma once

#include "NSBarItem.h"

#include <functional>

// A bar item whose content comes from a named interface: a builder registered under the name
// makes the content view (its base view) with the item as owner. Main thread only.
class NSNIBBarItem : public NSBarItem {
    Q_OBJECT
public:
    // Makes the base view for the owner, or null when it cannot.
    using Builder = std::function<QWidget*(NSNIBBarItem* owner)>;
    static void registerNib(const QString& name, Builder builder);

    // A programming error (raised) when the interface gives no base view.
    NSNIBBarItem(const QString& nibName, double width);
    QWidget* baseView() const { return m_baseView; }

private:
    QWidget* m_baseView = nullptr;
};
