#pragma once

#include <QObject>

// Lets the text caret blink while a person types, clicks or moves the focus, and holds it still
// from a while after the last of these (10 s, as the desktop's own carets do), so a window left with
// a caret in it wakes the program no more. Changes the application's cursor flash time, which text
// views follow at once; the one it found comes back when it goes. One per application.
class CaretBlink : public QObject {
    Q_OBJECT
public:
    static constexpr double kBlinkSeconds = 10.0;

    explicit CaretBlink(QObject* parent = nullptr);
    ~CaretBlink() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void blink();
    void rest();
    int m_flashTime;
    bool m_resting = false;
};
