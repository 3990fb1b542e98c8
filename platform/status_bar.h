#pragma once

#include "platform/controls_base.h"

namespace controls {

// Status bar

class StatusBar;

enum PanelStyle : int { sbrText = 0, sbrTime = 5, sbrDate = 6 };
enum PanelAutoSize : int { sbrNoAutoSize = 0, sbrSpring = 1, sbrContents = 2 };

class StatusPanel : public QLabel {
    Q_OBJECT
public:
    int index() const;
    const QString& key() const { return m_key; }
    PanelStyle panelStyle() const { return m_style; }
    void setPanelStyle(PanelStyle style);
    PanelAutoSize autoSize() const { return m_autoSize; }
    void setAutoSize(PanelAutoSize autoSize);
    int panelWidth() const { return m_width; }
    void setPanelWidth(int width);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    friend class StatusBar;
    StatusPanel(StatusBar* bar, const QString& key);
    void applyWidth();
    void refreshClock();

    StatusBar* m_bar;
    QString m_key;
    PanelStyle m_style = sbrText;
    PanelAutoSize m_autoSize = sbrNoAutoSize;
    int m_width = 96;
    bool m_doubleClicked = false;  // the release that ends a double click is no second click
};

class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent = nullptr);

    // Appends a panel; its text is plain text. A key in use raises errKeyNotUnique.
    StatusPanel* addPanel(const QString& text = QString(), int width = 96, const QString& key = QString(),
                          PanelStyle style = sbrText, PanelAutoSize autoSize = sbrNoAutoSize);
    int panelCount() const { return int(m_panels.size()); }
    // 1-based; raises errElementNotFound.
    StatusPanel* panel(int index) const;
    StatusPanel* panel(const QString& key) const;
    void removePanel(int index);

signals:
    void panelClick(controls::StatusPanel* panel);
    void panelDblClick(controls::StatusPanel* panel);

private:
    friend class StatusPanel;
    void relayout();
    void tick();

    QList<StatusPanel*> m_panels;
    QTimer* m_clock;
};

}  // namespace controls
