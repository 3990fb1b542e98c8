#include "platform/tab_strip.h"

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

namespace controls {

using namespace detail;

TabStrip::TabStrip(QWidget* parent) : QWidget(parent), m_bar(new QTabBar(this)) {
    m_bar->setObjectName("tabBar");
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
    connect(m_bar, &QTabBar::currentChanged, this, [this] {
        if (!m_silent) emit click();
    });
    placeBar();
}

int TabStrip::add(const QString& key, const QString& caption) {
    if (indexOf(key) > 0) keyNotUnique();
    m_silent = true;
    const int i = m_bar->addTab(caption);
    m_silent = false;
    m_bar->setTabData(i, key);
    placeBar();
    return i + 1;
}

void TabStrip::requireIndex(int index) const {
    if (index < 1 || index > count()) elementNotFound();
}

void TabStrip::remove(int index) {
    requireIndex(index);
    m_bar->removeTab(index - 1);
    placeBar();
}

void TabStrip::clear() {
    m_silent = true;
    while (m_bar->count() > 0) m_bar->removeTab(0);
    m_silent = false;
    placeBar();
}

int TabStrip::count() const {
    return m_bar->count();
}

QString TabStrip::key(int index) const {
    requireIndex(index);
    return m_bar->tabData(index - 1).toString();
}

QString TabStrip::caption(int index) const {
    requireIndex(index);
    return m_bar->tabText(index - 1);
}

void TabStrip::setCaption(int index, const QString& caption) {
    requireIndex(index);
    m_bar->setTabText(index - 1, caption);
    placeBar();
}

int TabStrip::indexOf(const QString& key) const {
    if (key.isEmpty()) return 0;
    for (int i = 0; i < m_bar->count(); ++i)
        if (m_bar->tabData(i).toString() == key) return i + 1;
    return 0;
}

int TabStrip::tab(const QString& key) const {
    const int i = indexOf(key);
    if (i == 0) elementNotFound();
    return i;
}

int TabStrip::selectedIndex() const {
    return m_bar->currentIndex() + 1;
}

void TabStrip::setSelectedIndex(int index) {
    requireIndex(index);
    m_bar->setCurrentIndex(index - 1);
}

QString TabStrip::selectedKey() const {
    return count() > 0 ? key(selectedIndex()) : QString();
}
void TabStrip::setSelectedKey(const QString& key) {
    setSelectedIndex(tab(key));
}

QRect TabStrip::clientRect() const {
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int top = m_bar->sizeHint().height();
    return QRect(frame, top + frame, std::max(0, width() - 2 * frame),
                 std::max(0, height() - top - 2 * frame));
}

QSize TabStrip::sizeHint() const {
    const QSize bar = m_bar->sizeHint();
    return QSize(std::max(bar.width(), 200), bar.height() + 150);
}

QSize TabStrip::minimumSizeHint() const {
    return m_bar->minimumSizeHint() + QSize(0, 20);
}

void TabStrip::placeBar() {
    const QSize hint = m_bar->sizeHint();
    m_bar->setGeometry(0, 0, std::min(width(), hint.width()), hint.height());
    update();
}

void TabStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeBar();
}

void TabStrip::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    frame.shape = QTabBar::RoundedNorth;
    frame.tabBarSize = m_bar->size();
    frame.tabBarRect = m_bar->geometry();
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    const int top = std::max(0, m_bar->sizeHint().height() - overlap);
    frame.rect = QRect(0, top, width(), height() - top);
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, frame);
}

}  // namespace controls
