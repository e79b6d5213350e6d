#pragma once

#include <QWidget>

// The small window of the "About" command: the program's icon, name, edition and version, the Qt
// version it runs on, and the licences of the libraries it links. One at a time: showAbout raises
// the open one. The window deletes itself when closed. Main thread only.
class AboutWindow : public QWidget {
    Q_OBJECT
public:
    // Shows the window (made on first use); returns it (owned by itself).
    static AboutWindow* showAbout();

    // "Full", "Mini" or "Memoleaf".
    static QString edition();
    // The lines the window shows, in order.
    static QStringList lines();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    AboutWindow();
};
