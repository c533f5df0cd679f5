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

QWidget* named(editor::Form1& form, const QString& name)
{
    return form.findChild<QWidget*>(name);
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

    const int optionLefts[] = {165, 1350, 2520, 3705, 4890, 6060, 7245};
    for (int k = 1; k <= 7; ++k)
        QTest::addRow("Option%d", k) << "client" << QRect(optionLefts[k - 1], 90, 1095, 495) << QString::number(k)
                                     << QStringLiteral("Slot %1").arg(k);
    QTest::newRow("Label2") << "client" << QRect(465, 660, 1500, 390) << "Your Rom :" << "Your Rom label";
    QTest::newRow("romname") << "client" << QRect(2025, 660, 4935, 495) << "" << "Your Rom";
    QTest::newRow("Label13") << "client" << QRect(3630, 6750, 1770, 390) << "" << "Constant parameter";
    QTest::newRow("Frame1") << "client" << QRect(5535, 1230, 4560, 6630) << "Pokemon List" << "Pokemon List";
    QTest::newRow("Frame2") << "client" << QRect(1470, 1275, 3660, 870) << "Evol Type" << "Evol Type";
    QTest::newRow("Frame3") << "client" << QRect(1470, 2220, 2655, 855) << "Level" << "Level";
    QTest::newRow("Frame4") << "client" << QRect(1470, 3120, 2655, 855) << "Items" << "Items";
    QTest::newRow("Frame5") << "client" << QRect(1470, 4020, 2655, 855) << "Pokemon" << "Pokemon";
    QTest::newRow("Frame6") << "client" << QRect(1470, 4920, 2655, 855) << "Attack" << "Attack";
    QTest::newRow("Frame7") << "client" << QRect(1470, 5820, 2655, 855) << "Evolution" << "Evolution";
    QTest::newRow("Frame8") << "client" << QRect(555, 6810, 4830, 1740) << "Supported Roms" << "Supported Roms";
    QTest::newRow("atklist") << "Frame1" << QRect(225, 375, 4200, 6000) << "" << "Pokemon List";
    QTest::newRow("Combo1") << "Frame2" << QRect(120, 345, 3450, 390) << "" << "Evol Type";
    QTest::newRow("Combo2") << "Frame3" << QRect(135, 285, 2415, 390) << "" << "Level";
    QTest::newRow("Combo3") << "Frame4" << QRect(105, 285, 2415, 390) << "" << "Items";
    QTest::newRow("Combo4") << "Frame5" << QRect(135, 270, 2415, 390) << "" << "Pokemon";
    QTest::newRow("Combo5") << "Frame6" << QRect(120, 300, 2415, 390) << "" << "Attack";
    QTest::newRow("Combo6") << "Frame7" << QRect(120, 330, 2415, 390) << "" << "Evolution";
    QTest::newRow("Label11") << "Frame8" << QRect(525, 915, 3315, 315) << "Pokemon Black 2 (U) (IREO)"
                             << "Pokemon Black 2 (U) (IREO)";
    QTest::newRow("Label9") << "Frame8" << QRect(525, 495, 3045, 360) << "Pokemon Black (E) (IRBO)"
                            << "Pokemon Black (E) (IRBO)";
}

void TestMainWindow::layout()
{
    QFETCH(QString, container);
    QFETCH(QRect, twips);
    QFETCH(QString, text);
    QFETCH(QString, accessibleName);

    editor::Form1 form;
    QWidget* w = named(form, QString::fromLatin1(QTest::currentDataTag()));
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
    editor::Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QCOMPARE(form.objectName(), QStringLiteral("Form1"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Quorvane"));
    QCOMPARE(form.centralWidget()->objectName(), QStringLiteral("client"));
    QCOMPARE(form.centralWidget()->size(), QSize(705, 575));
    QCOMPARE(form.centralWidget()->y(), form.menuBar()->height());
    QCOMPARE(form.size(), QSize(705, form.menuBar()->height() + 575));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(form.findChild<QObject*>(QStringLiteral("CommonDialog1")));

    for (const QLabel* notice : {form.Label9, form.Label11})
        QCOMPARE(notice->palette().color(QPalette::WindowText), QColor(255, 255, 255));
}

void TestMainWindow::fonts_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");

    QTest::newRow("slot buttons") << QStringList{"Option1", "Option2", "Option3", "Option4", "Option5", "Option6",
                                                 "Option7"}
                                  << "Palatino Linotype" << 9.75 << true << false;
    QTest::newRow("window font") << QStringList{"Label2", "romname", "Frame1", "Frame2", "Frame3", "Frame4", "Frame5",
                                                "Frame6", "Frame7", "Frame8"}
                                 << "Palatino Linotype" << 12.0 << true << true;
    QTest::newRow("lists") << QStringList{"atklist", "Combo1", "Combo2", "Combo3", "Combo4", "Combo5", "Combo6"}
                           << "Palatino Linotype" << 9.75 << true << true;
    QTest::newRow("marker") << QStringList{"Label13"} << "Palatino Linotype" << 18.0 << true << true;
    QTest::newRow("notices") << QStringList{"Label9", "Label11"} << "Georgia" << 9.75 << true << false;
}

void TestMainWindow::fonts()
{
    QFETCH(QStringList, names);
    QFETCH(QString, family);
    QFETCH(double, points);
    QFETCH(bool, bold);
    QFETCH(bool, italic);

    editor::Form1 form;
    for (const QString& name : names) {
        const QFont font = named(form, name)->font();
        QCOMPARE(font.families().value(0), family);
        QVERIFY2(font.families().contains(QStringLiteral("DejaVu Serif")), qPrintable(name));
        QCOMPARE(font.styleHint(), QFont::Serif);
        QCOMPARE(font.pointSizeF(), points);
        QCOMPARE(font.bold(), bold);
        QCOMPARE(font.italic(), italic);
    }
    // Menus keep the desktop's menu font.
    QCOMPARE(form.menuBar()->font(), QApplication::font(form.menuBar()));
}

void TestMainWindow::initialState()
{
    editor::Form1 form;
    for (QWidget* w : std::initializer_list<QWidget*>{form.atklist, form.Combo1, form.Combo2, form.Combo3, form.Combo4,
                                                      form.Combo5, form.Combo6, form.Option1, form.Option2,
                                                      form.Option3, form.Option4, form.Option5, form.Option6,
                                                      form.Option7})
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(!form.save->isEnabled());
    QVERIFY(form.Open1->isEnabled() && form.Exit1->isEnabled() && form.About1->isEnabled());

    QVERIFY(form.slotButtons->exclusive());
    QCOMPARE(form.slotButtons->buttons().size(), 7);
    for (int k = 1; k <= 7; ++k) {
        QCOMPARE(form.slotButtons->id(form.option(k)), k);
        QVERIFY(form.option(k)->isCheckable());
    }
    QCOMPARE(form.slotButtons->checkedId(), -1);

    QCOMPARE(form.atklist->currentRow(), -1);
    QVERIFY(form.atklist->selectedItems().isEmpty());
    QCOMPARE(form.atklist->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(!form.atklist->isSortingEnabled());
    QCOMPARE(form.atklist->count(), 649);
    const std::pair<QComboBox*, int> combos[] = {{form.Combo1, 28},  {form.Combo2, 101}, {form.Combo3, 627},
                                                 {form.Combo4, 650}, {form.Combo5, 560}, {form.Combo6, 650}};
    for (const auto& [combo, rows] : combos) {
        QCOMPARE(combo->count(), rows);
        QCOMPARE(combo->currentIndex(), -1);
        QVERIFY(!combo->isEditable());
        QVERIFY(!combo->isHidden());
    }
    QVERIFY(form.Label13->isHidden());
    QVERIFY(form.Label13->text().isEmpty());
    QVERIFY(form.romname->text().isEmpty());
}

void TestMainWindow::menus()
{
    editor::Form1 form;
    const QList<QAction*> bar = form.menuBar()->actions();
    QCOMPARE(bar.size(), 2);
    QCOMPARE(bar[0], form.File1->menuAction());
    QCOMPARE(form.File1->objectName(), QStringLiteral("File1"));
    QCOMPARE(form.File1->title(), QStringLiteral("File"));
    QCOMPARE(bar[1], form.About1);
    QCOMPARE(form.About1->text(), QStringLiteral("About"));
    QVERIFY(!form.About1->menu());

    QCOMPARE(form.File1->actions(), QList<QAction*>({form.Open1, form.save, form.Exit1}));
    const struct {
        QAction* action;
        const char* name;
        const char* text;
        QKeySequence shortcut;
    } items[] = {{form.Open1, "Open1", "Open", QKeySequence(Qt::CTRL | Qt::Key_O)},
                 {form.save, "save", "Save", QKeySequence(Qt::CTRL | Qt::Key_S)},
                 {form.Exit1, "Exit1", "Exit", QKeySequence()}};
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
    editor::Form1 form;
    QVERIFY(form.windowIcon().availableSizes().contains(QSize(64, 64)));
}

void TestMainWindow::tabOrder()
{
    QTemporaryDir dir;
    const QString path = makeImage(dir, "tab.nds", irbo(), {0, 4}, {4, 16, 2});
    Editor e;
    QVERIFY(e.showAndOpen(path));
    QTest::mouseClick(e.form.Option4, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), e.form.Option4);

    // The slot buttons are one stop, at the button that is on; hidden drop-downs are skipped.
    QStringList forward;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        forward.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(forward, QStringList({"atklist", "Combo1", "Combo2", "Combo6", "Option4"}));

    QStringList backward;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        backward.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(backward, QStringList({"Combo6", "Combo2", "Combo1", "atklist", "Option4"}));
}

void TestMainWindow::slotGroupKeys_data()
{
    QTest::addColumn<int>("on");
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("focused");
    QTest::addColumn<int>("nowOn");

    QTest::newRow("Tab from Combo6 to the button on") << 1 << "Combo6" << int(Qt::Key_Tab) << "Option1" << 1;
    QTest::newRow("Tab from Combo6, slot 6 on") << 6 << "Combo6" << int(Qt::Key_Tab) << "Option6" << 6;
    QTest::newRow("Backtab from atklist to the button on") << 2 << "atklist" << int(Qt::Key_Backtab) << "Option2"
                                                           << 2;
    QTest::newRow("Tab out of the group") << 3 << "Option3" << int(Qt::Key_Tab) << "atklist" << 3;
    QTest::newRow("Backtab out of the group") << 7 << "Option7" << int(Qt::Key_Backtab) << "Combo6" << 7;
    QTest::newRow("Right") << 1 << "Option1" << int(Qt::Key_Right) << "Option2" << 2;
    QTest::newRow("Down") << 4 << "Option4" << int(Qt::Key_Down) << "Option5" << 5;
    QTest::newRow("Left") << 4 << "Option4" << int(Qt::Key_Left) << "Option3" << 3;
    QTest::newRow("Up") << 7 << "Option7" << int(Qt::Key_Up) << "Option6" << 6;
    QTest::newRow("Left at the first, no wrap") << 1 << "Option1" << int(Qt::Key_Left) << "Option1" << 1;
    QTest::newRow("Up at the first, no wrap") << 1 << "Option1" << int(Qt::Key_Up) << "Option1" << 1;
    QTest::newRow("Right at the last, no wrap") << 7 << "Option7" << int(Qt::Key_Right) << "Option7" << 7;
    QTest::newRow("Down at the last, no wrap") << 7 << "Option7" << int(Qt::Key_Down) << "Option7" << 7;
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
        QTest::mouseClick(e.form.option(on), Qt::LeftButton);
    e.form.Combo2->setCurrentIndex(99);  // an edit on screen, kept unless another slot is loaded
    named(e.form, from)->setFocus(Qt::OtherFocusReason);
    QCOMPARE(QApplication::focusWidget()->objectName(), from);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key),
                    key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), focused);
    QCOMPARE(e.form.slotButtons->checkedId(), nowOn);
    QCOMPARE(e.form.Combo2->currentIndex(), nowOn == on ? 99 : 10 * nowOn);

    // A screen reader hears one choice among seven, and which one is on.
    for (int k = 1; k <= 7; ++k) {
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(e.form.option(k));
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
    editor::Form1 form;
    int ended = 0;
    editor::Controller controller(form, *form.CommonDialog1, [&] { ++ended; });
    form.show();

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
    form.Open1->trigger();
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
        for (const char* name : {"Combo1", "Combo2", "Combo3", "Combo4", "Combo5", "Combo6"})
            QTest::addRow("%s, %s", style, name) << style << name;
}

void TestMainWindow::openListsShowWholeRows()
{
    QFETCH(QString, style);
    QFETCH(QString, name);

    const QString before = QApplication::style()->name();
    QApplication::setStyle(style);
    const auto restore = qScopeGuard([&] { QApplication::setStyle(before); });
    editor::Form1 form;
    auto* combo = qobject_cast<QComboBox*>(named(form, name));
    QVERIFY(combo);
    const QRect closed = combo->geometry();
    combo->setEnabled(true);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

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
