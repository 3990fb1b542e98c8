#include "prefs/frmProperties.h"

#include "platform/controls.h"
#include "platform/twips.h"
#include "platform/ui.h"
#include "store/files.h"
#include "store/form_routines.h"
#include "store/main_window.h"
#include "store/settings.h"
#include "store/startup.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const QString kGeneral = QStringLiteral("General Properties");
const QString kProperties = QStringLiteral("Properties");
const QString kWindowsMain = QStringLiteral("Windows\\Main");
const QString kSavePosition = QStringLiteral("Save Window Position");
const QString kCurrentTab = QStringLiteral("Current Tab");

enum Instance { AddIn = 1, Client = 2 };

QString checkText(const QCheckBox* box) {
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

bool settingIsTrue(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return true;
    return store::Val(t) != 0;
}

// Resizes the panels with the tab strip they lie on.
class PanelPlacer : public QObject {
public:
    PanelPlacer(controls::TabStrip* tabs, const QList<QWidget*>* panels)
        : QObject(tabs), m_tabs(tabs), m_panels(panels) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_tabs && event->type() == QEvent::Resize) store::ShowTabPanel(*m_tabs, *m_panels);
        return false;
    }

private:
    controls::TabStrip* m_tabs;
    const QList<QWidget*>* m_panels;
};

}  // namespace

QString frmProperties::sharedFolderPlaceholder() {
    return QStringLiteral("--> Select a Shared Module Folder. <--");
}

frmProperties::frmProperties(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmProperties"));

    imgApp = new QLabel(this);
    imgApp->setObjectName(QStringLiteral("imgApp"));
    imgApp->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    if (imgApp->pixmap().isNull())
        imgApp->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32));

    TabStrip1 = new controls::TabStrip(this);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1->add(QStringLiteral("General"), QStringLiteral("General"));
    TabStrip1->add(QStringLiteral("Shared"), QStringLiteral("Shared Folder"));
    TabStrip1->add(QStringLiteral("Window"), QStringLiteral("Window"));

    const auto check = [this](const char* name, const QString& caption) {
        auto* box = new QCheckBox(caption);
        box->setObjectName(QLatin1String(name));
        connect(box, &QCheckBox::toggled, this, &frmProperties::changed);
        return box;
    };
    // "&&" shows one ampersand.
    chkDisplayFoldersInListView = check("chkDisplayFoldersInListView",
                                        QStringLiteral("Display 'Category folders' in Procedure Listview?"));
    chkUseCustomIcons = check("chkUseCustomIcons", QStringLiteral("Display using Custom Icons?"));
    chkTips = check("chkTips", QStringLiteral("Show 'Tip of the Day' upon Startup?"));
    chkDragDropPrompt = check("chkDragDropPrompt", QStringLiteral("Prompt on  'Drag && Drop'  Operations?"));
    chkPlayEventSounds = check("chkPlayEventSounds", QStringLiteral("Play Event Sounds?"));
    chkShowWarning = check("chkShowWarning", QStringLiteral("Show Synchronization Warning Message?"));

    auto* general = new QWidget(TabStrip1);
    auto* generalLayout = new QVBoxLayout(general);
    for (QCheckBox* box : {chkDisplayFoldersInListView, chkUseCustomIcons, chkTips, chkDragDropPrompt,
                           chkPlayEventSounds, chkShowWarning})
        generalLayout->addWidget(box);
    generalLayout->addStretch(1);

    auto* shared = new QWidget(TabStrip1);
    txtSharedFolder = new QLineEdit(shared);
    txtSharedFolder->setObjectName(QStringLiteral("txtSharedFolder"));
    connect(txtSharedFolder, &QLineEdit::textChanged, this, &frmProperties::changed);
    cmdSelectSharedFolder = new QPushButton(QStringLiteral("Select the Shared Project Folder?"), shared);
    cmdSelectSharedFolder->setObjectName(QStringLiteral("cmdSelectSharedFolder"));
    connect(cmdSelectSharedFolder, &QPushButton::clicked, this, &frmProperties::cmdSelectSharedFolder_Click);
    auto* sharedText =
        new QLabel(QStringLiteral("Code files you drag into a Visual Basic project are kept in "
                                  "this folder:"),
                   shared);
    sharedText->setWordWrap(true);
    auto* sharedLayout = new QVBoxLayout(shared);
    sharedLayout->addWidget(sharedText);
    sharedLayout->addWidget(txtSharedFolder);
    sharedLayout->addWidget(cmdSelectSharedFolder, 0, Qt::AlignLeft);
    sharedLayout->addStretch(1);

    auto* window = new QWidget(TabStrip1);
    fraMainWindowStartup = new QGroupBox(QStringLiteral("Main Window Startup"), window);
    fraMainWindowStartup->setObjectName(QStringLiteral("fraMainWindowStartup"));
    auto* frameLayout = new QVBoxLayout(fraMainWindowStartup);
    const QString options[2] = {QStringLiteral("Restore Size && Location"),
                                QStringLiteral("Centered on Screen")};
    for (int i = 0; i < 2; ++i) {
        optStartupWindowPosition[i] = new QRadioButton(options[i], fraMainWindowStartup);
        optStartupWindowPosition[i]->setObjectName(QStringLiteral("optStartupWindowPosition%1").arg(i));
        connect(optStartupWindowPosition[i], &QRadioButton::toggled, this, &frmProperties::changed);
        frameLayout->addWidget(optStartupWindowPosition[i]);
    }
    optStartupWindowPosition[1]->setChecked(true);
    auto* windowLayout = new QVBoxLayout(window);
    windowLayout->addWidget(fraMainWindowStartup);
    windowLayout->addStretch(1);

    m_panels = {general, shared, window};
    QSize panelSize;
    for (QWidget* panel : std::as_const(m_panels)) panelSize = panelSize.expandedTo(panel->sizeHint());
    TabStrip1->setMinimumSize(panelSize + QSize(8, TabStrip1->tabBar()->sizeHint().height() + 8));
    TabStrip1->installEventFilter(new PanelPlacer(TabStrip1, &m_panels));
    connect(TabStrip1, &controls::TabStrip::click, this, &frmProperties::TabStrip1_Click);

    cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdApply = new QPushButton(QStringLiteral("&Apply"), this);
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOk, &QPushButton::clicked, this, &frmProperties::cmdOk_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmProperties::cmdApply_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmProperties::cmdCancel_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(imgApp);
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdApply);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TabStrip1, 1);
    layout->addLayout(buttons);
}

QString frmProperties::instanceApp() const {
    return store::instanceAppName(m_main ? m_main->InstanceName() : QString());
}

bool frmProperties::isClient() const {
    return m_main && m_main->InstanceType() == Client;
}

void frmProperties::Form_Load() {
    const QScopedValueRollback<bool> loading(m_loading, true);
    setWindowTitle(QStringLiteral("Properties - ") + QApplication::applicationDisplayName());
    const QSize designed(platform::twipsToPixelsX(4905, this), platform::twipsToPixelsY(3570, this));
    resize(designed.expandedTo(sizeHint()));
    const QString instance = m_main ? m_main->InstanceName() : QString();
    imgApp->setToolTip(QStringLiteral(" Running from: ") + instance.mid(1) + QLatin1Char(' '));

    // Where the window's start-up place is kept, the choice counts: only the client reads it.
    const QString section = QStringLiteral("Windows\\") + objectName().mid(3);
    if (isClient()) {
        const bool restore = settingIsTrue(
            store::GetSetting(instanceApp(), kWindowsMain, kSavePosition, QStringLiteral("False")));
        optStartupWindowPosition[restore ? 0 : 1]->setChecked(true);
        const int tab =
            int(store::Val(store::GetSetting(instanceApp(), section, kCurrentTab, QStringLiteral("1"))));
        if (tab >= 1 && tab <= TabStrip1->count()) TabStrip1->setSelectedIndex(tab);
    } else {
        fraMainWindowStartup->hide();
        const int window = TabStrip1->indexOf(QStringLiteral("Window"));
        if (window > 0) {
            TabStrip1->remove(window);
            m_panels[window - 1]->hide();
            m_panels.removeAt(window - 1);
        }
    }

    const QString app = instanceApp(), general = store::generalAppName();
    const auto isOne = [](const QString& text) { return store::Val(text) == 1; };
    chkDisplayFoldersInListView->setChecked(isOne(store::GetSetting(
        app, kProperties, QStringLiteral("Display Folders in Listview"), QStringLiteral("1"))));
    chkUseCustomIcons->setChecked(isOne(store::GetSetting(
        app, kProperties, QStringLiteral("Display using Custom Icons"), QStringLiteral("0"))));
    chkTips->setChecked(isOne(
        store::GetSetting(general, kGeneral, QStringLiteral("Show Tips at Startup"), QStringLiteral("1"))));
    chkDragDropPrompt->setChecked(isOne(store::GetSetting(
        general, kGeneral, QStringLiteral("Use Drag & Drop Prompts"), QStringLiteral("1"))));
    chkPlayEventSounds->setChecked(
        isOne(store::GetSetting(store::playEventSoundsAppName(), kGeneral,
                                QStringLiteral("Play Event Sounds"), QStringLiteral("1"))));
    chkShowWarning->setChecked(isOne(store::GetSetting(
        general, kGeneral, QStringLiteral("Show Sync Warning Message"), QStringLiteral("1"))));
    txtSharedFolder->setText(store::GetSetting(general, kGeneral, QStringLiteral("Shared Module Folder"),
                                               sharedFolderPlaceholder()));
    m_customIcons = chkUseCustomIcons->isChecked();
    m_folders = chkDisplayFoldersInListView->isChecked();
    TabStrip1_Click();
    cmdApply->setEnabled(false);
}

void frmProperties::changed() {
    if (!m_loading && cmdApply) cmdApply->setEnabled(true);
}

void frmProperties::TabStrip1_Click() {
    store::ShowTabPanel(*TabStrip1, m_panels);
}

void frmProperties::cmdApply_Click() {
    const QString app = instanceApp(), general = store::generalAppName();
    if (isClient() && !fraMainWindowStartup->isHidden())
        store::SaveSetting(
            app, kWindowsMain, kSavePosition,
            optStartupWindowPosition[0]->isChecked() ? QStringLiteral("True") : QStringLiteral("False"));
    store::SaveSetting(app, kProperties, QStringLiteral("Display using Custom Icons"),
                       checkText(chkUseCustomIcons));
    store::SaveSetting(app, kProperties, QStringLiteral("Display Folders in Listview"),
                       checkText(chkDisplayFoldersInListView));
    store::SaveSetting(general, kGeneral, QStringLiteral("Show Tips at Startup"), checkText(chkTips));
    store::SaveSetting(general, kGeneral, QStringLiteral("Use Drag & Drop Prompts"),
                       checkText(chkDragDropPrompt));

    // Redrawing with the other pictures needs the tree and the list again, not the library: the
    // library stays open and the files extracted for other programs stay where they are.
    bool redrawn = false;
    if (chkUseCustomIcons->isChecked() != m_customIcons) {
        if (m_main) m_main->SystemInit();
        m_customIcons = chkUseCustomIcons->isChecked();
        redrawn = true;
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (chkDisplayFoldersInListView->isChecked() != m_folders) {
        if (!redrawn && m_main) m_main->ProcRefresh();
        m_folders = chkDisplayFoldersInListView->isChecked();
    }

    store::SaveSetting(store::playEventSoundsAppName(), kGeneral, QStringLiteral("Play Event Sounds"),
                       checkText(chkPlayEventSounds));
    store::SaveSetting(general, kGeneral, QStringLiteral("Show Sync Warning Message"),
                       checkText(chkShowWarning));

    QString folder = txtSharedFolder->text();
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    if (folder != sharedFolderPlaceholder()) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
            const QScopedValueRollback<bool> loading(m_loading, true);
            txtSharedFolder->setText(folder == QLatin1String("/") ? folder : folder + QLatin1Char('/'));
            store::SaveSetting(general, kGeneral, QStringLiteral("Shared Module Folder"), folder);
        } else {
            ui::MsgBox(QStringLiteral("Error: The 'Shared Folder' that you have entered, DOES NOT EXIST!"),
                       ui::vbOKOnly | ui::vbExclamation | ui::vbMsgBoxSetForeground,
                       QStringLiteral("Folder does not exist"));
        }
    }
    cmdApply->setEnabled(false);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void frmProperties::cmdOk_Click() {
    cmdApply_Click();
    accept();
}

void frmProperties::cmdCancel_Click() {
    reject();
}

void frmProperties::cmdSelectSharedFolder_Click() {
    const QString folder = ui::BrowseForFolder(this, QStringLiteral("Select your 'Shared Modules' Folder:"));
    if (!folder.isEmpty()) txtSharedFolder->setText(folder);
}

void frmProperties::done(int result) {
    if (!m_unloaded && isClient())
        store::SaveSetting(instanceApp(), QStringLiteral("Windows\\") + objectName().mid(3), kCurrentTab,
                           QString::number(TabStrip1->selectedIndex()));
    m_unloaded = true;
    QDialog::done(result);
}
