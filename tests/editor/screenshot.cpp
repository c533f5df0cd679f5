// Pictures of the editor for the documentation: the main window with a sample image open at Eevee,
// and the About box. The program itself has no command line, so this drives it as a user would.
#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QListWidget>
#include <QPixmap>
#include <QTest>

#include "editor/aboutbox.h"
#include "editor/controller.h"
#include "editor/dialogs.h"
#include "editor/mainwindow.h"
#include "palettes.h"

namespace {

class PresetDialogs : public editor::Dialogs {
public:
    explicit PresetDialogs(QString name) : m_name(std::move(name)) {}
    QString openFileName(const QString&, const QString&) override { return m_name; }
    void message(const QString& title, const QString& text) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    }

private:
    QString m_name;
};

bool save(QWidget* window, const QString& path)
{
    QTest::qWait(200);  // let the first paint settle
    if (!window->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const bool dark = argc == 4 && std::strcmp(argv[3], "dark") == 0;
    if (argc != 3 && !dark) {
        std::fprintf(stderr, "usage: %s ROM.nds OUTPUT-DIRECTORY [dark]\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    const QString suffix = dark ? QStringLiteral("-dark.png") : QStringLiteral(".png");
    QApplication::setStyle(QStringLiteral("Fusion"));
    if (dark)
        QApplication::setPalette(editortest::darkPalette());

    editor::MainWindow window;
    PresetDialogs dialogs(QString::fromLocal8Bit(argv[1]));
    editor::Controller controller(window, dialogs, [] {});
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    window.openAction->trigger();
    window.speciesList->setCurrentRow(132);  // Eevee: seven slots, a stone in the first
    window.speciesList->scrollToItem(window.speciesList->currentItem(), QAbstractItemView::PositionAtCenter);
    if (!save(&window, out + QStringLiteral("/mainwindow") + suffix))
        return 1;

    window.aboutAction->trigger();
    editor::AboutBox* about = window.aboutBox();
    if (!about || !QTest::qWaitForWindowExposed(about) || !save(about, out + QStringLiteral("/about") + suffix))
        return 1;
    return 0;
}
