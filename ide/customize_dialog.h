#pragma once

// Customising the command bars: the user moves a control within its bar or to another one, starts
// a group before it, deletes it, and shows or hides a toolbar. Changes take effect at once.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;

namespace ide {

class Bar;
class Control;
class Vbe;

class CustomizeDialog : public QDialog {
    Q_OBJECT
public:
    explicit CustomizeDialog(Vbe* vbe, QWidget* parent = nullptr);

    Bar* currentBar() const;
    Control* currentControl() const;
    void selectBar(Bar* bar);
    void selectControl(Control* control);

    void moveUp();
    void moveDown();
    // To the end of the bar chosen in the target box.
    void moveToTarget();
    void deleteControl();

    QListWidget* lstBars;
    QListWidget* lstControls;
    QCheckBox* chkVisible;
    QCheckBox* chkBeginGroup;
    QComboBox* cboTarget;
    QPushButton* cmdUp;
    QPushButton* cmdDown;
    QPushButton* cmdMoveTo;
    QPushButton* cmdDelete;

private:
    void fillControls();
    void updateButtons();
    void moveBy(int offset);
    void move(Control* control, Bar* bar, int before);

    Vbe* m_vbe;
    bool m_filling = false;
};

}  // namespace ide
