#pragma once

// The add-in the IDE creates by its ProgID "Morvane.Connect": at connection it puts its button on
// a toolbar, its entry on the "Add-Ins" menu and two entries on the "Help" menu; the button and
// the entry show or hide the library browser in a dockable tool window, created on first use (or
// at once when the user chose so). At disconnection it takes its commands away and remembers
// where the user has put the button.

#include "ide/object_model.h"

#include <QImage>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

namespace ide {

class Connect : public QObject, public IDTExtensibility {
    Q_OBJECT
    Q_INTERFACES(ide::IDTExtensibility)
public:
    static inline const QString kProgId = QStringLiteral("Morvane.Connect");
    static inline const QString kDocumentProgId = QStringLiteral("Morvane.MRVDocument");
    static inline const QString kCaption = QStringLiteral("Morvane");
    static inline const QString kWebSiteCaption = QStringLiteral("Varnholt Software Website...");
    static inline const QString kHelpCaption = QStringLiteral("Morvane Help");
    static inline const QString kPositionId = QStringLiteral("{4AF29FEA-400E-11D2-B6EA-10A74EC13800}");

    explicit Connect(QObject* parent = nullptr);
    ~Connect() override;

    void OnConnection(VBE* application, int connectMode, AddIn* addInInst, QVariantList& custom) override;
    void OnDisconnection(int removeMode, QVariantList& custom) override;
    void OnStartupComplete(QVariantList&) override {}
    void OnAddInsUpdate(QVariantList&) override {}

    // Hides the tool window; the document calls it by name for its own hide command.
    Q_INVOKABLE void HideWindow();

    // The click handlers of the four controls.
    void ToolHandler_ToolbarTool_Click(CommandBarControl* control);
    void ToolHandler_AddInMenu_Click(CommandBarControl* control);
    void ToolHandler_HelpMenuWebSite_Click(CommandBarControl* control);
    void ToolHandler_HelpMenuHelp_Click(CommandBarControl* control);

    // What the add-in holds, for the host's tests and views.
    Window* toolWindow() const { return m_window.get(); }
    QObject* document() const { return m_document; }
    CommandBarControl* toolbarButton() const { return m_toolbarButton; }
    CommandBarControl* addInMenuEntry() const { return m_addInMenu; }
    CommandBarControl* webSiteEntry() const { return m_webSiteEntry; }
    CommandBarControl* helpEntry() const { return m_helpEntry; }

    // The application names of the add-in's settings and of the settings every instance shares.
    static QString addInApp();
    static QString generalApp();

private:
    bool LoadVBToolWindow();
    CommandBarControl* CreateVBCommandbarTool(const QString& barName, const QString& caption,
                                              std::optional<int> position = std::nullopt);
    CommandBarControl* CreateVBToolbarButton(const QString& caption);
    void ToggleVBToolWindow();
    // The click events of a control, held and handled by handler.
    CommandBarEventSource* listen(CommandBarControl* control, void (Connect::*handler)(CommandBarControl*));
    void releaseWindow();

    QPointer<VBE> m_vbe;
    std::shared_ptr<Window> m_window;
    QPointer<QObject> m_document;
    bool m_shownBefore = false;
    QPointer<CommandBarControl> m_toolbarButton, m_addInMenu, m_webSiteEntry, m_helpEntry;
    QPointer<CommandBarEventSource> m_toolbarEvents, m_addInMenuEvents, m_webSiteEvents, m_helpEvents;
    // The face the next control created takes.
    QImage m_face;
};

// Makes the add-in and the IDE file watcher ("Morvane.cVBIDE") creatable by name in this process.
void registerAddInClasses();

}  // namespace ide
