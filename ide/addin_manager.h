#pragma once

// The add-in manager: every add-in of the add-in list, whether it is connected now and whether the
// IDE connects it when it starts. OK applies both.

#include <QDialog>

class QTableWidget;

namespace ide {

class Vbe;

class AddInManager : public QDialog {
    Q_OBJECT
public:
    enum Column { ProgIdColumn, LoadedColumn, StartupColumn };

    explicit AddInManager(Vbe* vbe, QWidget* parent = nullptr);

    // Connects and disconnects as ticked and writes the start-up choices; a failure is told and the
    // rest still applied.
    void apply();

    QTableWidget* tblAddIns;

private:
    Vbe* m_vbe;
};

}  // namespace ide
