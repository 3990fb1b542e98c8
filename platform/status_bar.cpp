#include "platform/status_bar.h"

#include "platform/controls_p.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMouseEvent>
#include <QStackedLayout>
#include <QStyleOption>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTime>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <utility>

namespace controls {

using namespace detail;

StatusPanel::StatusPanel(StatusBar* bar, const QString& key) : QLabel(bar), m_bar(bar), m_key(key) {
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::NoTextInteraction);
}

int StatusPanel::index() const {
    return int(m_bar->m_panels.indexOf(const_cast<StatusPanel*>(this))) + 1;
}

void StatusPanel::setPanelStyle(PanelStyle style) {
    m_style = style;
    refreshClock();
    m_bar->tick();
}

void StatusPanel::setAutoSize(PanelAutoSize autoSize) {
    m_autoSize = autoSize;
    applyWidth();
    m_bar->relayout();
}

void StatusPanel::setPanelWidth(int width) {
    m_width = width;
    applyWidth();
}

void StatusPanel::applyWidth() {
    if (m_autoSize == sbrNoAutoSize) {
        setFixedWidth(m_width);
    } else {
        setMinimumWidth(m_width);
        setMaximumWidth(QWIDGETSIZE_MAX);
    }
}

void StatusPanel::refreshClock() {
    if (m_style == sbrTime) setText(QLocale().toString(QTime::currentTime(), QLocale::ShortFormat));
    if (m_style == sbrDate) setText(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
}

void StatusPanel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (std::exchange(m_doubleClicked, false)) return;
    if (rect().contains(event->position().toPoint())) emit m_bar->panelClick(this);
}

void StatusPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    QLabel::mouseDoubleClickEvent(event);
    m_doubleClicked = true;
    emit m_bar->panelDblClick(this);
}

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent), m_clock(new QTimer(this)) {
    m_clock->setSingleShot(true);
    connect(m_clock, &QTimer::timeout, this, &StatusBar::tick);
}

StatusPanel* StatusBar::addPanel(const QString& text, int width, const QString& key, PanelStyle style,
                                 PanelAutoSize autoSize) {
    if (!key.isEmpty()) {
        for (const StatusPanel* p : m_panels)
            if (p->m_key == key) keyNotUnique();
    }
    auto* panel = new StatusPanel(this, key);
    panel->setObjectName(QStringLiteral("panel%1").arg(m_panels.size() + 1));
    panel->setText(text);
    panel->m_width = width;
    panel->m_autoSize = autoSize;
    panel->applyWidth();
    m_panels.append(panel);
    panel->setPanelStyle(style);
    relayout();
    return panel;
}

StatusPanel* StatusBar::panel(int index) const {
    if (index < 1 || index > m_panels.size()) elementNotFound();
    return m_panels[index - 1];
}

StatusPanel* StatusBar::panel(const QString& key) const {
    for (StatusPanel* p : m_panels)
        if (!key.isEmpty() && p->m_key == key) return p;
    elementNotFound();
}

void StatusBar::removePanel(int index) {
    StatusPanel* p = panel(index);
    m_panels.removeAt(index - 1);
    removeWidget(p);
    delete p;
    relayout();
}

void StatusBar::relayout() {
    for (StatusPanel* p : m_panels) removeWidget(p);
    for (StatusPanel* p : m_panels) {
        addWidget(p, p->m_autoSize == sbrSpring ? 1 : 0);
        p->show();
    }
}

void StatusBar::tick() {
    bool clocks = false;
    for (StatusPanel* p : m_panels) {
        p->refreshClock();
        clocks = clocks || p->m_style != sbrText;
    }
    if (!clocks) {
        m_clock->stop();
        return;
    }
    // Wakes once a minute, just after the minute turns.
    const QTime now = QTime::currentTime();
    m_clock->start((60 - now.second()) * 1000 - now.msec() + 50);
}

}  // namespace controls
