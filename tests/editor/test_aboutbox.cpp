#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include "editor/aboutbox.h"
#include "editorfixture.h"

using namespace editortest;
using editor::AboutBox;

namespace {

constexpr int pixels(int twips) { return (twips + 7) / 15; }

QRect fromTwips(int left, int top, int width, int height)
{
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

AboutBox* openAbout(Editor& e)
{
    e.window.aboutAction->trigger();
    return e.window.aboutBox();
}

// As the window manager's close button does it.
void closeThroughFrame(QWidget* window)
{
    QCloseEvent event;
    QCoreApplication::sendEvent(window->windowHandle(), &event);
}

}  // namespace

class TestAboutBox : public QObject {
    Q_OBJECT
public:
    static void initMain() { useTemporaryHome(); }

private slots:
    void layout();
    void closing_data();
    void closing();
    void mainWindowIgnoresInput();
    void reopensAfresh();
    void closingMainWindow_data();
    void closingMainWindow();
};

void TestAboutBox::layout()
{
    Editor e;
    e.window.show();
    AboutBox* box = openAbout(e);
    QVERIFY(box);
    QVERIFY(QTest::qWaitForWindowExposed(box));

    QCOMPARE(box->objectName(), QStringLiteral("aboutBox"));
    QCOMPARE(box->windowTitle(), QStringLiteral("About"));
    QCOMPARE(box->size(), QSize(382, 237));
    QCOMPARE(box->minimumSize(), box->maximumSize());
    QVERIFY(!box->isModal());
    QCOMPARE(box->windowModality(), Qt::NonModal);
    QVERIFY(!box->parentWidget());
    // Still tied to the main window for the window system, which keeps it above that window.
    QVERIFY(box->windowHandle());
    QCOMPARE(box->windowHandle()->transientParent(), e.window.windowHandle());
    QVERIFY(box->autoFillBackground());
    QColor background = QApplication::palette().color(QPalette::Active, QPalette::HighlightedText);
    QCOMPARE(box->palette().color(QPalette::Window), background.isValid() ? background : QColor(Qt::white));

    QCOMPARE(box->okButton->objectName(), QStringLiteral("okButton"));
    QCOMPARE(box->okButton->text(), QStringLiteral("OK"));
    QCOMPARE(box->okButton->geometry(), fromTwips(1980, 2790, 1260, 345));
    QVERIFY(box->okButton->isDefault());
    QCOMPARE(box->okButton->font(), QApplication::font(box->okButton));
    QCOMPARE(QApplication::focusWidget(), box->okButton);

    // On the standard light scheme the background is white, and every label's text black.
    const struct {
        QLabel* label;
        const char* name;
        QString text;
        QRect geometry;
        QColor colour;
    } labels[] = {
        {box->creditLabel, "creditLabel", "Hack by Draskel", fromTwips(1740, 1935, 2235, 495), Qt::black},
        {box->versionLabel, "versionLabel", "Final Version", fromTwips(3750, 2760, 1545, 375), Qt::black},
        {box->noteLabel, "noteLabel", "I tested this App Many Times If you find any bug Please Report  me  ",
         fromTwips(780, 840, 4095, 915), Qt::black},
    };
    for (const auto& l : labels) {
        QCOMPARE(l.label->objectName(), QLatin1String(l.name));
        QCOMPARE(l.label->text(), l.text);
        QCOMPARE(l.label->geometry(), l.geometry);
        QCOMPARE(l.label->palette().color(QPalette::WindowText), l.colour);
        QVERIFY(!l.label->autoFillBackground());
        const QFont font = l.label->font();
        QCOMPARE(font.families().value(0), QStringLiteral("Palatino Linotype"));
        QCOMPARE(font.pointSizeF(), 12.0);
        QVERIFY(font.bold() && font.italic());
    }
    QVERIFY(box->noteLabel->wordWrap());
}

void TestAboutBox::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("OK clicked") << "click";
    QTest::newRow("Enter") << "enter";
    QTest::newRow("Esc") << "escape";
    QTest::newRow("window frame") << "frame";
}

void TestAboutBox::closing()
{
    QFETCH(QString, how);

    Editor e;
    QVERIFY(e.showActive());
    QPointer<AboutBox> box = openAbout(e);
    QVERIFY(box);
    QVERIFY(QTest::qWaitForWindowActive(box));
    QVERIFY(!e.window.isEnabled());
    QVERIFY(box->isEnabled());

    if (how == "click")
        QTest::mouseClick(box->okButton, Qt::LeftButton);
    else if (how == "enter")
        QTest::keyClick(box, Qt::Key_Return);
    else if (how == "escape")
        QTest::keyClick(box, Qt::Key_Escape);
    else
        closeThroughFrame(box);

    QVERIFY(!e.window.aboutBox() || e.window.aboutBox()->isHidden());
    QTRY_VERIFY(box.isNull());
    QVERIFY(e.window.isEnabled());
    QVERIFY(e.window.isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), &e.window);
    QCOMPARE(e.ended, 0);
}

void TestAboutBox::mainWindowIgnoresInput()
{
    QTemporaryDir dir;
    const QString path = makeImage(dir, "about.nds", irbo(), {0, 1}, {4, 16, 2});
    Editor e;
    QVERIFY(e.showAndOpen(path));
    e.window.levelBox->setCurrentIndex(20);
    const Snapshot before = snapshot(path, irbo());

    QPointer<AboutBox> box = openAbout(e);
    QVERIFY(QTest::qWaitForWindowActive(box));
    // Even with the main window made active again, nothing on it reacts.
    for (QWidget* target : {static_cast<QWidget*>(box.data()), static_cast<QWidget*>(&e.window)}) {
        QApplication::setActiveWindow(target);
        QTest::keyClick(target, Qt::Key_O, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_S, Qt::ControlModifier);
    }
    QTest::mouseClick(e.window.slotButton(3), Qt::LeftButton);
    QTest::mouseClick(e.window.menuBar(), Qt::LeftButton, {},
                      e.window.menuBar()->actionGeometry(e.window.fileMenu->menuAction()).center());

    QVERIFY(e.dialogs.asked.size() == 1);  // only the open before the About box
    QVERIFY(e.dialogs.messages.isEmpty());
    QCOMPARE(snapshot(path, irbo()), before);
    QCOMPARE(e.window.slotButtons->checkedButton(), e.window.slotButton(1));
    QVERIFY(!QApplication::activePopupWidget());

    // Closing the box changes nothing of the editing state.
    QTest::mouseClick(box->okButton, Qt::LeftButton);
    QTRY_VERIFY(box.isNull());
    QCOMPARE(e.controller.state().RomPath, path);
    QCOMPARE(e.window.levelBox->currentIndex(), 20);
    QCOMPARE(e.window.speciesList->currentRow(), 0);
    QVERIFY(e.window.saveAction->isEnabled());
}

void TestAboutBox::reopensAfresh()
{
    Editor e;
    e.window.show();
    QPointer<AboutBox> first = openAbout(e);
    const QString text = first->noteLabel->text();
    const QRect geometry = first->noteLabel->geometry();
    const QSize size = first->size();
    // Left over from the first box, which must not come back.
    first->noteLabel->setText(QStringLiteral("changed"));
    QTest::keyClick(first, Qt::Key_Escape);
    QTRY_VERIFY(first.isNull());

    AboutBox* second = openAbout(e);
    QVERIFY(second);
    QCOMPARE(second->noteLabel->text(), text);
    QCOMPARE(second->noteLabel->geometry(), geometry);
    QCOMPARE(second->size(), size);
    QCOMPARE(second->creditLabel->text(), QStringLiteral("Hack by Draskel"));
    QVERIFY(!e.window.isEnabled());
}

void TestAboutBox::closingMainWindow_data()
{
    QTest::addColumn<bool>("aboutOpen");
    QTest::addColumn<int>("ended");

    QTest::newRow("ends the program") << false << 1;
    QTest::newRow("ignored while the About box is open") << true << 0;
}

void TestAboutBox::closingMainWindow()
{
    QFETCH(bool, aboutOpen);
    QFETCH(int, ended);

    Editor e;
    e.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&e.window));
    QPointer<AboutBox> box = aboutOpen ? openAbout(e) : nullptr;
    closeThroughFrame(&e.window);  // the frame's close button, or the window system's Alt+F4
    QCOMPARE(e.ended, ended);
    QCOMPARE(e.window.isVisible(), aboutOpen);
    QCOMPARE(!box.isNull(), aboutOpen);
    if (aboutOpen) {
        QVERIFY(box->isVisible());
        QVERIFY(!e.window.isEnabled());
        QTest::mouseClick(box->okButton, Qt::LeftButton);
        QTRY_VERIFY(e.window.isEnabled());
    }
}

QTEST_MAIN(TestAboutBox)
#include "test_aboutbox.moc"
