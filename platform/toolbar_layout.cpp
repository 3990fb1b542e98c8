#include "platform/toolbar_layout.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <utility>
#include <vector>

namespace toolbar {

namespace {

const QString kMagic = QStringLiteral("MorvaneToolbarLayout");
constexpr int kVersion = 1;

[[noreturn]] void fail(int number, const QString& source, int line, const QString& what) {
    const QString where = line > 0 ? QStringLiteral(" (line %1)").arg(line) : QString();
    throw mrv::Error(
        number, QStringLiteral("The toolbar layout \"%1\" cannot be used%2: %3").arg(source, where, what));
}

const char* kindWord(BandKind kind) {
    switch (kind) {
        case BandKind::MenuBar:
            return "menubar";
        case BandKind::Popup:
            return "popup";
        case BandKind::SubMenu:
            return "submenu";
        case BandKind::ToolBar:
            break;
    }
    return "toolbar";
}

const char* kindWord(ToolKind kind) {
    switch (kind) {
        case ToolKind::Menu:
            return "menu";
        case ToolKind::ComboBox:
            return "combo";
        case ToolKind::Button:
            break;
    }
    return "button";
}

const char* dockWord(Dock dock) {
    switch (dock) {
        case Dock::Bottom:
            return "bottom";
        case Dock::Left:
            return "left";
        case Dock::Right:
            return "right";
        case Dock::Top:
            break;
    }
    return "top";
}

const char* styleWord(ButtonStyle style) {
    switch (style) {
        case ButtonStyle::Text:
            return "text";
        case ButtonStyle::IconAndText:
            return "both";
        case ButtonStyle::Icon:
            break;
    }
    return "icon";
}

QString quote(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '\\':
                out += QStringLiteral("\\\\");
                break;
            case '"':
                out += QStringLiteral("\\\"");
                break;
            case '\n':
                out += QStringLiteral("\\n");
                break;
            case '\r':
                out += QStringLiteral("\\r");
                break;
            case '\t':
                out += QStringLiteral("\\t");
                break;
            default:
                if (c.unicode() < 0x20)
                    out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
                else
                    out += c;
        }
    }
    return out + QLatin1Char('"');
}

QString shortcutText(const QKeySequence& key) {
    return key.toString(QKeySequence::PortableText);
}

void writeState(QString& line, const ToolState& s, const ToolState& base) {
    if (s.caption != base.caption) line += QStringLiteral(" caption=") + quote(s.caption);
    if (s.toolTip != base.toolTip) line += QStringLiteral(" tip=") + quote(s.toolTip);
    if (s.shortcut != base.shortcut) line += QStringLiteral(" shortcut=") + quote(shortcutText(s.shortcut));
    if (s.picture != base.picture) line += QStringLiteral(" picture=") + quote(s.picture);
    if (s.category != base.category) line += QStringLiteral(" category=") + quote(s.category);
    if (s.checked != base.checked) line += QStringLiteral(" checked=%1").arg(int(s.checked));
    if (s.enabled != base.enabled) line += QStringLiteral(" enabled=%1").arg(int(s.enabled));
    if (s.visible != base.visible) line += QStringLiteral(" visible=%1").arg(int(s.visible));
    if (s.width != base.width) line += QStringLiteral(" width=%1").arg(s.width);
}

// One line split into its keyword, positional words and key=value pairs.
struct Fields {
    QString keyword;
    QStringList args;
    QList<std::pair<QString, QString>> keys;
};

class LineParser {
public:
    LineParser(const QString& source, int line) : m_source(source), m_line(line) {}

    [[noreturn]] void fail(const QString& what) const {
        toolbar::fail(errLayoutFormat, m_source, m_line, what);
    }

    Fields split(QStringView text) const {
        Fields f;
        qsizetype i = 0;
        const qsizetype n = text.size();
        bool first = true;
        QSet<QString> seen;
        while (true) {
            while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
            if (i >= n) break;
            bool quoted = false;
            QString token = readValue(text, i, quoted);
            if (!quoted && i < n && text[i] == u'=') {
                ++i;
                if (first) fail(QStringLiteral("the line does not begin with a keyword"));
                if (token.isEmpty()) fail(QStringLiteral("a value without a key"));
                if (seen.contains(token)) fail(QStringLiteral("the key \"%1\" is given twice").arg(token));
                seen.insert(token);
                bool valueQuoted = false;
                QString value = readValue(text, i, valueQuoted);
                f.keys.append({token, value});
            } else if (first) {
                if (quoted) fail(QStringLiteral("the line does not begin with a keyword"));
                f.keyword = token;
            } else {
                f.args.append(token);
            }
            first = false;
            if (i < n && text[i] != u' ' && text[i] != u'\t') fail(QStringLiteral("a blank is missing"));
        }
        return f;
    }

    bool toBool(const QString& key, const QString& value) const {
        if (value == u"1") return true;
        if (value == u"0") return false;
        fail(QStringLiteral("\"%1\" must be 0 or 1").arg(key));
    }

    int toInt(const QString& key, const QString& value, int max) const {
        bool ok = false;
        const int v = value.toInt(&ok);
        // toInt accepts a sign and blanks; the format allows neither.
        if (!ok || v < 0 || v > max || value.isEmpty() || !value[0].isDigit())
            fail(QStringLiteral("\"%1\" must be a whole number from 0 to %2").arg(key).arg(max));
        return v;
    }

    template <typename Enum, typename Word>
    Enum toEnum(const QString& key, const QString& value, std::initializer_list<Enum> values,
                Word word) const {
        for (Enum e : values)
            if (value == QLatin1String(word(e))) return e;
        fail(QStringLiteral("unknown %1 \"%2\"").arg(key, value));
    }

    QString name(const Fields& f) const {
        if (f.args.size() != 1) fail(QStringLiteral("\"%1\" takes one name").arg(f.keyword));
        if (!isValidName(f.args[0])) fail(QStringLiteral("\"%1\" is not a valid name").arg(f.args[0]));
        return f.args[0];
    }

    void noArgs(const Fields& f) const {
        if (!f.args.isEmpty()) fail(QStringLiteral("\"%1\" takes no name").arg(f.keyword));
    }

    // False when the key is not a tool state key.
    bool stateKey(ToolState& s, const QString& key, const QString& value) const {
        if (key == u"caption")
            s.caption = value;
        else if (key == u"tip")
            s.toolTip = value;
        else if (key == u"picture")
            s.picture = value;
        else if (key == u"category")
            s.category = value;
        else if (key == u"checked")
            s.checked = toBool(key, value);
        else if (key == u"enabled")
            s.enabled = toBool(key, value);
        else if (key == u"visible")
            s.visible = toBool(key, value);
        else if (key == u"width")
            s.width = toInt(key, value, kMaxToolWidth);
        else if (key == u"shortcut")
            s.shortcut = toShortcut(value);
        else
            return false;
        return true;
    }

    [[noreturn]] void unknownKey(const Fields& f, const QString& key) const {
        fail(QStringLiteral("\"%1\" has no key \"%2\"").arg(f.keyword, key));
    }

private:
    QKeySequence toShortcut(const QString& text) const {
        if (text.isEmpty()) return {};
        const QKeySequence seq = QKeySequence::fromString(text, QKeySequence::PortableText);
        if (seq.count() != 1 || seq[0].key() == Qt::Key_unknown)
            fail(QStringLiteral("\"%1\" is not one key combination").arg(text));
        return seq;
    }

    QString readValue(QStringView text, qsizetype& i, bool& quoted) const {
        const qsizetype n = text.size();
        QString out;
        if (i < n && text[i] == u'"') {
            quoted = true;
            for (++i; i < n; ++i) {
                const QChar c = text[i];
                if (c == u'"') {
                    ++i;
                    return out;
                }
                if (c != u'\\') {
                    out += c;
                    continue;
                }
                if (++i >= n) break;
                switch (text[i].unicode()) {
                    case '\\':
                        out += u'\\';
                        break;
                    case '"':
                        out += u'"';
                        break;
                    case 'n':
                        out += u'\n';
                        break;
                    case 'r':
                        out += u'\r';
                        break;
                    case 't':
                        out += u'\t';
                        break;
                    case 'x': {
                        const auto hex = [](QChar h) {
                            return QStringLiteral("0123456789abcdef").indexOf(h);
                        };
                        const int hi = i + 2 < n ? hex(text[i + 1]) : -1;
                        const int lo = i + 2 < n ? hex(text[i + 2]) : -1;
                        if (hi < 0 || lo < 0) fail(QStringLiteral("a bad \\x escape"));
                        out += QChar(hi * 16 + lo);
                        i += 2;
                        break;
                    }
                    default:
                        fail(QStringLiteral("an unknown escape \"\\%1\"").arg(text[i]));
                }
            }
            fail(QStringLiteral("a text in quotes does not end"));
        }
        while (i < n && text[i] != u' ' && text[i] != u'\t' && text[i] != u'=') {
            if (text[i] == u'"') fail(QStringLiteral("a quote inside a word"));
            out += text[i++];
        }
        return out;
    }

    const QString& m_source;
    int m_line;
};

QString tooManyPages(const QString& band) {
    return QStringLiteral("the band \"%1\" has more than %2 pages").arg(band).arg(kMaxPages);
}

void checkHeader(const QString& line, const QString& source) {
    const QStringList parts = line.split(u' ', Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts[0] != kMagic)
        fail(errLayoutFormat, source, 1, QStringLiteral("it is not a toolbar layout file"));
    bool ok = false;
    const int version = parts.size() == 2 ? parts[1].toInt(&ok) : 0;
    if (!ok || version < 1) fail(errLayoutFormat, source, 1, QStringLiteral("the header line is damaged"));
    if (version > kVersion)
        fail(errLayoutFormat, source, 1,
             QStringLiteral("it was written by a newer version of the program (format %1)").arg(version));
}

void parseTool(const LineParser& p, const Fields& f, Layout& layout, QHash<QString, qsizetype>& index) {
    ToolDef tool;
    tool.name = p.name(f);
    if (index.contains(tool.name)) p.fail(QStringLiteral("the tool \"%1\" is defined twice").arg(tool.name));
    for (const auto& [key, value] : f.keys) {
        if (key == u"kind")
            tool.kind = p.toEnum(key, value, {ToolKind::Button, ToolKind::Menu, ToolKind::ComboBox},
                                 [](ToolKind k) { return kindWord(k); });
        else if (key == u"opens")
            tool.opens = value;
        else if (!p.stateKey(tool.state, key, value))
            p.unknownKey(f, key);
    }
    index.insert(tool.name, layout.tools.size());
    layout.tools.append(tool);
}

void parseBand(const LineParser& p, const Fields& f, BandDef& band) {
    band.name = p.name(f);
    for (const auto& [key, value] : f.keys) {
        if (key == u"kind")
            band.kind = p.toEnum(key, value,
                                 {BandKind::MenuBar, BandKind::ToolBar, BandKind::Popup, BandKind::SubMenu},
                                 [](BandKind k) { return kindWord(k); });
        else if (key == u"caption")
            band.caption = value;
        else if (key == u"visible")
            band.visible = p.toBool(key, value);
        else if (key == u"dock")
            band.dock = p.toEnum(key, value, {Dock::Top, Dock::Bottom, Dock::Left, Dock::Right},
                                 [](Dock d) { return dockWord(d); });
        else if (key == u"style")
            band.style =
                p.toEnum(key, value, {ButtonStyle::Icon, ButtonStyle::Text, ButtonStyle::IconAndText},
                         [](ButtonStyle s) { return styleWord(s); });
        else if (key == u"page")
            band.currentPage = p.toInt(key, value, kMaxPages - 1);
        else
            p.unknownKey(f, key);
    }
}

void parseItem(const LineParser& p, const Fields& f, const Layout& layout,
               const QHash<QString, qsizetype>& index, BandDef& band) {
    ItemDef item;
    if (f.keyword == u"item") {
        item.tool = p.name(f);
        const auto it = index.constFind(item.tool);
        if (it == index.cend())
            p.fail(QStringLiteral("the tool \"%1\" is not defined before its band").arg(item.tool));
        item.state = layout.tools[*it].state;
    } else {
        p.noArgs(f);
    }
    for (const auto& [key, value] : f.keys) {
        if (key == u"page")
            item.page = p.toInt(key, value, kMaxPages - 1);
        else if (item.tool.isEmpty() || !p.stateKey(item.state, key, value))
            p.unknownKey(f, key);
    }
    band.items.append(item);
}

// A menu that opens itself, directly or through others, would never stop opening; menus nested
// deeper than anyone can follow are refused too. The walk keeps its own stack, since a file can
// nest far deeper than the call stack reaches.
template <typename Bad>
void checkMenuNesting(const Layout& layout, const QHash<QString, const ToolDef*>& tools,
                      const QHash<QString, const BandDef*>& bands, const Bad& bad) {
    struct Frame {
        const BandDef* band;
        qsizetype next = 0;
        int below = 0;  // the deepest chain of menus under the band, found so far
    };
    QHash<QString, int> depth;  // bands done: their own level plus the menus under them
    QSet<QString> open;         // the bands on the stack
    const auto tooDeep = [&](const QString& band) {
        bad(QStringLiteral("menus are nested more than %1 deep (at the band \"%2\")")
                .arg(kMaxMenuDepth)
                .arg(band));
    };
    for (const BandDef& root : layout.bands) {
        if (depth.contains(root.name)) continue;
        std::vector<Frame> stack{{&root}};
        open.insert(root.name);
        while (!stack.empty()) {
            Frame& top = stack.back();
            if (top.next < top.band->items.size()) {
                const ToolDef* tool = tools.value(top.band->items[top.next++].tool);
                if (!tool || tool->kind != ToolKind::Menu) continue;
                if (open.contains(tool->opens))
                    bad(QStringLiteral("the menu band \"%1\" opens itself").arg(tool->opens));
                if (const auto done = depth.constFind(tool->opens); done != depth.cend()) {
                    if (qsizetype(stack.size()) + *done > kMaxMenuDepth) tooDeep(tool->opens);
                    top.below = std::max(top.below, *done);
                    continue;
                }
                if (qsizetype(stack.size()) >= kMaxMenuDepth) tooDeep(tool->opens);
                open.insert(tool->opens);
                stack.push_back({bands.value(tool->opens)});
                continue;
            }
            const int level = top.below + 1;
            depth.insert(top.band->name, level);
            open.remove(top.band->name);
            stack.pop_back();
            if (!stack.empty()) stack.back().below = std::max(stack.back().below, level);
        }
    }
}

}  // namespace

bool isValidName(const QString& name) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9_.\\-]{1,200}$"));
    return re.match(name).hasMatch();
}

QByteArray writeLayout(const Layout& layout) {
    QString out = kMagic + QStringLiteral(" %1\n").arg(kVersion);
    QHash<QString, const ToolState*> masters;
    for (const ToolDef& tool : layout.tools) {
        QString line = QStringLiteral("tool ") + tool.name;
        if (tool.kind != ToolKind::Button)
            line += QStringLiteral(" kind=") + QLatin1String(kindWord(tool.kind));
        if (!tool.opens.isEmpty()) line += QStringLiteral(" opens=") + tool.opens;
        writeState(line, tool.state, ToolState());
        out += line + u'\n';
        masters.insert(tool.name, &tool.state);
    }
    for (const BandDef& band : layout.bands) {
        QString line = QStringLiteral("\nband ") + band.name + QStringLiteral(" kind=") + kindWord(band.kind);
        if (!band.caption.isEmpty()) line += QStringLiteral(" caption=") + quote(band.caption);
        if (!band.visible) line += QStringLiteral(" visible=0");
        if (band.dock != Dock::Top) line += QStringLiteral(" dock=") + dockWord(band.dock);
        if (band.style != ButtonStyle::Icon) line += QStringLiteral(" style=") + styleWord(band.style);
        if (band.currentPage != 0) line += QStringLiteral(" page=%1").arg(band.currentPage);
        out += line + u'\n';
        for (const QString& page : band.pages) out += QStringLiteral("  page ") + quote(page) + u'\n';
        for (const ItemDef& item : band.items) {
            line =
                item.tool.isEmpty() ? QStringLiteral("  separator") : QStringLiteral("  item ") + item.tool;
            if (item.page != 0) line += QStringLiteral(" page=%1").arg(item.page);
            if (!item.tool.isEmpty()) {
                const ToolState* master = masters.value(item.tool);
                writeState(line, item.state, master ? *master : ToolState());
            }
            out += line + u'\n';
        }
        out += QStringLiteral("endband\n");
    }
    out += QStringLiteral("end\n");
    return out.toUtf8();
}

Layout parseLayout(const QByteArray& bytes, const QString& source) {
    if (bytes.size() > kMaxLayoutFileSize)
        fail(errLayoutFormat, source, 0, QStringLiteral("the file is too large"));
    if (bytes.isEmpty()) fail(errLayoutFormat, source, 0, QStringLiteral("the file is empty"));
    const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    // Foreign files are told apart before anything else is said about their contents.
    if (!body.startsWith(kMagic.toLatin1()))
        fail(errLayoutFormat, source, 1, QStringLiteral("it is not a toolbar layout file"));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(body);
    if (decoder.hasError()) fail(errLayoutFormat, source, 0, QStringLiteral("it is not UTF-8 text"));

    const QStringList lines = text.split(u'\n');
    Layout layout;
    QHash<QString, qsizetype> toolIndex;
    BandDef* band = nullptr;
    int items = 0;
    bool ended = false;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString raw = lines[n];
        if (raw.endsWith(u'\r')) raw.chop(1);
        const LineParser p(source, int(n + 1));
        for (const QChar c : raw)
            if (c.unicode() < 0x20 && c != u'\t') p.fail(QStringLiteral("it holds a control character"));
        if (n == 0) {
            checkHeader(raw, source);
            continue;
        }
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (ended) p.fail(QStringLiteral("there is text after the end line"));

        const Fields f = p.split(line);
        if (f.keyword == u"tool") {
            if (band) p.fail(QStringLiteral("a tool is defined inside a band"));
            if (layout.tools.size() >= kMaxTools)
                p.fail(QStringLiteral("the layout has more than %1 tools").arg(kMaxTools));
            parseTool(p, f, layout, toolIndex);
        } else if (f.keyword == u"band") {
            if (band) p.fail(QStringLiteral("the band \"%1\" has no endband line").arg(band->name));
            if (layout.bands.size() >= kMaxBands)
                p.fail(QStringLiteral("the layout has more than %1 bands").arg(kMaxBands));
            layout.bands.append(BandDef());
            band = &layout.bands.last();
            parseBand(p, f, *band);
        } else if (f.keyword == u"page" || f.keyword == u"item" || f.keyword == u"separator") {
            if (!band) p.fail(QStringLiteral("\"%1\" outside a band").arg(f.keyword));
            if (f.keyword != u"page") {
                if (++items > kMaxItems)
                    p.fail(QStringLiteral("the layout has more than %1 items").arg(kMaxItems));
                parseItem(p, f, layout, toolIndex, *band);
            } else if (f.args.size() != 1 || !f.keys.isEmpty()) {
                p.fail(QStringLiteral("\"page\" takes one caption"));
            } else if (band->pages.size() >= kMaxPages) {
                p.fail(tooManyPages(band->name));
            } else {
                band->pages.append(f.args[0]);
            }
        } else if (f.keyword == u"endband") {
            if (!band) p.fail(QStringLiteral("\"endband\" outside a band"));
            if (!f.args.isEmpty() || !f.keys.isEmpty()) p.fail(QStringLiteral("\"endband\" takes nothing"));
            band = nullptr;
        } else if (f.keyword == u"end") {
            if (band) p.fail(QStringLiteral("the band \"%1\" has no endband line").arg(band->name));
            if (!f.args.isEmpty() || !f.keys.isEmpty()) p.fail(QStringLiteral("\"end\" takes nothing"));
            ended = true;
        } else {
            p.fail(QStringLiteral("unknown keyword \"%1\"").arg(f.keyword));
        }
    }
    if (!ended)
        fail(errLayoutFormat, source, 0, QStringLiteral("the file is cut short (it has no end line)"));
    checkLayout(layout, errLayoutFormat, source);
    return layout;
}

void checkLayout(const Layout& layout, int number, const QString& source) {
    auto bad = [&](const QString& what) { fail(number, source, 0, what); };
    if (layout.tools.size() > kMaxTools)
        bad(QStringLiteral("the layout has more than %1 tools").arg(kMaxTools));
    if (layout.bands.size() > kMaxBands)
        bad(QStringLiteral("the layout has more than %1 bands").arg(kMaxBands));
    qsizetype items = 0;
    for (const BandDef& band : layout.bands) items += band.items.size();
    if (items > kMaxItems) bad(QStringLiteral("the layout has more than %1 items").arg(kMaxItems));
    QHash<QString, const ToolDef*> tools;
    for (const ToolDef& tool : layout.tools) {
        if (!isValidName(tool.name)) bad(QStringLiteral("\"%1\" is not a valid tool name").arg(tool.name));
        if (tools.contains(tool.name)) bad(QStringLiteral("the tool \"%1\" is defined twice").arg(tool.name));
        if ((tool.kind == ToolKind::Menu) == tool.opens.isEmpty())
            bad(QStringLiteral("the tool \"%1\": only a menu tool opens a band, and it must").arg(tool.name));
        if (tool.state.shortcut.count() > 1)
            bad(QStringLiteral("the tool \"%1\" has more than one key combination").arg(tool.name));
        tools.insert(tool.name, &tool);
    }
    QHash<QString, const BandDef*> bands;
    int menuBars = 0;
    for (const BandDef& band : layout.bands) {
        if (!isValidName(band.name)) bad(QStringLiteral("\"%1\" is not a valid band name").arg(band.name));
        if (bands.contains(band.name)) bad(QStringLiteral("the band \"%1\" is defined twice").arg(band.name));
        bands.insert(band.name, &band);
        if (band.kind == BandKind::MenuBar && ++menuBars > 1)
            bad(QStringLiteral("there is more than one menu bar"));
        if (band.kind != BandKind::ToolBar && !band.pages.isEmpty())
            bad(QStringLiteral("the band \"%1\" has pages, but only toolbars have pages").arg(band.name));
        if (band.pages.size() > kMaxPages) bad(tooManyPages(band.name));
        const int pages = std::max<int>(1, band.pages.size());
        if (band.currentPage >= pages)
            bad(QStringLiteral("the band \"%1\" has no page %2").arg(band.name).arg(band.currentPage));
        QSet<QString> inBand;
        for (const ItemDef& item : band.items) {
            if (item.page >= pages)
                bad(QStringLiteral("the band \"%1\" has no page %2").arg(band.name).arg(item.page));
            if (item.tool.isEmpty()) continue;
            const ToolDef* tool = tools.value(item.tool);
            if (!tool) bad(QStringLiteral("the tool \"%1\" is not defined").arg(item.tool));
            if (inBand.contains(item.tool))
                bad(QStringLiteral("the tool \"%1\" stands twice in the band \"%2\"")
                        .arg(item.tool, band.name));
            inBand.insert(item.tool);
            if (tool->kind == ToolKind::ComboBox && band.kind != BandKind::ToolBar)
                bad(QStringLiteral("the combo box \"%1\" can stand only in a toolbar").arg(item.tool));
            if (item.state.shortcut.count() > 1)
                bad(QStringLiteral("the tool \"%1\" has more than one key combination").arg(item.tool));
        }
    }
    for (const ToolDef& tool : layout.tools) {
        if (tool.kind != ToolKind::Menu) continue;
        const BandDef* target = bands.value(tool.opens);
        if (!target || (target->kind != BandKind::Popup && target->kind != BandKind::SubMenu))
            bad(QStringLiteral("the menu tool \"%1\" opens \"%2\", which is no menu band")
                    .arg(tool.name, tool.opens));
    }
    checkMenuNesting(layout, tools, bands, bad);
}

}  // namespace toolbar
