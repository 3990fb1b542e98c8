#pragma once

// The client's splash window: the program's name, version and mark, shown while the document
// loads.

#include <QWidget>

class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    // Places the window (centred across, at (0.8 x screen height - its height) / 2 down), shows it
    // and paints it at once.
    void showSplash();
    // Where the window goes on a screen of that size.
    static QPoint placement(const QSize& screen, const QSize& splash);

protected:
    void paintEvent(QPaintEvent* event) override;
};
