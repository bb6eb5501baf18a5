// What a file manager is to a drag: a window that, pressed, drags the files named on its command line
// as file URLs. It prints the action the drop ended with ("copy", "move", "link", "none") and exits.
// On the way it prints "hovered" once the pointer is on it, "dragging" once the drag is over its own
// window and "action NAME" each time the window under the drag changes what it would do: a driver of
// the mouse knows when to go on.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

class CDragSource : public QWidget {
public:
    explicit CDragSource(QList<QUrl> urls) : m_urls(std::move(urls)) {
        setWindowTitle(QStringLiteral("drag-source"));
        resize(160, 120);
        setAcceptDrops(true);
    }

protected:
    void enterEvent(QEnterEvent*) override { Print("hovered"); }
    // Its own files are not dropped back onto it.
    void dragEnterEvent(QDragEnterEvent* e) override {
        Print("dragging");
        e->ignore();
    }

    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton)
            return;
        auto* drag = new QDrag(this);
        auto* mime = new QMimeData;
        mime->setUrls(m_urls);
        drag->setMimeData(mime);
        connect(drag, &QDrag::actionChanged, this,
                [](Qt::DropAction a) { Print("action " + QByteArray(ActionName(a))); });
        Print(ActionName(drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction)));
        QApplication::quit();
    }

private:
    static const char* ActionName(Qt::DropAction action) {
        return action == Qt::CopyAction   ? "copy"
               : action == Qt::MoveAction ? "move"
               : action == Qt::LinkAction ? "link"
                                          : "none";
    }
    static void Print(const QByteArray& line) {
        std::printf("%s\n", line.constData());
        std::fflush(stdout);
    }

    QList<QUrl> m_urls;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QList<QUrl> urls;
    for (int i = 1; i < argc; ++i)
        urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
    CDragSource window(urls);
    window.show();
    return QApplication::exec();
}
