#pragma once

// The toolbar control's own dialog: a check box per menu bar and toolbar that shows or hides it
// at once.

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QVBoxLayout;

namespace toolbar {

class Bar;

class BandsDialog : public QDialog {
    Q_OBJECT
public:
    explicit BandsDialog(Bar* bar, QWidget* parent = nullptr);

private:
    void rebuild();
    void bandChanged(const QString& bandName);

    QPointer<Bar> m_bar;
    QVBoxLayout* m_boxes;
};

}  // namespace toolbar
