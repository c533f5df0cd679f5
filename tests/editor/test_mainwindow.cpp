#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QDirIterator>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QScopeGuard>
#include <QStyle>
#include <QTimer>

#include "editorfixture.h"

using namespace editortest;

namespace {

constexpr int pixels(int twips) { return (twips + 7) / 15; }

QString textOf(const QWidget* w)
{
    if (auto* button = qobject_cast<const QPushButton*>(w))
        return button->text();
    if (auto* label = qobject_cast<const QLabel*>(w))
        return label->text();
    if (auto* frame = qobject_cast<const QGroupBox*>(w))
        return frame->title();
    return QString();
}

QWidget* named(editor::MainWindow& window, const QString& name)
{
    return window.findChild<QWidget*>(name);
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
public:
    static void initMain() { useTemporaryHome(); }

private slots:
    void layout_data();
    void layout();
    void clientArea();
    void fonts_data();
    void fonts();
    void initialState();
    void menus();
    void icon();
    void tabOrder();
    void slotGroupKeys_data();
    void slotGroupKeys();
    void realDialogs();
    void openListsShowWholeRows_data();
    void openListsShowWholeRows();
};

void TestMainWindow::layout_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("accessibleName");

    const int slotButtonLefts[] = {165, 1350, 2520, 3705, 4890, 6060, 7245};
    for (int k = 1; k <= 7; ++k)
        QTest::addRow("slotButton%d", k) << "client" << QRect(slotButtonLefts[k - 1], 90, 1095, 495)
                                         << QString::number(k) << QStringLiteral("Slot %1").arg(k);
    QTest::newRow("yourRomLabel") << "client" << QRect(465, 660, 1500, 390) << "Your Rom :" << "Your Rom label";
    QTest::newRow("romNameLabel") << "client" << QRect(2025, 660, 4935, 495) << "" << "Your Rom";
    QTest::newRow("constantMarker") << "client" << QRect(3630, 6750, 1770, 390) << "" << "Constant parameter";
    QTest::newRow("speciesFrame") << "client" << QRect(5535, 1230, 4560, 6630) << "Pokemon List" << "Pokemon List";
    QTest::newRow("methodFrame") << "client" << QRect(1470, 1275, 3660, 870) << "Evol Type" << "Evol Type";
    QTest::newRow("levelFrame") << "client" << QRect(1470, 2220, 2655, 855) << "Level" << "Level";
    QTest::newRow("itemFrame") << "client" << QRect(1470, 3120, 2655, 855) << "Items" << "Items";
    QTest::newRow("speciesParameterFrame") << "client" << QRect(1470, 4020, 2655, 855) << "Pokemon" << "Pokemon";
    QTest::newRow("moveFrame") << "client" << QRect(1470, 4920, 2655, 855) << "Attack" << "Attack";
    QTest::newRow("targetFrame") << "client" << QRect(1470, 5820, 2655, 855) << "Evolution" << "Evolution";
    QTest::newRow("speciesList") << "speciesFrame" << QRect(225, 375, 4200, 6000) << "" << "Pokemon List";
    QTest::newRow("methodBox") << "methodFrame" << QRect(120, 345, 3450, 390) << "" << "Evol Type";
    QTest::newRow("levelBox") << "levelFrame" << QRect(135, 285, 2415, 390) << "" << "Level";
    QTest::newRow("itemBox") << "itemFrame" << QRect(105, 285, 2415, 390) << "" << "Items";
    QTest::newRow("speciesParameterBox") << "speciesParameterFrame" << QRect(135, 270, 2415, 390) << "" << "Pokemon";
    QTest::newRow("moveBox") << "moveFrame" << QRect(120, 300, 2415, 390) << "" << "Attack";
    QTest::newRow("targetBox") << "targetFrame" << QRect(120, 330, 2415, 390) << "" << "Evolution";
    QTest::newRow("supportedRomsFrame") << "client" << QRect(555, 6810, 4830, 1740) << "Supported Roms"
                                        << "Supported Roms";
    QTest::newRow("supportedGameLabelIREO") << "supportedRomsFrame" << QRect(525, 915, 3315, 315)
                                            << "Pokemon Black 2 (U) (IREO)" << "Pokemon Black 2 (U) (IREO)";
    QTest::newRow("supportedGameLabelIRBO") << "supportedRomsFrame" << QRect(525, 495, 3045, 360)
                                            << "Pokemon Black (E) (IRBO)" << "Pokemon Black (E) (IRBO)";
}

void TestMainWindow::layout()
{
    QFETCH(QString, container);
    QFETCH(QRect, twips);
    QFETCH(QString, text);
    QFETCH(QString, accessibleName);

    editor::MainWindow window;
    QWidget* w = named(window, QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(w);
    QCOMPARE(w->parentWidget()->objectName(), container);
    QCOMPARE(w->geometry(),
             QRect(pixels(twips.x()), pixels(twips.y()), pixels(twips.width()), pixels(twips.height())));
    QCOMPARE(textOf(w), text);
    QCOMPARE(w->accessibleName(), accessibleName);
    if (auto* label = qobject_cast<QLabel*>(w))
        QVERIFY(!label->autoFillBackground());
}

void TestMainWindow::clientArea()
{
    editor::MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.objectName(), QStringLiteral("mainWindow"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Quorvane"));
    QCOMPARE(window.centralWidget()->objectName(), QStringLiteral("client"));
    QCOMPARE(window.centralWidget()->size(), QSize(705, 575));
    QCOMPARE(window.centralWidget()->y(), window.menuBar()->height());
    QCOMPARE(window.size(), QSize(705, window.menuBar()->height() + 575));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY(window.findChild<QObject*>(QStringLiteral("dialogs")));

    for (const QLabel* notice : window.supportedGameLabels)
        QCOMPARE(notice->palette().color(QPalette::WindowText), QColor(255, 255, 255));
}

void TestMainWindow::fonts_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");

    QTest::newRow("slot buttons") << QStringList{"slotButton1", "slotButton2", "slotButton3", "slotButton4",
                                                 "slotButton5", "slotButton6", "slotButton7"}
                                  << "Palatino Linotype" << 9.75 << true << false;
    QTest::newRow("window font") << QStringList{"yourRomLabel",          "romNameLabel", "speciesFrame",
                                                "methodFrame",           "levelFrame",   "itemFrame",
                                                "speciesParameterFrame", "moveFrame",    "targetFrame",
                                                "supportedRomsFrame"}
                                 << "Palatino Linotype" << 12.0 << true << true;
    QTest::newRow("lists") << QStringList{"speciesList",         "methodBox", "levelBox", "itemBox",
                                          "speciesParameterBox", "moveBox",   "targetBox"}
                           << "Palatino Linotype" << 9.75 << true << true;
    QTest::newRow("marker") << QStringList{"constantMarker"} << "Palatino Linotype" << 18.0 << true << true;
    QTest::newRow("notices") << QStringList{"supportedGameLabelIRBO", "supportedGameLabelIREO"} << "Georgia" << 9.75
                             << true << false;
}

void TestMainWindow::fonts()
{
    QFETCH(QStringList, names);
    QFETCH(QString, family);
    QFETCH(double, points);
    QFETCH(bool, bold);
    QFETCH(bool, italic);

    editor::MainWindow window;
    for (const QString& name : names) {
        const QFont font = named(window, name)->font();
        QCOMPARE(font.families().value(0), family);
        QVERIFY2(font.families().contains(QStringLiteral("DejaVu Serif")), qPrintable(name));
        QCOMPARE(font.styleHint(), QFont::Serif);
        QCOMPARE(font.pointSizeF(), points);
        QCOMPARE(font.bold(), bold);
        QCOMPARE(font.italic(), italic);
    }
    // Menus keep the desktop's menu font.
    QCOMPARE(window.menuBar()->font(), QApplication::font(window.menuBar()));
}

void TestMainWindow::initialState()
{
    editor::MainWindow window;
    for (QWidget* w : std::initializer_list<QWidget*>{
             window.speciesList, window.methodBox, window.levelBox, window.itemBox, window.speciesParameterBox,
             window.moveBox, window.targetBox, window.slotButton(1), window.slotButton(2), window.slotButton(3),
             window.slotButton(4), window.slotButton(5), window.slotButton(6), window.slotButton(7)})
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(!window.saveAction->isEnabled());
    QVERIFY(window.openAction->isEnabled() && window.exitAction->isEnabled() && window.aboutAction->isEnabled());

    QVERIFY(window.slotButtons->exclusive());
    QCOMPARE(window.slotButtons->buttons().size(), 7);
    for (int k = 1; k <= 7; ++k) {
        QCOMPARE(window.slotButtons->id(window.slotButton(k)), k);
        QVERIFY(window.slotButton(k)->isCheckable());
    }
    QCOMPARE(window.slotButtons->checkedId(), -1);

    QCOMPARE(window.speciesList->currentRow(), -1);
    QVERIFY(window.speciesList->selectedItems().isEmpty());
    QCOMPARE(window.speciesList->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(!window.speciesList->isSortingEnabled());
    QCOMPARE(window.speciesList->count(), 649);
    const std::pair<QComboBox*, int> combos[] = {{window.methodBox, 28}, {window.levelBox, 101},
                                                 {window.itemBox, 627},  {window.speciesParameterBox, 650},
                                                 {window.moveBox, 560},  {window.targetBox, 650}};
    for (const auto& [combo, rows] : combos) {
        QCOMPARE(combo->count(), rows);
        QCOMPARE(combo->currentIndex(), -1);
        QVERIFY(!combo->isEditable());
        QVERIFY(!combo->isHidden());
    }
    QVERIFY(window.constantMarker->isHidden());
    QVERIFY(window.constantMarker->text().isEmpty());
    QVERIFY(window.romNameLabel->text().isEmpty());
}

void TestMainWindow::menus()
{
    editor::MainWindow window;
    const QList<QAction*> bar = window.menuBar()->actions();
    QCOMPARE(bar.size(), 2);
    QCOMPARE(bar[0], window.fileMenu->menuAction());
    QCOMPARE(window.fileMenu->objectName(), QStringLiteral("fileMenu"));
    QCOMPARE(window.fileMenu->title(), QStringLiteral("File"));
    QCOMPARE(bar[1], window.aboutAction);
    QCOMPARE(window.aboutAction->text(), QStringLiteral("About"));
    QVERIFY(!window.aboutAction->menu());

    QCOMPARE(window.fileMenu->actions(), QList<QAction*>({window.openAction, window.saveAction, window.exitAction}));
    const struct {
        QAction* action;
        const char* name;
        const char* text;
        QKeySequence shortcut;
    } items[] = {{window.openAction, "openAction", "Open", QKeySequence(Qt::CTRL | Qt::Key_O)},
                 {window.saveAction, "saveAction", "Save", QKeySequence(Qt::CTRL | Qt::Key_S)},
                 {window.exitAction, "exitAction", "Exit", QKeySequence()}};
    for (const auto& item : items) {
        QCOMPARE(item.action->objectName(), QLatin1String(item.name));
        QCOMPARE(item.action->text(), QLatin1String(item.text));
        QCOMPARE(item.action->shortcut(), item.shortcut);
        QVERIFY(!item.action->isSeparator() && !item.action->isCheckable());
    }
}

void TestMainWindow::icon()
{
    const QImage image(QStringLiteral(":/quorvane/quorvane.png"));
    QCOMPARE(image.size(), QSize(64, 64));
    QVERIFY(!image.hasAlphaChannel());
    QVERIFY(!image.allGray());
    editor::MainWindow window;
    QVERIFY(window.windowIcon().availableSizes().contains(QSize(64, 64)));
}

void TestMainWindow::tabOrder()
{
    QTemporaryDir dir;
    const QString path = makeImage(dir, "tab.nds", irbo(), {0, 4}, {4, 16, 2});
    Editor e;
    QVERIFY(e.showAndOpen(path));
    QTest::mouseClick(e.window.slotButton(4), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), e.window.slotButton(4));

    // The slot buttons are one stop, at the button that is on; hidden drop-downs are skipped.
    QStringList forward;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        forward.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(forward, QStringList({"speciesList", "methodBox", "levelBox", "targetBox", "slotButton4"}));

    QStringList backward;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        backward.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(backward, QStringList({"targetBox", "levelBox", "methodBox", "speciesList", "slotButton4"}));
}

void TestMainWindow::slotGroupKeys_data()
{
    QTest::addColumn<int>("on");
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("focused");
    QTest::addColumn<int>("nowOn");

    QTest::newRow("Tab from targetBox to the button on") << 1 << "targetBox" << int(Qt::Key_Tab) << "slotButton1" << 1;
    QTest::newRow("Tab from targetBox, slot 6 on") << 6 << "targetBox" << int(Qt::Key_Tab) << "slotButton6" << 6;
    QTest::newRow("Backtab from speciesList to the button on")
        << 2 << "speciesList" << int(Qt::Key_Backtab) << "slotButton2" << 2;
    QTest::newRow("Tab out of the group") << 3 << "slotButton3" << int(Qt::Key_Tab) << "speciesList" << 3;
    QTest::newRow("Backtab out of the group") << 7 << "slotButton7" << int(Qt::Key_Backtab) << "targetBox" << 7;
    QTest::newRow("Right") << 1 << "slotButton1" << int(Qt::Key_Right) << "slotButton2" << 2;
    QTest::newRow("Down") << 4 << "slotButton4" << int(Qt::Key_Down) << "slotButton5" << 5;
    QTest::newRow("Left") << 4 << "slotButton4" << int(Qt::Key_Left) << "slotButton3" << 3;
    QTest::newRow("Up") << 7 << "slotButton7" << int(Qt::Key_Up) << "slotButton6" << 6;
    QTest::newRow("Left at the first, no wrap") << 1 << "slotButton1" << int(Qt::Key_Left) << "slotButton1" << 1;
    QTest::newRow("Up at the first, no wrap") << 1 << "slotButton1" << int(Qt::Key_Up) << "slotButton1" << 1;
    QTest::newRow("Right at the last, no wrap") << 7 << "slotButton7" << int(Qt::Key_Right) << "slotButton7" << 7;
    QTest::newRow("Down at the last, no wrap") << 7 << "slotButton7" << int(Qt::Key_Down) << "slotButton7" << 7;
}

void TestMainWindow::slotGroupKeys()
{
    QFETCH(int, on);
    QFETCH(QString, from);
    QFETCH(int, key);
    QFETCH(QString, focused);
    QFETCH(int, nowOn);

    // Slot k levels up at 10 k, so the level shown tells which slot was loaded.
    QTemporaryDir dir;
    const QString path = makeImage(dir, "keys.nds", irbo());
    for (const rom::SlotAddress at : rom::SlotAddress::OfRow(0))
        putSlot(path, irbo(), at, {4, 10 * at.slot(), 2});
    Editor e;
    QVERIFY(e.showAndOpen(path));
    if (on != 1)  // Open turns slot 1 on
        QTest::mouseClick(e.window.slotButton(on), Qt::LeftButton);
    e.window.levelBox->setCurrentIndex(99);  // an edit on screen, kept unless another slot is loaded
    named(e.window, from)->setFocus(Qt::OtherFocusReason);
    QCOMPARE(QApplication::focusWidget()->objectName(), from);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key),
                    key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), focused);
    QCOMPARE(e.window.slotButtons->checkedId(), nowOn);
    QCOMPARE(e.window.levelBox->currentIndex(), nowOn == on ? 99 : 10 * nowOn);

    // A screen reader hears one choice among seven, and which one is on.
    for (int k = 1; k <= 7; ++k) {
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(e.window.slotButton(k));
        QVERIFY(button);
        QCOMPARE(button->role(), QAccessible::RadioButton);
        QCOMPARE(button->state().checked, k == nowOn);
    }
}

void TestMainWindow::realDialogs()
{
    // The window's own dialogs, answered as a user would: choose a file, then dismiss the message.
    QTemporaryDir dir;
    const QString path = dir.filePath("notarom.nds");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(64, 'x'));
    }
    editor::MainWindow window;
    int ended = 0;
    editor::Controller controller(window, *window.dialogs, [&] { ++ended; });
    window.show();

    QString dialogTitle;
    QStringList filters;
    bool qtsOwnDialog = false;  // a platform's dialog may keep a history of its own
    QString boxTitle;
    QString boxText;
    QList<QAbstractButton*> boxButtons;
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            dialogTitle = dialog->windowTitle();
            filters = dialog->nameFilters();
            qtsOwnDialog = dialog->testOption(QFileDialog::DontUseNativeDialog);
            auto* typed = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!typed) {
                dialog->reject();
                return;
            }
            typed->setText(path);
            static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, as the Open button does
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxTitle = box->windowTitle();
            boxText = box->text();
            boxButtons = box->buttons();
            box->button(QMessageBox::Ok)->click();
        }
    });
    answer.start(20);
    window.openAction->trigger();
    answer.stop();

    QCOMPARE(dialogTitle, QStringLiteral("Open Rom"));
    QCOMPARE(filters, QStringList{QStringLiteral("NDS Roms (*.NDS *)")});
    QVERIFY(qtsOwnDialog);
    QCOMPARE(boxTitle, QStringLiteral("Quorvane"));
    QCOMPARE(boxText, QStringLiteral("Unsupported Rom"));
    QCOMPARE(boxButtons.size(), 1);
    QCOMPARE(ended, 1);

    // The dialogs are gone and left nothing behind but caches: the program keeps no files of its own.
    const QString home = useTemporaryHome();
    QStringList written;
    for (QDirIterator it(home, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        if (const QString path = it.next(); !path.startsWith(home + QStringLiteral("/cache")))
            written.append(path);
    QCOMPARE(written, QStringList());
}

void TestMainWindow::openListsShowWholeRows_data()
{
    QTest::addColumn<QString>("style");
    QTest::addColumn<QString>("name");
    // Fusion opens the list as a menu; Windows drops a plain list below the control.
    for (const char* style : {"Fusion", "Windows"})
        for (const char* name : {"methodBox", "levelBox", "itemBox", "speciesParameterBox", "moveBox", "targetBox"})
            QTest::addRow("%s, %s", style, name) << style << name;
}

void TestMainWindow::openListsShowWholeRows()
{
    QFETCH(QString, style);
    QFETCH(QString, name);

    const QString before = QApplication::style()->name();
    QApplication::setStyle(style);
    const auto restore = qScopeGuard([&] { QApplication::setStyle(before); });
    editor::MainWindow window;
    auto* combo = qobject_cast<QComboBox*>(named(window, name));
    QVERIFY(combo);
    const QRect closed = combo->geometry();
    combo->setEnabled(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    combo->showPopup();
    QAbstractItemView* list = combo->view();
    QTRY_VERIFY(list->isVisible());
    // The open list is drawn in the drop-down's own font, however late it was built.
    QCOMPARE(list->font(), combo->font());
    QCOMPARE(list->font().pointSizeF(), 9.75);
    // Every row's text fits the open list beside the margins an item draws around it; the closed
    // drop-down keeps its layout width.
    int widest = 0;
    for (int r = 0; r < combo->count(); ++r)
        widest = std::max(widest, list->fontMetrics().horizontalAdvance(combo->itemText(r)));
    const int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    QVERIFY2(list->viewport()->width() >= widest + margins,
             qPrintable(QStringLiteral("%1 < %2 + %3").arg(list->viewport()->width()).arg(widest).arg(margins)));
    QCOMPARE(combo->geometry(), closed);
    combo->hidePopup();
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
