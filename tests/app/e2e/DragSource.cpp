// What a file manager is to a drag: a window that, pressed, drags the files named on its command line
// as file URLs. It prints the action the drop ended with ("copy", "move", "link", "none") and exits.
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
    }

protected:
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton)
            return;
        auto* drag = new QDrag(this);
        auto* mime = new QMimeData;
        mime->setUrls(m_urls);
        drag->setMimeData(mime);
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
        const char* name = action == Qt::CopyAction   ? "copy"
                           : action == Qt::MoveAction ? "move"
                           : action == Qt::LinkAction ? "link"
                                                      : "none";
        std::printf("%s\n", name);
        std::fflush(stdout);
        QApplication::quit();
    }

private:
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
