#pragma once

// The list of Code Libraries used before, with a way to pick any other file: the caller sets the
// start folder, shows the dialog modally and reads the chosen path back.

#include <QDialog>
#include <QString>

class QPushButton;

namespace controls {
class ImageList;
class ListView;
}  // namespace controls

class frmDBList : public QDialog {
    Q_OBJECT
public:
    explicit frmDBList(QWidget* parent = nullptr);

    // The folder the file dialog starts in.
    QString InitDir() const { return m_initDir; }
    void setInitDir(const QString& folder) { m_initDir = folder; }
    // The chosen library's full path; empty when nothing was chosen.
    QString DBFileName() const { return m_dbFileName; }
    // The chosen library's group name, read from its System row.
    QString GroupName() const { return m_groupName; }

    // Fills the list from the libraries used before (run once by the constructor).
    void Form_Load();
    void cmdOk_Click();
    void cmdCancel_Click();
    void lstvDatabases_DblClick();

    controls::ListView* lstvDatabases;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

private:
    void ChooseLibrary();
    // Whether path can be offered as a library; sets the group name.
    bool ValidateLibrary(const QString& path);

    controls::ImageList* m_smallIcons;
    QString m_initDir;
    QString m_dbFileName;
    QString m_groupName;
};
