#pragma once

#include "platform/controls_base.h"

namespace controls {

// Tab strip: a row of keyed tabs over a framed client area that the form's panels cover.

class TabStrip : public QWidget {
    Q_OBJECT
public:
    explicit TabStrip(QWidget* parent = nullptr);

    // Appends a tab and returns its 1-based index. A key in use raises errKeyNotUnique.
    int add(const QString& key, const QString& caption);
    void remove(int index);
    void clear();
    int count() const;
    QString key(int index) const;
    QString caption(int index) const;
    void setCaption(int index, const QString& caption);
    // 1-based index of the tab with key, 0 when none.
    int indexOf(const QString& key) const;
    // Raises errElementNotFound.
    int tab(const QString& key) const;

    int selectedIndex() const;  // 0 when there is no tab
    void setSelectedIndex(int index);
    QString selectedKey() const;
    void setSelectedKey(const QString& key);

    // The area inside the frame, below the tabs, in this control's coordinates.
    QRect clientRect() const;
    QTabBar* tabBar() const { return m_bar; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The selected tab changed, by the user or by code.
    void click();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void requireIndex(int index) const;
    void placeBar();
    QTabBar* m_bar;
    bool m_silent = false;
};

}  // namespace controls
