#include "platform/sound.h"

#include "platform/ui.h"

#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QStandardPaths>

#include <canberra.h>

#include <utility>

namespace sound {

namespace {

struct EventSound {
    const char* event;
    const char* id;
};

// Each event of the old sound scheme and the sound it stands for on this desktop.
constexpr EventSound kEventSounds[] = {
    {"Buddy In", "service-login"},
    {"Buddy Out", "service-logout"},
    {"Close", "window-close"},
    {"Drop", "drag-accept"},
    {"File's Done", "complete-copy"},
    {"Goodbye", "desktop-logout"},
    {"MailBeep", "message-new-email"},
    {"Maximize", "window-maximized"},
    {"MenuCommand", "menu-click"},
    {"MenuPopup", "menu-popup"},
    {"Minimize", "window-minimized"},
    {"Open", "window-new"},
    {"RestoreDown", "window-unmaximized"},
    {"RestoreUp", "window-unminimized"},
    {"SystemAsterisk", "dialog-information"},
    {"SystemExclamation", "dialog-warning"},
    {"SystemExit", "system-shutdown"},
    {"SystemHand", "dialog-error"},
    {"SystemQuestion", "dialog-question"},
    {"SystemStart", "system-bootup"},
    {"Welcome", "desktop-login"},
    {"You've Got Mail", "message-new-instant"},
};

constexpr char kDefaultTheme[] = "freedesktop";

struct State {
    bool recording = false;
    QStringList played;
    QString theme;
    ca_context* context = nullptr;
    bool contextFailed = false;  // no sound service: stay silent, do not retry on every sound
};

State& state() {
    static State s;
    return s;
}

ca_context* context() {
    State& s = state();
    if (s.context || s.contextFailed) return s.context;
    if (ca_context_create(&s.context) != CA_SUCCESS) {
        s.context = nullptr;
        s.contextFailed = true;
        return nullptr;
    }
    ca_context_change_props(s.context, CA_PROP_APPLICATION_NAME, "Morvane", CA_PROP_APPLICATION_ID,
                            "org.morvane.Morvane", nullptr);
    // The desktop's sound server only: the fallback to the sound card directly is noisy on stderr
    // where there is none, and a desktop without a server plays nothing.
    if (ca_context_set_driver(s.context, "pulse") != CA_SUCCESS || ca_context_open(s.context) != CA_SUCCESS) {
        ca_context_destroy(s.context);
        s.context = nullptr;
        s.contextFailed = true;
    }
    return s.context;
}

QStringList themeFolders(const QString& theme) {
    QStringList folders;
    for (const QString& dataDir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString folder = dataDir + QStringLiteral("/sounds/") + theme;
        if (QFileInfo(folder).isDir()) folders.append(folder);
    }
    return folders;
}

// The theme, the themes it inherits (its index.theme's "Inherits"), and "freedesktop" last.
QStringList themeChain(const QString& theme) {
    QStringList chain;
    QStringList pending{theme};
    while (!pending.isEmpty()) {
        const QString name = pending.takeFirst();
        if (name.isEmpty() || chain.contains(name)) continue;
        chain.append(name);
        for (const QString& folder : themeFolders(name)) {
            const QString index = folder + QStringLiteral("/index.theme");
            if (!QFileInfo::exists(index)) continue;
            QSettings ini(index, QSettings::IniFormat);
            QVariant inherits = ini.value(QStringLiteral("Sound Theme/Inherits"));
            QStringList parents = inherits.typeId() == QMetaType::QStringList
                                      ? inherits.toStringList()
                                      : inherits.toString().split(u',', Qt::SkipEmptyParts);
            for (QString& parent : parents) pending.append(parent.trimmed());
            break;
        }
    }
    if (!chain.contains(QLatin1String(kDefaultTheme))) chain.append(QLatin1String(kDefaultTheme));
    return chain;
}

}  // namespace

void playFile(const QString& file) {
    if (testing::isRecording()) {
        state().played.append(file);
        return;
    }
    if (file.isEmpty() || !QFileInfo(file).isFile()) return;
    ca_context* ctx = context();
    if (!ctx) return;
    // A file name and no event id: the sound service has nothing to fall back to.
    ca_context_play(ctx, 0, CA_PROP_MEDIA_FILENAME, QFile::encodeName(file).constData(), nullptr);
}

QString soundIdForEvent(const QString& eventName) {
    for (const EventSound& e : kEventSounds)
        if (eventName == QLatin1String(e.event)) return QLatin1String(e.id);
    return QString();
}

QStringList eventNames() {
    QStringList names;
    for (const EventSound& e : kEventSounds) names.append(QLatin1String(e.event));
    return names;
}

QString themeName() {
    return state().theme.isEmpty() ? QLatin1String(kDefaultTheme) : state().theme;
}

void setThemeName(const QString& theme) {
    state().theme = theme;
}

QString findThemeSound(const QString& id) {
    if (id.isEmpty()) return QString();
    const QStringList chain = themeChain(themeName());
    for (QString name = id; !name.isEmpty();) {
        for (const QString& theme : chain) {
            for (const QString& folder : themeFolders(theme)) {
                const QString base = folder + QStringLiteral("/stereo/") + name;
                if (QFileInfo::exists(base + QStringLiteral(".disabled"))) return QString();
                for (const char* ext : {".oga", ".ogg", ".wav"})
                    if (QFileInfo(base + QLatin1String(ext)).isFile()) return base + QLatin1String(ext);
            }
        }
        const qsizetype dash = name.lastIndexOf(u'-');
        name = dash < 0 ? QString() : name.left(dash);
    }
    return QString();
}

namespace testing {

void enableRecording() {
    state().recording = true;
}

bool isRecording() {
    return state().recording || ui::testing::isRecording();
}

const QStringList& playedFiles() {
    return state().played;
}

void clear() {
    state().played.clear();
}

}  // namespace testing

}  // namespace sound
