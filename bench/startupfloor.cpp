// The floors of the start-up benchmark: the least any window of the editor's design costs to show. A
// main window of the editor's size with its menu bar and, unless QUORVANE_BARE_WINDOW is defined, one
// label in each of the layout's fonts.
#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include "editor/mainwindow.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));

    QMainWindow window;
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("File"));
    file->addAction(QStringLiteral("Open"));
    file->addAction(QStringLiteral("Save"));
    file->addAction(QStringLiteral("Exit"));
    window.menuBar()->addAction(QStringLiteral("About"));
    auto* client = new QWidget;
    client->setFixedSize(editor::px(10575), editor::px(8625));
    window.setCentralWidget(client);
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);
#ifndef QUORVANE_BARE_WINDOW
    const QFont fonts[] = {editor::palatinoFont(12, true, true), editor::palatinoFont(9.75, true, true),
                           editor::palatinoFont(9.75, true, false), editor::palatinoFont(18, true, true),
                           editor::georgiaFont(9.75, true)};
    int top = 10;
    for (const QFont& font : fonts) {
        auto* label = new QLabel(QStringLiteral("Pokemon Black (E)"), client);
        label->setFont(font);
        label->setGeometry(10, top, 300, 40);
        top += 45;
    }
#endif
    window.show();
    return app.exec();
}
