// rvdragsource FILE...: a small window "Drag Source" at the screen's top left corner, as a
// file manager would show one, from which the files are dragged as URLs with the real
// mouse: a press starts the drag. Ends 0 after the drop was taken, 1 when it was refused,
// and 2 when no drag began within 60 s.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace {

class DragSource : public QWidget {
public:
    explicit DragSource(QList<QUrl> urls) : m_urls(std::move(urls)) {
        setWindowTitle(QStringLiteral("Drag Source"));
        resize(120, 120);
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
        data->setUrls(m_urls);
        drag->setMimeData(data);
        const Qt::DropAction action = drag->exec(Qt::CopyAction);
        // The target fetches the data after the drop, from this process: stay a while.
        QTimer::singleShot(3000, [action] { QCoreApplication::exit(action == Qt::IgnoreAction); });
    }

private:
    QList<QUrl> m_urls;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QList<QUrl> urls;
    for (const QString& name : app.arguments().mid(1))
        urls << QUrl::fromLocalFile(name);
    DragSource source(urls);
    source.move(0, 0);
    source.show();
    QTimer::singleShot(60000, &app, [] { QCoreApplication::exit(2); });
    return app.exec();
}
