// Save never writes over a slot someone else changed since it was shown, reads notice a file that is
// no longer the game it was opened as, and a save that could not be undone says which bytes are at risk.
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "editorfixture.h"

using namespace editortest;

namespace {

QString lastMessage(const Editor& e)
{
    return e.dialogs.messages.isEmpty() ? QString() : e.dialogs.messages.last().text;
}

}  // namespace

class TestSaveSafety : public QObject {
    Q_OBJECT

public:
    static void initMain() { useTemporaryHome(); }

private slots:
    void slotChangedByAnotherProgramIsReloadedNotOverwritten();
    void fileTurnedIntoAnotherGameIsNoticedOnRead();
    void undoThatFailsNamesTheBytesAtRisk();
    void nameWithoutAFileSystemEncodingIsReported();

private:
    QTemporaryDir m_dir;
};

void TestSaveSafety::slotChangedByAnotherProgramIsReloadedNotOverwritten()
{
    const QString path = makeImage(m_dir, "shared.nds", irbo(), {0, 1}, {4, 16, 2});
    Editor e;
    QVERIFY(e.showAndOpen(path));
    e.window.levelBox->setCurrentIndex(20);

    // Another program saves the same slot while the window shows the old one.
    putSlot(path, irbo(), {0, 1}, {8, 83, 26});
    const Snapshot theirs = snapshot(path, irbo());
    pressSave(e);
    QCOMPARE(e.dialogs.messages.size(), 1);
    QVERIFY2(lastMessage(e).contains(QStringLiteral("changed by another program")), qPrintable(lastMessage(e)));
    QCOMPARE(snapshot(path, irbo()), theirs);
    // Reloaded: the window now shows their values, and saving over them is what the user chose to do.
    QCOMPARE(e.window.methodBox->currentIndex(), 8);
    QCOMPARE(e.window.itemBox->currentIndex(), 83);
    QCOMPARE(e.window.targetBox->currentIndex(), 26);

    e.window.itemBox->setCurrentIndex(84);
    pressSave(e);
    e.window.targetBox->setCurrentIndex(27);
    pressSave(e);  // the second save compares with what the first one wrote
    QCOMPARE(e.dialogs.messages.size(), 1);
    const Snapshot saved = snapshot(path, irbo());
    QCOMPARE(wordAt(saved, irbo(), slotStart(irbo(), {0, 1}) + 2), 84);
    QCOMPARE(wordAt(saved, irbo(), slotStart(irbo(), {0, 1}) + 4), 27);
}

void TestSaveSafety::fileTurnedIntoAnotherGameIsNoticedOnRead()
{
    const QString path = makeImage(m_dir, "replaced.nds", ireo(), {0, 1}, {4, 16, 2});
    putSlot(path, ireo(), {3, 1}, {8, 83, 26});
    Editor e;
    QVERIFY(e.showAndOpen(path));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(12) && file.write("IRBO") == 4);
    file.close();
    e.window.speciesList->setCurrentRow(3);
    QCOMPARE(e.dialogs.messages.size(), 1);
    QVERIFY2(lastMessage(e).contains(QStringLiteral("game code has changed")), qPrintable(lastMessage(e)));
    QCOMPARE(e.window.methodBox->currentIndex(), 4);  // still what it showed, not values from the wrong offsets

    const QByteArray before = wholeFile(path);
    pressSave(e);
    QCOMPARE(e.dialogs.messages.size(), 2);
    QVERIFY(lastMessage(e).contains(QStringLiteral("Nothing was saved")));
    QCOMPARE(wholeFile(path), before);
}

void TestSaveSafety::undoThatFailsNamesTheBytesAtRisk()
{
    const QString path = makeImage(m_dir, "failing.nds", irbo(), {5, 2}, {4, 16, 2});
    FaultyFileSystem files;
    Editor e(files);
    QVERIFY(e.showAndOpen(path));
    e.window.speciesList->setCurrentRow(5);
    QTest::mouseClick(e.window.slotButton(2), Qt::LeftButton);
    e.window.levelBox->setCurrentIndex(30);

    files.writeFault.after = files.writeFault.seen;  // this write and the undo both fail part-way
    files.shortWriteBytes = 3;
    pressSave(e);
    const std::uint64_t at = slotStart(irbo(), {5, 2});
    QCOMPARE(e.dialogs.messages.size(), 1);
    QVERIFY2(lastMessage(e).contains(QStringLiteral("bytes %1 to %2").arg(at).arg(at + 2)), qPrintable(lastMessage(e)));

    // What the slot holds is unknown now: nothing is saved over it until it has been read again.
    files.writeFault.after = -1;
    pressSave(e);
    QCOMPARE(e.dialogs.messages.size(), 2);
    QVERIFY2(lastMessage(e).contains(QStringLiteral("Select the slot again")), qPrintable(lastMessage(e)));
}

void TestSaveSafety::nameWithoutAFileSystemEncodingIsReported()
{
    Editor e;
    // A lone surrogate has no encoding as a file name; converting it must not throw or name another file.
    const QString name = m_dir.filePath(QStringLiteral("rom")) + QChar(0xD800) + QStringLiteral(".nds");
    e.open(name);
    QCOMPARE(e.dialogs.messages.size(), 1);
    QVERIFY2(lastMessage(e).contains(QStringLiteral("file-name encoding")), qPrintable(lastMessage(e)));
    QCOMPARE(e.ended, 0);
    QVERIFY(e.controller.state().RomPath.isEmpty());
}

QTEST_MAIN(TestSaveSafety)
#include "test_savesafety.moc"
