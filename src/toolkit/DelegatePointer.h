#pragma once

#include <QObject>
#include <QPointer>

// A delegate held without owning it. A delegate that is also a QObject is followed: once it is
// destroyed the pointer answers null, so a widget never calls a delegate that is gone.
template <class T> class DelegatePointer {
public:
    DelegatePointer() = default;
    DelegatePointer(T* delegate) { *this = delegate; } // NOLINT: converts like a plain pointer

    DelegatePointer& operator=(T* delegate) {
        m_delegate = delegate;
        m_object = dynamic_cast<QObject*>(delegate);
        m_followed = m_object != nullptr;
        return *this;
    }

    T* get() const { return m_followed && !m_object ? nullptr : m_delegate; }
    T* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    T* m_delegate = nullptr;
    QPointer<QObject> m_object;
    bool m_followed = false;
};
