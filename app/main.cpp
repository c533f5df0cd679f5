#include <QApplication>

#include "editor/controller.h"
#include "editor/dialogs.h"
#include "editor/mainwindow.h"
#include "rom/processhandlers.h"

int main(int argc, char* argv[])
{
    rom::ExitOnUncaughtException("quorvane");
    rom::IgnoreFileSizeSignal();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quorvane.Quorvane"));

    editor::MainWindow window;
    editor::Controller controller(window, *window.dialogs);
    window.show();
    return app.exec();
}
