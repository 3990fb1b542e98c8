#include "store/window_settings.h"

#include "platform/placement.h"
#include "platform/twips.h"
#include "store/settings.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace store {

namespace {

QString measure(const QString& app, const QString& section, const char* key, const char* defaultValue) {
    return GetSetting(app, section, QLatin1String(key), QLatin1String(defaultValue));
}

bool onSomeScreen(const QRect& titleBar) {
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(titleBar)) return true;
    return false;
}

}  // namespace

QString windowSection(const QWidget* form) {
    return QStringLiteral("Windows\\") + form->objectName().mid(3);
}

void WindowRestore(QWidget* form, const QString& suffix, bool position, bool size) {
    const QString section = windowSection(form);
    const QString app = instanceAppName(suffix);
    if (position) {
        const double top = toSingle(measure(app, section, "Top", "0"));
        const double left = toSingle(measure(app, section, "Left", "0"));
        const QPoint at(platform::twipsToPixelsX(left, form), platform::twipsToPixelsY(top, form));
        if (onSomeScreen(QRect(at, QSize(qMax(form->width(), 100), 30)))) form->move(at);
    }
    if (size) {
        const double width = toSingle(measure(app, section, "Width", "9600"));
        const double height = toSingle(measure(app, section, "Height", "6810"));
        form->resize(platform::twipsToPixelsX(width, form), platform::twipsToPixelsY(height, form));
    }
    // Saved on a larger or less scaled screen, a window may not fit this one.
    platform::keepOnScreen(form);
}

void WindowSave(QWidget* form, const QString& suffix, bool position, bool size) {
    const Qt::WindowStates state = form->windowState();
    if (state & Qt::WindowMinimized) return;
    const bool maximised = state & (Qt::WindowMaximized | Qt::WindowFullScreen);
    QList<std::pair<QString, QString>> values{
        {QStringLiteral("State"), maximised ? QStringLiteral("2") : QStringLiteral("0")}};
    if (!maximised && position) {
        values.append({QStringLiteral("Top"), singleText(platform::pixelsToTwipsY(form->y(), form))});
        values.append({QStringLiteral("Left"), singleText(platform::pixelsToTwipsX(form->x(), form))});
    }
    if (!maximised && size) {
        values.append({QStringLiteral("Width"), singleText(platform::pixelsToTwipsX(form->width(), form))});
        values.append({QStringLiteral("Height"), singleText(platform::pixelsToTwipsY(form->height(), form))});
    }
    SaveSettings(instanceAppName(suffix), windowSection(form), values);
}

void LoadComboList(QComboBox* combo, int last, const QString& app, const QString& section) {
    const QString typed = combo->currentText();
    const bool wasEmpty = combo->count() == 0;
    for (int i = 0; i <= last; ++i) {
        const QString value = GetSetting(app, section, QStringLiteral("Item ") + QString::number(i));
        if (!value.isEmpty()) combo->addItem(value);
    }
    // Qt selects the first entry of a list that was empty; typed text must stay as it was.
    if (combo->isEditable() && wasEmpty && !typed.trimmed().isEmpty()) {
        combo->setCurrentIndex(-1);
        combo->setEditText(typed);
    } else if (combo->count() > 0 && combo->currentText().trimmed().isEmpty()) {
        combo->setCurrentIndex(0);
    }
}

void SaveComboList(QComboBox* combo, int last, const QString& app, const QString& section) {
    QList<std::pair<QString, QString>> values;
    for (int i = 0; i <= last; ++i)
        values.append({QStringLiteral("Item ") + QString::number(i),
                       i < combo->count() ? combo->itemText(i) : QString()});
    SaveSettings(app, section, values);
}

void AddComboTop(QComboBox* combo, const QString& text) {
    // Downwards, so that removing one entry skips none of its equal neighbours.
    for (int i = combo->count() - 1; i >= 0; --i)
        if (combo->itemText(i) == text) combo->removeItem(i);
    combo->insertItem(0, text);
    combo->setCurrentIndex(0);
}

}  // namespace store
