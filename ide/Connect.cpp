#include "ide/Connect.h"

#include "browser/MRVDocument.h"
#include "ide/cVBIDE.h"
#include "ide/frmVBTool.h"
#include "platform/dochost.h"
#include "platform/help.h"
#include "platform/ui.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/settings.h"
#include "store/startup.h"

#include <QApplication>
#include <QScopeGuard>

namespace ide {

namespace {

const QString kButtonSection = QStringLiteral("VB Button");
const QString kLoadingInstance = QStringLiteral("Loading Instance");
const QString kGeneralProperties = QStringLiteral("General Properties");

// Lets paints and timers run; the user's clicks wait, so no command starts inside another.
void doEvents() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

template <typename T>
T* required(T* object) {
    if (!object) throw mrv::Error(errObjectRequired, QStringLiteral("Object required"));
    return object;
}

template <typename Step>
void ignoringErrors(Step step) {
    try {
        step();
    } catch (const mrv::Error&) {
    }
}

// A flag stored as "True" or "False" (a number counts as the old boolean it stood for).
bool settingBool(const QString& text, bool defaultValue) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    bool number = false;
    const double value = t.toDouble(&number);
    return number ? value != 0 : defaultValue;
}

QString boolText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

void setLoadingInstance(const QString& value) {
    store::SaveSetting(Connect::generalApp(), kGeneralProperties, kLoadingInstance, value);
}

}  // namespace

Connect::Connect(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("Connect"));
}

Connect::~Connect() {
    releaseWindow();
}

QString Connect::addInApp() {
    return store::instanceAppName(QStringLiteral("\\(VB Add-In)"));
}

QString Connect::generalApp() {
    return store::generalAppName();
}

void Connect::releaseWindow() {
    m_document = nullptr;
    m_window.reset();
}

// ---- Connection ------------------------------------------------------------------------------------

void Connect::OnConnection(VBE* application, int, AddIn*, QVariantList&) {
    QString step;
    try {
        step = QStringLiteral("Step 0");
        step = QStringLiteral("Step 1");
        m_vbe = application;

        step = QStringLiteral("Step 2");
        if (store::Val(store::GetSetting(addInApp(), QStringLiteral("Properties"),
                                         QStringLiteral("AutoLoad Toolwindow"), QStringLiteral("0"))) == 1 &&
            !m_window && !LoadVBToolWindow())
            return;

        step = QStringLiteral("Step 3");
        m_face = frmVBTool().CreateVBAppButton();
        step = QStringLiteral("Step 4");
        m_toolbarButton = CreateVBToolbarButton(kCaption);
        step = QStringLiteral("Step 5");
        m_toolbarEvents = listen(m_toolbarButton, &Connect::ToolHandler_ToolbarTool_Click);

        step = QStringLiteral("Step 6");
        m_addInMenu = CreateVBCommandbarTool(QStringLiteral("Add-Ins"), kCaption);
        step = QStringLiteral("Step 7");
        m_addInMenuEvents = listen(m_addInMenu, &Connect::ToolHandler_AddInMenu_Click);

        step = QStringLiteral("Step 8");
        m_face = frmVBTool().CreateVBWebSiteButton();
        step = QStringLiteral("Step 9");
        m_webSiteEntry = CreateVBCommandbarTool(QStringLiteral("Help"), kWebSiteCaption, -1);
        required(m_webSiteEntry.data())->setBeginGroup(true);
        step = QStringLiteral("Step 10");
        m_webSiteEvents = listen(m_webSiteEntry, &Connect::ToolHandler_HelpMenuWebSite_Click);

        step = QStringLiteral("Step 11");
        m_face = frmVBTool().CreateVBHelpButton();
        step = QStringLiteral("Step 12");
        m_helpEntry = CreateVBCommandbarTool(QStringLiteral("Help"), kHelpCaption, -1);
        m_helpEvents = listen(m_helpEntry, &Connect::ToolHandler_HelpMenuHelp_Click);

        // The faces never went through the clipboard, so there is nothing there to clear: whatever
        // the user had copied is still there.
        doEvents();
    } catch (const mrv::Error& e) {
        store::ReportError(e, QStringLiteral("Connect.IDTExtensibility_OnConnection - ") + step);
    }
}

CommandBarEventSource* Connect::listen(CommandBarControl* control,
                                       void (Connect::*handler)(CommandBarControl*)) {
    CommandBarEventSource* events = required(m_vbe.data())->Events()->CommandBarEvents(control);
    connect(events, &CommandBarEventSource::Click, this, handler);
    return events;
}

CommandBarControl* Connect::CreateVBCommandbarTool(const QString& barName, const QString& caption,
                                                   std::optional<int> position) {
    try {
        CommandBar* bar = nullptr;
        try {
            bar = required(m_vbe.data())->CommandBars()->Item(barName);
        } catch (const mrv::Error&) {
        }
        if (!bar) {
            ui::MsgBox(QStringLiteral("Error: The Morvane could NOT FIND the VB '") + barName +
                           QStringLiteral("' Commandbar!"),
                       ui::vbExclamation | ui::vbOKOnly | ui::vbMsgBoxSetForeground, QStringLiteral("Error"));
            return nullptr;
        }
        CommandBarControls* controls = bar->Controls();
        CommandBarControl* control;
        if (!position)
            control = controls->Add(ControlButton);
        else if (*position > 0)
            control = controls->Add(ControlButton, *position);
        else
            control = controls->Add(ControlButton, controls->Count() + 1 + *position);
        control->setCaption(caption);
        control->setFace(m_face);
        return control;
    } catch (const mrv::Error& e) {
        store::ReportError(e, QStringLiteral("Connect.CreateVBCommandbarTool"));
        return nullptr;
    }
}

CommandBarControl* Connect::CreateVBToolbarButton(const QString& caption) {
    try {
        const QString app = addInApp();
        const QString toolbar =
            store::GetSetting(app, kButtonSection, QStringLiteral("Toolbar"), QStringLiteral("Standard"));
        int position = int(store::Val(
            store::GetSetting(app, kButtonSection, QStringLiteral("Position"), QStringLiteral("0"))));
        const bool beginGroup = settingBool(
            store::GetSetting(app, kButtonSection, QStringLiteral("Begin Group"), QStringLiteral("True")),
            true);

        CommandBarsCollection* bars = required(m_vbe.data())->CommandBars();
        CommandBar* bar = nullptr;
        try {
            bar = bars->Item(toolbar);
        } catch (const mrv::Error&) {
            bar = bars->Item(QStringLiteral("Standard"));
            position = 0;
        }
        bar->setVisible(true);
        const int count = bar->Controls()->Count();
        // Below 1 is no place on a bar either: taken like 0.
        if (position <= 0 || position > count) position = count;
        CommandBarControl* button = bar->Controls()->Add(ControlButton, position);
        button->setBeginGroup(beginGroup);
        button->setCaption(caption);
        button->setTooltipText(QStringLiteral("Show Morvane"));
        button->setFace(m_face);
        return button;
    } catch (const mrv::Error& e) {
        store::ReportError(e, QStringLiteral("Connect.CreateVBToolbarButton"));
        return nullptr;
    }
}

// ---- The tool window -------------------------------------------------------------------------------

bool Connect::LoadVBToolWindow() {
    bool result = true;
    browser::MRVDocument::setToolWindowCreating(true);
    try {
        setLoadingInstance(QStringLiteral("1"));
        if (!m_window) {
            VBE* vbe = required(m_vbe.data());
            AddIn* self = vbe->Addins()->Item(kProgId);
            QObject* document = nullptr;
            m_window =
                vbe->Windows()->CreateToolWindow(self, kDocumentProgId, kCaption, kPositionId, document);
            m_document = document;
            if (dochost::objectProperty(document, "DBFileName").toString().isEmpty()) {
                // No library open: the window goes, and with it the document.
                result = false;
                releaseWindow();
                setLoadingInstance(QStringLiteral("0"));
                browser::MRVDocument::setToolWindowCreating(false);
                return false;
            }
            dochost::setObjectProperty(document, "VBInstance", QVariant::fromValue<QObject*>(vbe));
        }
        m_window->setVisible(true);
        doEvents();
        dochost::setObjectProperty(m_document, "Connect", QVariant::fromValue<QObject*>(this));
        browser::MRVDocument::setToolWindowCreating(false);
        dochost::invokeObjectMethod(m_document, "FormatWindow");
        return result;
    } catch (const mrv::Error& e) {
        store::ReportError(e, QStringLiteral("Connect.LoadVBToolWindow"));
        browser::MRVDocument::setToolWindowCreating(false);
        // A document that was never created could not take the announcement back itself; the next
        // one any host creates must not think it is the add-in's.
        if (!m_document) setLoadingInstance(QStringLiteral("0"));
        return result;
    }
}

void Connect::ToggleVBToolWindow() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    doEvents();
    bool visible = false;
    if (!m_window) {
        // A creation that failed with an error leaves no window to show.
        if (!LoadVBToolWindow() || !m_window) return;
    } else {
        visible = m_window->Visible();
    }
    if (visible) {
        m_window->setVisible(false);
        store::PlayEventSound(store::sndRestoreDown);
        dochost::invokeObjectMethod(m_document, "FormatWindow");
    } else {
        m_window->setVisible(true);
        if (m_shownBefore) store::PlayEventSound(store::sndRestoreUp);
    }
    m_shownBefore = true;
}

void Connect::HideWindow() {
    ignoringErrors([this] {
        if (m_window) m_window->setVisible(false);
    });
}

// ---- Click handlers --------------------------------------------------------------------------------

void Connect::ToolHandler_ToolbarTool_Click(CommandBarControl*) {
    try {
        ToggleVBToolWindow();
    } catch (const mrv::Error& e) {
        store::ReportError(e, QStringLiteral("Connect.ToggleVBToolWindow"));
    }
}

void Connect::ToolHandler_AddInMenu_Click(CommandBarControl* control) {
    ToolHandler_ToolbarTool_Click(control);
}

void Connect::ToolHandler_HelpMenuWebSite_Click(CommandBarControl*) {
    const int answer = ui::MsgBox(QStringLiteral("This will Navigate to the 'VarnholtSoftware' Website!") +
                                      QStringLiteral("\n\nContinue?"),
                                  ui::vbYesNo | ui::vbInformation | ui::vbMsgBoxSetForeground,
                                  QStringLiteral("Visit Home Page"));
    if (answer == ui::vbYes) store::ShellOpen(QLatin1String(store::kWebSiteAddress));
}

void Connect::ToolHandler_HelpMenuHelp_Click(CommandBarControl*) {
    help::WinHelp(QApplication::activeWindow(), store::helpFile(), help::HELP_FINDER);
}

// ---- Disconnection ---------------------------------------------------------------------------------

void Connect::OnDisconnection(int, QVariantList&) {
    ignoringErrors([this] {
        if (m_window && m_window->Visible()) m_window->setVisible(false);
    });
    doEvents();
    ignoringErrors([this] { releaseWindow(); });
    doEvents();

    const QString app = addInApp();
    const QString storedPosition =
        store::GetSetting(app, kButtonSection, QStringLiteral("Position"), QString());
    const QString storedBar = store::GetSetting(app, kButtonSection, QStringLiteral("Toolbar"), QString());

    bool inPlace = false;
    ignoringErrors([&] {
        bool numeric = false;
        const int position = storedPosition.trimmed().toInt(&numeric);
        inPlace = m_toolbarButton && numeric && storedBar == m_toolbarButton->Parent()->Name() &&
                  position == m_toolbarButton->Index();
    });
    if (inPlace) {
        ignoringErrors([&] {
            store::SaveSetting(app, kButtonSection, QStringLiteral("Begin Group"),
                               boolText(m_toolbarButton->BeginGroup()));
            m_toolbarButton->Delete();
        });
    } else {
        // Moved by the user, or never stored: the first control of the button's caption in the IDE's
        // order is the button. The "Add-Ins" entry has the same caption and is not it.
        ignoringErrors([&] {
            CommandBarsCollection* bars = required(m_vbe.data())->CommandBars();
            for (int b = 1; b <= bars->Count(); ++b) {
                CommandBar* bar = bars->Item(b);
                for (int c = 1; c <= bar->Controls()->Count(); ++c) {
                    CommandBarControl* control = bar->Controls()->Item(c);
                    if (control == m_addInMenu.data() || control->Caption() != kCaption) continue;
                    store::SaveSettings(app, kButtonSection,
                                        {{QStringLiteral("Toolbar"), bar->Name()},
                                         {QStringLiteral("Position"), QString::number(control->Index())},
                                         {QStringLiteral("Begin Group"), boolText(control->BeginGroup())}});
                    doEvents();
                    control->Delete();
                    return;
                }
            }
        });
    }

    const auto deleteIfCaption = [](CommandBarControl* control, const QString& caption) {
        ignoringErrors([&] {
            if (required(control)->Caption() == caption) control->Delete();
        });
    };
    deleteIfCaption(m_addInMenu, kCaption);
    deleteIfCaption(m_webSiteEntry, kWebSiteCaption);
    deleteIfCaption(m_helpEntry, kHelpCaption);

    m_vbe = nullptr;
    doEvents();
}

void registerAddInClasses() {
    dochost::registerObjectClass(Connect::kProgId, [](QObject* parent) { return new Connect(parent); });
    dochost::registerObjectClass(cVBIDE::kProgId, [](QObject* parent) { return new cVBIDE(parent); });
}

}  // namespace ide
