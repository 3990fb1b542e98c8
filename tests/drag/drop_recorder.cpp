// A plain Qt window that takes any drop and writes down what came: the formats offered, the text,
// and each URL with a copy of the local file behind it. The real-drag test drops onto it.
// Usage: mrv-drop-recorder <record file> <folder for copies>

#include <QApplication>
#include <QDragEnterEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

namespace {

class Recorder : public QLabel {
public:
    Recorder(QString record, QString copies) : m_record(std::move(record)), m_copies(std::move(copies)) {
        setAcceptDrops(true);
        setAlignment(Qt::AlignCenter);
        setText(QStringLiteral("Drop here"));
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override {
        const QMimeData* data = event->mimeData();
        QStringList lines{QStringLiteral("formats: ") + data->formats().join(QLatin1Char(' '))};
        if (data->hasUrls()) {
            int n = 0;
            for (const QUrl& url : data->urls()) {
                lines << QStringLiteral("url: ") + url.toString();
                if (!url.isLocalFile()) continue;
                // The source may delete its file later: the bytes are kept as they arrived.
                QFile::copy(url.toLocalFile(), m_copies + QStringLiteral("/copy-%1").arg(++n));
            }
        } else if (data->hasText()) {
            lines << QStringLiteral("text: ") + data->text();
            QFile text(m_copies + QStringLiteral("/text"));
            if (text.open(QIODevice::WriteOnly)) text.write(data->text().toUtf8());
        }
        event->acceptProposedAction();
        QFile out(m_record);
        if (out.open(QIODevice::Append))
            out.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        setText(lines.join(QLatin1Char('\n')));
    }

private:
    QString m_record, m_copies;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) return 2;
    Recorder window(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    window.setWindowTitle(QStringLiteral("Drop Recorder"));
    window.resize(300, 300);
    window.move(960, 80);
    window.show();
    return app.exec();
}
