// Drag and drop on the item list: items dragged out to any program (code as text, web shortcuts and
// stored files as files written when the target asks), and text, addresses, shortcut files, files and
// other documents' items dropped in.

#include "browser/MRVDocument.h"

#include "browser/document_p.h"
#include "browser/drag_data.h"
#include "editor/frmProcEdit.h"
#include "platform/controls.h"
#include "store/error_report.h"
#include "store/files.h"
#include "store/settings.h"
#include "store/startup.h"

#include <QDrag>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMouseEvent>
#include <QUrl>

namespace browser {

using namespace detail;

namespace {

const QString kTextCode = QStringLiteral("Text/Code");
const QString kWebSite = QStringLiteral("WebSite");
const QString kFile = QStringLiteral("File");
const QString kTextFormat = QStringLiteral("text/plain");
const QString kFilesFormat = QStringLiteral("text/uri-list");
const QString kMozUrlFormat = QStringLiteral("text/x-moz-url");
constexpr int kQuestion = ui::vbYesNo | ui::vbQuestion | kForeground;

bool isWebAddress(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// The web addresses a browser offers for a dragged link.
QStringList droppedAddresses(const QMimeData* data) {
    QStringList addresses;
    for (const QUrl& url : data->urls())
        if (isWebAddress(url)) addresses << url.toString();
    if (addresses.isEmpty() && data->hasFormat(kMozUrlFormat)) {
        // UTF-16: the address, a line break, the page's title.
        const QByteArray raw = data->data(kMozUrlFormat);
        const QString text =
            QString::fromUtf16(reinterpret_cast<const char16_t*>(raw.constData()), raw.size() / 2);
        const QUrl url(text.section(QLatin1Char('\n'), 0, 0).trimmed());
        if (isWebAddress(url)) addresses << url.toString();
    }
    return addresses;
}

bool hasLocalFiles(const QMimeData* data) {
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return true;
    return false;
}

QString sameFile(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(path).absoluteFilePath() : canonical;
}

// What a web shortcut's file is called: its description, or where it leads when it has none.
QString shortcutName(const QString& desc, const QString& address) {
    if (!desc.trimmed().isEmpty()) return desc;
    const QString host = QUrl::fromUserInput(address).host();
    return host.isEmpty() ? QStringLiteral("Web Shortcut") : host;
}

}  // namespace

// ---- The exchange record and the data object ---------------------------------------------------

void DragExchangeRecord::clearTexts() {
    DatabaseName.clear();
    Name.clear();
    Type.clear();
    Desc.clear();
    Code.clear();
    FilePath.clear();
}

QByteArray DragExchangeRecord::toJson() const {
    return QJsonDocument(QJsonObject{{"DatabaseName", DatabaseName},
                                     {"Name", Name},
                                     {"Type", Type},
                                     {"Desc", Desc},
                                     {"Code", Code},
                                     {"FilePath", FilePath}})
        .toJson(QJsonDocument::Compact);
}

DragExchangeRecord DragExchangeRecord::fromJson(const QByteArray& json) {
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    DragExchangeRecord r;
    r.DatabaseName = o.value("DatabaseName").toString();
    r.Name = o.value("Name").toString();
    r.Type = o.value("Type").toString();
    r.Desc = o.value("Desc").toString();
    r.Code = o.value("Code").toString();
    r.FilePath = o.value("FilePath").toString();
    return r;
}

DragExchangeRecord& DragExchange() {
    static DragExchangeRecord record;
    return record;
}

ItemMimeData::ItemMimeData(MRVDocument* source, qint64 procKey, const QString& type, const QString& label)
    : m_source(source), m_procKey(procKey), m_type(type), m_label(label) {}

QStringList ItemMimeData::formats() const {
    if (m_type == kTextCode) return {kTextFormat, kItemFormat};
    if (m_type == kWebSite || m_type == kFile) return {kFilesFormat, kItemFormat};
    return {};
}

bool ItemMimeData::hasFormat(const QString& format) const {
    return formats().contains(format);
}

void ItemMimeData::supply(const DragExchangeRecord& item, const QString& file) {
    m_item = item;
    m_file = file;
    m_ready = true;
}

QVariant ItemMimeData::retrieveData(const QString& format, QMetaType) const {
    if (!hasFormat(format)) return QVariant();
    if (m_supplied == 0) {
        ++m_supplied;
        if (m_source) m_source->lstvProcs_OLESetData(const_cast<ItemMimeData&>(*this));
    }
    if (!m_ready) return QVariant();  // the item could not be read or written: no data
    if (format == kItemFormat) return m_item.toJson();
    if (format == kTextFormat) return m_item.Code.toUtf8();
    if (m_file.isEmpty()) return QVariant();
    return QUrl::fromLocalFile(m_file).toEncoded() + "\r\n";
}

// ---- The drag out ------------------------------------------------------------------------------

ItemMimeData* MRVDocument::lstvProcs_OLEStartDrag() {
    // A category row carries a tree index, not an item's number: it never starts a drag.
    controls::ListItem* row = selectedItemRow();
    if (!row || !m_db || m_replacingLibrary) return nullptr;
    auto* data = new ItemMimeData(this, keyNumber(row->key()), row->tag(), row->text());
    if (data->formats().isEmpty()) {
        delete data;
        return nullptr;
    }
    DragExchangeRecord& exchange = DragExchange();
    exchange.clearTexts();  // nothing of an earlier drag's item passes for this one's
    exchange.DatabaseName = DBFileName();
    exchange.Name = row->text();
    m_dragSource = true;
    exchange.InProgress = true;
    m_dragType = row->tag();
    m_dragLabel = row->text();
    if (m_dragType == kFile) m_ideDrag.startFileDrag(this, [this] { ShowProperties(); });
    return data;
}

void MRVDocument::lstvProcs_OLESetData(ItemMimeData& data) {
    if (!m_db) return;
    try {
        DragExchangeRecord item;
        QString file;
        {
            auto rs = m_db->OpenRecordset(
                QStringLiteral("SELECT Type, Name, Desc, Code, File FROM [Procedure] Where ProcKey = ") +
                    QString::number(data.procKey()),
                engine::dbOpenSnapshot, engine::dbReadOnly);
            if (rs->eof())
                throw engine::Error(engine::errNoCurrentRecord, QStringLiteral("No current record."));
            item.Type = rs->Fields(QStringLiteral("Type")).text();
            item.Name = rs->Fields(QStringLiteral("Name")).text();
            item.Desc = rs->Fields(QStringLiteral("Desc")).text();
            item.Code = rs->Fields(QStringLiteral("Code")).text();
            item.DatabaseName = DBFileName();
            if (data.type() == kWebSite) {
                file = store::ExtractWebShortcut(item.Name, shortcutName(item.Desc, item.Name));
            } else if (data.type() == kFile) {
                file = store::ExtractStoredFile(rs->Fields(QStringLiteral("File")), item.Name);
            }
            rs->Close();
        }
        if (data.type() != kTextCode && file.isEmpty()) return;  // reported where it failed
        item.FilePath = file;
        DragExchangeRecord& exchange = DragExchange();
        const bool inProgress = exchange.InProgress;
        exchange = item;
        exchange.InProgress = inProgress;
        // A target in another program may ask after this document's drag has ended.
        if (m_dragSource) m_dragFilePath = file;
        if (data.type() == kFile) m_ideDrag.fileWritten(file);
        doEvents();
        data.supply(item, file);
    } catch (const engine::Error& err) {
        store::ReportError(err, QStringLiteral("MRVDocument.lstvProcs_OLESetData"), this);
    }
}

void MRVDocument::lstvProcs_OLECompleteDrag(Qt::DropAction effect) {
    m_dragSource = false;
    DragExchange().InProgress = false;
    if (m_dragType == kFile) {
        // A program that takes the file after the drag has ended has not had it written yet: its
        // name is the item's.
        const QString file = !m_dragFilePath.isEmpty()    ? m_dragFilePath
                             : effect != Qt::IgnoreAction ? m_dragLabel
                                                          : QString();
        if (!file.isEmpty()) m_ideDrag.completeFileDrag(this, file);
    }
    m_dragFilePath.clear();
    m_dragType.clear();
    m_dragLabel.clear();
}

void MRVDocument::runListDrag() {
    ItemMimeData* data = lstvProcs_OLEStartDrag();
    if (!data) return;
    auto* drag = new QDrag(lstvProcs);  // Qt deletes it once every target is done with it
    drag->setMimeData(data);
    if (controls::ListItem* row = lstvProcs->selectedItem())
        if (const auto icon = imgLargeIcons->find(row->icon())) drag->setPixmap(icon->pixmap(32, 32));
    const Qt::DropAction effect = drag->exec(Qt::CopyAction, Qt::CopyAction);
    lstvProcs_OLECompleteDrag(effect);
}

// ---- Drops on the list -------------------------------------------------------------------------

Qt::DropAction MRVDocument::lstvProcs_OLEDragOver(const QMimeData* data, Qt::DropActions possible) {
    if (m_categoryDragging || !data) return Qt::IgnoreAction;
    if (m_dragSource) {
        if (controls::ListItem* row = lstvProcs->selectedItem())
            StatusBar(QStringLiteral("Dragging '") + row->text() + QStringLiteral("' code..."));
        else
            m_dragSource = false;
        return Qt::IgnoreAction;
    }
    if (DragExchange().InProgress || data->hasFormat(kItemFormat)) {
        StatusBar(QStringLiteral("Drop Item from another Code Library?"));
        return Qt::CopyAction;
    }
    const Qt::DropAction link = possible.testFlag(Qt::LinkAction) ? Qt::LinkAction : Qt::CopyAction;
    if (hasLocalFiles(data)) {
        StatusBar(QStringLiteral("Drop New Web Shortcut?"));
        return Qt::CopyAction;
    }
    if (!droppedAddresses(data).isEmpty() || (data->hasText() && store::IsURL(data->text()))) {
        StatusBar(QStringLiteral("Drop New Web Shortcut?"));
        return link;
    }
    if (data->hasText()) {
        StatusBar(QStringLiteral("Drop New Procedure?"));
        return Qt::CopyAction;
    }
    return Qt::IgnoreAction;
}

Qt::DropAction MRVDocument::lstvProcs_OLEDragDrop(const QMimeData* data, Qt::DropAction effect) {
    controls::TreeNode* category = treCats->selectedItem();
    if (!data || !category || m_dragSource || m_categoryDragging || !m_db) {
        StatusBar(QStringLiteral("Ready..."));
        return Qt::IgnoreAction;
    }
    if (category->key() == kRootKey) {
        ui::MsgBox(QStringLiteral("You cannot add a code procedure to the 'Root' Category!") +
                       QStringLiteral("\r\n\r\n") + QStringLiteral("Select another Category, and try again."),
                   ui::vbOKOnly | ui::vbExclamation | kForeground, QStringLiteral("Error"));
        StatusBar(QStringLiteral("Error: Cannot drop code on the Root Category!"));
        return Qt::IgnoreAction;
    }
    if (!(effect & Qt::CopyAction) && effect != Qt::LinkAction) {
        StatusBar(QStringLiteral("Ready..."));
        return Qt::IgnoreAction;
    }

    const QStringList addresses = droppedAddresses(data);
    const QString statusBefore = StatusBar1->panel(2)->text();
    if (DragExchange().InProgress || data->hasFormat(kItemFormat)) {
        if (dropFromDocument(data) == Qt::IgnoreAction) return Qt::IgnoreAction;
    } else if (hasLocalFiles(data)) {
        doEvents();
        dropFiles(data->urls());
    } else if (!addresses.isEmpty() || effect == Qt::LinkAction ||
               (data->hasText() && store::IsURL(data->text().trimmed()))) {
        // A link, or text that is an address: a web shortcut.
        const QString address = addresses.isEmpty() ? data->text().trimmed() : addresses.first();
        if (store::DragDropPrompt(QStringLiteral("Add Web Shortcut?"), kQuestion,
                                  QStringLiteral("Drop Web Page?")) == ui::vbYes)
            openDroppedItem(kWebSite, address);
    } else if (data->hasText()) {
        if (store::DragDropPrompt(QStringLiteral("Add new Procedure?"), kQuestion,
                                  QStringLiteral("New Code?")) != ui::vbYes) {
            StatusBar(QStringLiteral("Ready..."));
        } else {
            StatusBar(QStringLiteral("Add New Procedure ..."));
            openDroppedItem(kTextCode, data->text());
        }
    } else {
        return Qt::IgnoreAction;
    }
    // The list shows what the drop added; the status keeps saying what the drop did.
    const QString said = StatusBar1->panel(2)->text();
    ProcRefresh();
    if (said != statusBefore) StatusBar(said.left(said.size() - 1));
    return effect & Qt::CopyAction ? Qt::CopyAction : effect;
}

Qt::DropAction MRVDocument::dropFromDocument(const QMimeData* data) {
    // In this process the shared record holds the name and library from the drag's start, and the
    // rest once the data is fetched; another process sends the whole record in a format of ours.
    const bool local = DragExchange().InProgress;
    DragExchangeRecord sent;
    if (!local) {
        sent = DragExchangeRecord::fromJson(data->data(kItemFormat));
        if (sent.Type.isEmpty()) {
            StatusBar(QStringLiteral("Drop Cancelled!"));
            return Qt::IgnoreAction;
        }
    }
    DragExchangeRecord& item = local ? DragExchange() : sent;
    if (sameFile(item.DatabaseName) == sameFile(DBFileName()) && ConfirmSameDatabase() != ui::vbYes) {
        StatusBar(QStringLiteral("Drop Cancelled!"));
        return Qt::IgnoreAction;
    }
    StatusBar(QStringLiteral("Add Item from another Code Library?"));
    if (store::DragDropPrompt(
            QStringLiteral("Drop Item '") + item.Name + QStringLiteral("' from another Instance ") +
                QStringLiteral("of the Morvane?"),
            kQuestion, QStringLiteral("Drop Item from another Code Library?")) != ui::vbYes) {
        item.clearTexts();
        StatusBar(QStringLiteral("Drop Cancelled!"));
        return Qt::IgnoreAction;
    }
    // Fetching the data makes a source in this process read the item into the record. What the item
    // is decides what is saved: another program's list of formats may offer text beside files.
    QString first;
    if (data->hasFormat(kFilesFormat)) {
        const QList<QUrl> urls = data->urls();
        if (!urls.isEmpty()) first = urls.first().toLocalFile();
    } else if (local) {
        data->data(kTextFormat);
    }
    if (item.Type == kFile) {
        // Only a file another document of ours wrote for the drag is taken from a sent record.
        const QString file =
            local ? first : (store::IsExtractedFile(item.FilePath) ? item.FilePath : QString());
        if (FileSave(CurrentCategoryKey(), file))
            StatusBar(QStringLiteral("Dropped File '") + file + QStringLiteral("' was Saved..."));
    } else if (!item.Type.isEmpty()) {
        ProcDropSave(item);
    }
    item.clearTexts();
    return Qt::CopyAction;
}

void MRVDocument::dropFiles(const QList<QUrl>& urls) {
    QString firstSaved;
    int saved = 0, failed = 0;
    const auto offerShortcut = [this](const QString& address) {
        doEvents();
        if (store::DragDropPrompt(QStringLiteral("Add Web Shortcut: \"") + address + QStringLiteral("\"?"),
                                  kQuestion, QStringLiteral("Drop Web Page?")) == ui::vbYes)
            openDroppedItem(kWebSite, address);
    };
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) {
            if (isWebAddress(url)) offerShortcut(url.toString());
            continue;
        }
        const QString file = url.toLocalFile();
        const QString lower = file.toLower();
        if (lower.endsWith(QLatin1String(".url"))) {
            // A shortcut file without an address is passed over.
            const QString address = store::ReadWebShortcut(file);
            if (store::IsURL(address)) offerShortcut(address);
            continue;
        }
        if (lower.endsWith(QLatin1String(".desktop"))) {
            const QString address = store::ReadDesktopLink(file);
            if (store::IsURL(address)) offerShortcut(address);
            if (!address.isEmpty()) continue;  // a link elsewhere than the web
        }
        if (store::DragDropPrompt(QStringLiteral("    Add File?"), kQuestion,
                                  QStringLiteral("Drop new File?")) != ui::vbYes)
            continue;
        // Only what was stored is counted; a file that could not be was reported by FileSave.
        if (!FileSave(CurrentCategoryKey(), file)) {
            ++failed;
            continue;
        }
        if (++saved == 1) firstSaved = file;
    }
    QString status;
    if (saved == 1) status = QStringLiteral("Dropped File '") + firstSaved + QStringLiteral("' was Saved...");
    if (saved > 1)
        status = QStringLiteral("Dropped ") + QString::number(saved) + QStringLiteral(" Files were Saved...");
    if (failed > 0)
        status += (status.isEmpty() ? QString() : QStringLiteral("  ")) + QStringLiteral("Error: ") +
                  QString::number(failed) +
                  (failed == 1 ? QStringLiteral(" File was") : QStringLiteral(" Files were")) +
                  QStringLiteral(" not Saved!");
    if (!status.isEmpty()) StatusBar(status);
}

void MRVDocument::openDroppedItem(const QString& codeType, const QString& code) {
    // The user completes and saves the item in the editor; the drop itself writes nothing.
    openEditor(0, codeType, code);
    store::PlayEventSound(store::sndRestoreDown);
}

bool MRVDocument::ProcDropSave(const DragExchangeRecord& item) {
    const bool saved =
        SaveProcedure(0, CurrentCategoryKey(), item.Type, item.Name, item.Desc, item.Code, item.FilePath);
    if (saved) StatusBar(QStringLiteral("Dropped Procedure was Saved..."));
    return saved;
}

int MRVDocument::ConfirmSameDatabase() {
    return ui::MsgBox(QStringLiteral("You are attempting to Drop an Item from 'another ") +
                          QStringLiteral("instance' of the Morvane.  ") +
                          QStringLiteral("Both Code Libraries have the 'SAME' Database ") +
                          QStringLiteral("opened:") + LF + LF + DBFileName() + LF + LF +
                          QStringLiteral("Are you sure you want to continue, ") +
                          QStringLiteral("and Drag this Item from 'this' Database and to ") +
                          QStringLiteral("this, SAME Database?"),
                      ui::vbYesNo | ui::vbExclamation | ui::vbDefaultButton2 | kForeground,
                      QStringLiteral("Drag and Drop to the SAME Database?"));
}

// ---- The list's views as drag source and drop target -------------------------------------------

void answerDrop(QDropEvent* event, Qt::DropAction effect) {
    if (effect == Qt::IgnoreAction) {
        event->ignore();
    } else {
        event->setDropAction(effect);
        event->accept();
    }
}

bool MRVDocument::listDragEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
            // Always taken in, so that the moves that follow keep the status in step with the mouse.
            event->accept();
            return true;
        case QEvent::DragMove: {
            auto* move = static_cast<QDragMoveEvent*>(event);
            const Qt::DropAction effect = lstvProcs_OLEDragOver(move->mimeData(), move->possibleActions());
            answerDrop(move, effect);
            return true;
        }
        case QEvent::DragLeave:
            return true;
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const Qt::DropAction effect = lstvProcs_OLEDragDrop(drop->mimeData(), drop->dropAction());
            answerDrop(drop, effect);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace browser
