#include "NSViewController.h"

NSViewController::~NSViewController() {
    if (m_view && !m_view->parentWidget()) delete m_view.data();
}

QWidget* NSViewController::view() {
    if (!m_view) m_view = loadView();
    return m_view;
}
