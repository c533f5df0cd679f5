// Linked only into the start-up benchmark's programs, never into the editor itself: when the first
// frame has been drawn it writes one byte to the pipe the benchmark named in QUORVANE_FIRST_FRAME_FD
// and ends the program.
#include <unistd.h>

#include <cstdlib>

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

namespace {

class FirstFrame final : public QObject {
public:
    explicit FirstFrame(int fd) : m_fd(fd) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_painted && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            m_painted = true;
            // Queued: it runs once the whole frame (children included) has been painted and sent.
            QMetaObject::invokeMethod(this, &FirstFrame::done, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void done()
    {
        // A round trip to the window system, so that the frame has been drawn there, not only sent.
        QGuiApplication::sync();
        const char byte = 1;
        if (::write(m_fd, &byte, 1) != 1)
            std::_Exit(3);
        ::close(m_fd);
        QCoreApplication::quit();
    }

    int m_fd;
    bool m_painted = false;
};

void watchFirstFrame()
{
    const char* fd = std::getenv("QUORVANE_FIRST_FRAME_FD");
    if (!fd)
        return;
    auto* watcher = new FirstFrame(std::atoi(fd));
    watcher->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(watcher);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(watchFirstFrame)
