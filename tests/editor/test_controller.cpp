#include <algorithm>

#include <QButtonGroup>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "editorfixture.h"

using namespace editortest;

namespace {

QString caption(const rom::SupportedGame& game)
{
    return QString::fromLatin1(game.caption.data(), qsizetype(game.caption.size()));
}

void pressOpen(Editor& e, const QString& answer)
{
    e.dialogs.answers.append(answer);
    QTest::keyClick(&e.window, Qt::Key_O, Qt::ControlModifier);
}

// What the user sees of a slot, by control.
QStringList shownControls(const editor::MainWindow& window)
{
    QStringList shown;
    for (const QWidget* w :
         std::initializer_list<const QWidget*>{window.levelBox, window.itemBox, window.speciesParameterBox,
                                               window.moveBox, window.targetBox, window.constantMarker})
        if (!w->isHidden())
            shown.append(w->objectName());
    return shown;
}

QComboBox* shownParameterSelector(const editor::MainWindow& window)
{
    for (QComboBox* combo : {window.levelBox, window.itemBox, window.speciesParameterBox, window.moveBox})
        if (!combo->isHidden())
            return combo;
    return nullptr;
}

// "Name=placeholder" for every shown drop-down that has no row selected.
QStringList placeholders(const editor::MainWindow& window)
{
    QStringList found;
    for (const QComboBox* combo : {window.methodBox, window.levelBox, window.itemBox, window.speciesParameterBox,
                                   window.moveBox, window.targetBox})
        if (!combo->isHidden() && combo->currentIndex() < 0)
            found.append(combo->objectName() + u'=' + combo->placeholderText());
    return found;
}

bool allEnabled(const editor::MainWindow& window)
{
    bool enabled = window.speciesList->isEnabled() && window.saveAction->isEnabled();
    for (const QComboBox* combo : {window.methodBox, window.levelBox, window.itemBox, window.speciesParameterBox,
                                   window.moveBox, window.targetBox})
        enabled = enabled && combo->isEnabled();
    for (int slot = 1; slot <= 7; ++slot)
        enabled = enabled && window.slotButton(slot)->isEnabled();
    return enabled;
}

bool noneEnabled(const editor::MainWindow& window)
{
    bool any = window.speciesList->isEnabled() || window.saveAction->isEnabled();
    for (const QComboBox* combo : {window.methodBox, window.levelBox, window.itemBox, window.speciesParameterBox,
                                   window.moveBox, window.targetBox})
        any = any || combo->isEnabled();
    for (int slot = 1; slot <= 7; ++slot)
        any = any || window.slotButton(slot)->isEnabled();
    return !any;
}

}  // namespace

class TestController : public QObject {
    Q_OBJECT
public:
    static void initMain() { useTemporaryHome(); }

private slots:
    void firstOpen_data();
    void firstOpen();
    void load_data();
    void load();
    void methodChange_data();
    void methodChange();
    void save_data();
    void save();
    void editsAreDiscardedBySelection();
    void nothingWorksBeforeOpen();
    void cancelKeepsPreviousRom();
    void secondRomReplacesFirst();
    void unsupported_data();
    void unsupported();
    void openFailures_data();
    void openFailures();
    void saveFailures_data();
    void saveFailures();
    void failedReadBlocksSave();
    void writeProtectedAfterOpenStillReads();
    void failedOpenNamesSelectedSlot_data();
    void failedOpenNamesSelectedSlot();
    void exitAndCloseEndProgram();

private:
    QTemporaryDir m_dir;
};

void TestController::firstOpen_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expectedCaption");
    QTest::newRow("Pokemon Black") << "IRBO" << "Pokemon Black (E) : Code (IRBO) ";
    QTest::newRow("Pokemon Black 2") << "IREO" << "Pokemon Black 2 (U) : Code (IREO) ";
}

void TestController::firstOpen()
{
    QFETCH(QString, code);
    QFETCH(QString, expectedCaption);
    const rom::SupportedGame& game = gameByCode(code);
    const QString path = makeImage(m_dir, code + "-first.nds", game, {0, 1}, {4, 16, 2});
    if (&game == &ireo())  // a decoy where the other game's table would start
        putSlot(path, irbo(), {0, 1}, {8, 83, 26});

    Editor e;
    QVERIFY(e.showActive());
    pressOpen(e, path);

    QCOMPARE(e.dialogs.asked.size(), 1);
    QCOMPARE(e.dialogs.asked[0].title, QStringLiteral("Open Rom"));
    QCOMPARE(e.dialogs.asked[0].text, QStringLiteral("NDS Roms (*.NDS *)"));
    QVERIFY(e.dialogs.messages.isEmpty());
    QCOMPARE(e.ended, 0);
    QCOMPARE(e.controller.state().RomPath, path);
    QCOMPARE(e.controller.state().GameCode, game.code);
    QCOMPARE(e.controller.state().SpeciesIndex, 0);

    QVERIFY(allEnabled(e.window));
    QCOMPARE(e.window.speciesList->currentRow(), 0);
    QCOMPARE(e.window.speciesList->currentItem()->text(), QStringLiteral("Bulbasaur"));
    QCOMPARE(e.window.slotButtons->checkedButton(), e.window.slotButton(1));
    QCOMPARE(e.window.methodBox->currentText(), QStringLiteral("Level Up"));
    QCOMPARE(shownControls(e.window), QStringList({"levelBox", "targetBox"}));
    QCOMPARE(e.window.levelBox->currentText(), QStringLiteral("16"));
    QCOMPARE(e.window.targetBox->currentText(), QStringLiteral("Ivysaur"));
    QCOMPARE(e.window.romNameLabel->text(), expectedCaption);

    // Writes go to the same table the reads came from.
    const Snapshot before = snapshot(path, game);
    e.window.levelBox->setCurrentIndex(36);
    pressSave(e);
    const Snapshot after = snapshot(path, game);
    QVERIFY(e.dialogs.messages.isEmpty());
    QCOMPARE(changedOffsets(before, after, game), QList<std::uint64_t>({game.tableBase + 2}));
    QCOMPARE(wordAt(after, game, game.tableBase + 2), 36);
}

void TestController::load_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("parameter");
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("methodRow");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<int>("parameterRow");
    QTest::addColumn<int>("targetRow");
    QTest::addColumn<QStringList>("stored");

    const QStringList levelShown{"levelBox", "targetBox"};
    const QStringList itemShown{"itemBox", "targetBox"};
    const QStringList speciesShown{"speciesParameterBox", "targetBox"};
    const QStringList moveShown{"moveBox", "targetBox"};
    const QStringList constantShown{"targetBox", "constantMarker"};

    QTest::newRow("none hides every selector") << 0 << 0x1234 << 5 << 0 << QStringList() << -1 << 5 << QStringList();
    QTest::newRow("trade is constant") << 5 << 0 << 68 << 5 << constantShown << -1 << 68 << QStringList();
    QTest::newRow("attack > defense is constant") << 9 << 20 << 106 << 9 << constantShown << -1 << 106 << QStringList();
    QTest::newRow("level") << 4 << 16 << 2 << 4 << levelShown << 16 << 2 << QStringList();
    QTest::newRow("level 100") << 24 << 100 << 2 << 24 << levelShown << 100 << 2 << QStringList();
    QTest::newRow("item") << 8 << 83 << 26 << 8 << itemShown << 83 << 26 << QStringList();
    QTest::newRow("held item by night") << 20 << 626 << 26 << 20 << itemShown << 626 << 26 << QStringList();
    QTest::newRow("species") << 22 << 223 << 226 << 22 << speciesShown << 223 << 226 << QStringList();
    QTest::newRow("move") << 21 << 246 << 473 << 21 << moveShown << 246 << 473 << QStringList();
    QTest::newRow("method high byte ignored") << 0x0104 << 16 << 2 << 4 << levelShown << 16 << 2 << QStringList();
    QTest::newRow("level high byte ignored") << 4 << 0x0120 << 2 << 4 << levelShown << 32 << 2 << QStringList();
    QTest::newRow("item word read whole") << 8 << 0x0153 << 26 << 8 << itemShown << 0x153 << 26 << QStringList();
    QTest::newRow("unlisted method") << 200 << 0x1234 << 3 << -1 << constantShown << -1 << 3
                                     << QStringList{"methodBox=(stored: 200)"};
    QTest::newRow("unlisted level") << 4 << 150 << 2 << 4 << levelShown << -1 << 2
                                    << QStringList{"levelBox=(stored: 150)"};
    QTest::newRow("unlisted item") << 8 << 700 << 26 << 8 << itemShown << -1 << 26
                                   << QStringList{"itemBox=(stored: 700)"};
    QTest::newRow("unlisted move") << 21 << 600 << 473 << 21 << moveShown << -1 << 473
                                   << QStringList{"moveBox=(stored: 600)"};
    QTest::newRow("unlisted species") << 22 << 700 << 226 << 22 << speciesShown << -1 << 226
                                      << QStringList{"speciesParameterBox=(stored: 700)"};
    QTest::newRow("unlisted target") << 4 << 16 << 650 << 4 << levelShown << 16 << -1
                                     << QStringList{"targetBox=(stored: 650)"};
    QTest::newRow("negative item") << 8 << 0xFFFF << 26 << 8 << itemShown << -1 << 26
                                   << QStringList{"itemBox=(stored: -1)"};
    QTest::newRow("negative target") << 4 << 16 << 0x8000 << 4 << levelShown << 16 << -1
                                     << QStringList{"targetBox=(stored: -32768)"};
}

void TestController::load()
{
    QFETCH(int, method);
    QFETCH(int, parameter);
    QFETCH(int, target);
    QFETCH(int, methodRow);
    QFETCH(QStringList, shown);
    QFETCH(int, parameterRow);
    QFETCH(int, targetRow);
    QFETCH(QStringList, stored);

    // Species row 7, slot 4, between neighbours that hold a listed slot: a row or slot off by one shows.
    // The same words at species row 0, slot 1 are what the first open shows, from the window's start state.
    const QString path = makeImage(m_dir, "load.nds", irbo(), {0, 1}, {method, parameter, target});
    putSlot(path, irbo(), {7, 3}, {4, 16, 2});
    putSlot(path, irbo(), {7, 4}, {method, parameter, target});
    putSlot(path, irbo(), {7, 5}, {4, 16, 2});
    putSlot(path, irbo(), {6, 4}, {4, 16, 2});
    putSlot(path, irbo(), {8, 4}, {4, 16, 2});

    Editor e;
    auto verifyShown = [&](int speciesRow) {
        QVERIFY(e.dialogs.messages.isEmpty());
        QCOMPARE(e.controller.state().SpeciesIndex, speciesRow);
        QCOMPARE(e.window.methodBox->currentIndex(), methodRow);
        QCOMPARE(shownControls(e.window), shown);
        if (QComboBox* selector = shownParameterSelector(e.window))
            QCOMPARE(selector->currentIndex(), parameterRow);
        QCOMPARE(e.window.targetBox->currentIndex(), targetRow);
        QCOMPARE(placeholders(e.window), stored);
    };
    e.open(path);
    verifyShown(0);
    if (QTest::currentTestFailed())
        return;
    e.window.speciesList->setCurrentRow(7);
    QTest::mouseClick(e.window.slotButton(3), Qt::LeftButton);
    QTest::mouseClick(e.window.slotButton(4), Qt::LeftButton);
    verifyShown(7);

    // The next listed slot shows its rows with no trace of the unlisted one.
    QTest::mouseClick(e.window.slotButton(5), Qt::LeftButton);
    QCOMPARE(e.window.methodBox->currentText(), QStringLiteral("Level Up"));
    QCOMPARE(e.window.levelBox->currentText(), QStringLiteral("16"));
    QCOMPARE(e.window.targetBox->currentText(), QStringLiteral("Ivysaur"));
    QVERIFY(placeholders(e.window).isEmpty());
}

void TestController::methodChange_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("None") << 0 << QStringList();
    QTest::newRow("Happiness") << 1 << QStringList{"targetBox", "constantMarker"};
    QTest::newRow("Level Up (Female)") << 24 << QStringList{"levelBox", "targetBox"};
    QTest::newRow("Item (Evo Stones)") << 8 << QStringList{"itemBox", "targetBox"};
    QTest::newRow("Level Up With Pokemon in Party") << 22 << QStringList{"speciesParameterBox", "targetBox"};
    QTest::newRow("Level Up With Attack") << 21 << QStringList{"moveBox", "targetBox"};
    QTest::newRow("Level Up (Attack > Defense)") << 9 << QStringList{"targetBox", "constantMarker"};
    QTest::newRow("Max Beauty") << 16 << QStringList{"targetBox", "constantMarker"};
}

void TestController::methodChange()
{
    QFETCH(int, method);
    QFETCH(QStringList, shown);

    // Start from "Trade with Held Item", which no row of the table chooses, with distinct rows everywhere.
    const QString path = makeImage(m_dir, "method.nds", irbo(), {0, 1}, {6, 83, 26});
    Editor e;
    e.open(path);
    e.window.levelBox->setCurrentIndex(40);
    e.window.speciesParameterBox->setCurrentIndex(41);
    e.window.moveBox->setCurrentIndex(42);
    e.window.targetBox->setCurrentIndex(43);
    const Snapshot before = snapshot(path, irbo());

    e.window.methodBox->setCurrentIndex(method);

    QCOMPARE(shownControls(e.window), shown);
    // The shown parameter selector starts at its first row; the others and the target keep theirs.
    const QComboBox* selector = shownParameterSelector(e.window);
    const std::pair<QComboBox*, int> kept[] = {{e.window.levelBox, 40},
                                               {e.window.itemBox, 83},
                                               {e.window.speciesParameterBox, 41},
                                               {e.window.moveBox, 42},
                                               {e.window.targetBox, 43}};
    for (const auto& [combo, row] : kept)
        QCOMPARE(combo->currentIndex(), combo == selector ? 0 : row);
    for (const QGroupBox* frame : {e.window.levelFrame, e.window.itemFrame, e.window.speciesParameterFrame,
                                   e.window.moveFrame, e.window.targetFrame})
        QVERIFY(!frame->isHidden());
    QCOMPARE(snapshot(path, irbo()), before);
}

void TestController::save_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("slot");
    QTest::addColumn<Words>("stored");
    QTest::addColumn<int>("newTarget");     // -1: left alone
    QTest::addColumn<int>("newMethod");     // -1: left alone
    QTest::addColumn<int>("newParameter");  // into whichever selector is shown; -1: left alone
    QTest::addColumn<Words>("expected");

    const Words level{4, 16, 2};
    QTest::newRow("level") << "IRBO" << 0 << 1 << level << -1 << -1 << 20 << Words{4, 20, 2};
    QTest::newRow("level and target") << "IRBO" << 0 << 1 << level << 3 << -1 << 20 << Words{4, 20, 3};
    QTest::newRow("item") << "IRBO" << 24 << 1 << Words{8, 83, 26} << -1 << -1 << 84 << Words{8, 84, 26};
    QTest::newRow("move") << "IRBO" << 220 << 1 << Words{21, 246, 473} << -1 << -1 << 100 << Words{21, 100, 473};
    QTest::newRow("species") << "IREO" << 457 << 1 << Words{22, 223, 226} << -1 << -1 << 300
                             << Words{22, 300, 226};
    QTest::newRow("none leaves the parameter") << "IRBO" << 0 << 1 << Words{5, 0xABCD, 68} << 3 << 0 << -1
                                               << Words{0, 0xABCD, 3};
    QTest::newRow("constant writes 0") << "IRBO" << 0 << 1 << level << -1 << 9 << -1 << Words{9, 0, 2};
    QTest::newRow("level to item starts at None") << "IRBO" << 0 << 1 << level << -1 << 8 << -1 << Words{8, 0, 2};
    QTest::newRow("move chosen starts at None") << "IRBO" << 0 << 1 << level << -1 << 21 << -1
                                                << Words{21, 0, 2};
    QTest::newRow("slot 3 of species row 10") << "IRBO" << 10 << 3 << Words{4, 30, 12} << -1 << -1 << 31
                                              << Words{4, 31, 12};
    QTest::newRow("slot 7 of species row 648") << "IREO" << 648 << 7 << Words{6, 233, 208} << 209 << -1 << 235
                                               << Words{6, 235, 209};
    QTest::newRow("method high byte dropped") << "IRBO" << 0 << 1 << Words{0x0104, 16, 2} << -1 << -1 << -1
                                              << Words{4, 16, 2};
    QTest::newRow("level high byte dropped") << "IRBO" << 0 << 1 << Words{4, 0x0120, 2} << -1 << -1 << -1
                                             << Words{4, 0x0020, 2};
    QTest::newRow("unlisted method keeps method and parameter")
        << "IRBO" << 0 << 1 << Words{200, 0xBEEF, 3} << 5 << -1 << -1 << Words{200, 0xBEEF, 5};
    QTest::newRow("unlisted method replaced") << "IRBO" << 0 << 1 << Words{200, 0xBEEF, 3} << -1 << 4 << -1
                                              << Words{4, 0, 3};
    QTest::newRow("unlisted level kept") << "IRBO" << 0 << 1 << Words{4, 150, 2} << 5 << -1 << -1
                                         << Words{4, 150, 5};
    QTest::newRow("unlisted item kept") << "IRBO" << 0 << 1 << Words{8, 700, 26} << 5 << -1 << -1
                                        << Words{8, 700, 5};
    QTest::newRow("unlisted move kept") << "IRBO" << 0 << 1 << Words{21, 600, 473} << 5 << -1 << -1
                                        << Words{21, 600, 5};
    QTest::newRow("unlisted species kept") << "IRBO" << 0 << 1 << Words{22, 700, 226} << 5 << -1 << -1
                                           << Words{22, 700, 5};
    QTest::newRow("negative item kept") << "IRBO" << 0 << 1 << Words{8, 0xFFFF, 26} << 5 << -1 << -1
                                        << Words{8, 0xFFFF, 5};
    QTest::newRow("unlisted target kept") << "IRBO" << 0 << 1 << Words{4, 16, 700} << -1 << -1 << 20
                                          << Words{4, 20, 700};
    QTest::newRow("negative target kept") << "IRBO" << 0 << 1 << Words{8, 83, 0x8000} << -1 << -1 << 84
                                          << Words{8, 84, 0x8000};
    QTest::newRow("unlisted item replaced by a row") << "IRBO" << 0 << 1 << Words{8, 700, 26} << -1 << -1 << 84
                                                     << Words{8, 84, 26};
}

void TestController::save()
{
    QFETCH(QString, code);
    QFETCH(int, row);
    QFETCH(int, slot);
    QFETCH(Words, stored);
    QFETCH(int, newTarget);
    QFETCH(int, newMethod);
    QFETCH(int, newParameter);
    QFETCH(Words, expected);

    const rom::SupportedGame& game = gameByCode(code);
    const QString path = makeImage(m_dir, "save.nds", game);
    const auto address = rom::SlotAddress::Of(row, slot);
    QVERIFY(address);
    putSlot(path, game, *address, stored);
    const Snapshot before = snapshot(path, game);

    Editor e;
    QVERIFY(e.showAndOpen(path));
    e.window.speciesList->setCurrentRow(row);
    QTest::mouseClick(e.window.slotButton(slot), Qt::LeftButton);
    if (newTarget >= 0)
        e.window.targetBox->setCurrentIndex(newTarget);
    if (newMethod >= 0)
        e.window.methodBox->setCurrentIndex(newMethod);
    if (newParameter >= 0) {
        QComboBox* selector = shownParameterSelector(e.window);
        QVERIFY(selector);
        selector->setCurrentIndex(newParameter);
    }
    pressSave(e);

    QVERIFY2(e.dialogs.messages.isEmpty(), qPrintable(e.dialogs.messages.value(0).text));
    const Snapshot after = snapshot(path, game);
    QCOMPARE(after.size, before.size);
    const std::uint64_t start = slotStart(game, *address);
    for (const std::uint64_t offset : changedOffsets(before, after, game))
        QVERIFY2(offset >= start && offset < start + 6, qPrintable(QString::number(offset - game.tableBase)));
    QCOMPARE(wordAt(after, game, start), expected.method);
    QCOMPARE(wordAt(after, game, start + 2), expected.parameter);
    QCOMPARE(wordAt(after, game, start + 4), expected.target);

    // Saving keeps the window as it was.
    QCOMPARE(e.window.slotButtons->checkedId(), slot);
    QCOMPARE(e.window.speciesList->currentRow(), row);
}

void TestController::editsAreDiscardedBySelection()
{
    const QString path = m_dir.filePath("sample-irbo.nds");
    QVERIFY(sample::WriteSampleImage(fsPath(path), irbo()));
    const Snapshot before = snapshot(path, irbo());
    const int eevee = 132;

    Editor e;
    QVERIFY(e.showAndOpen(path));
    e.window.speciesList->setCurrentRow(eevee);
    QCOMPARE(e.window.methodBox->currentText(), QStringLiteral("Item (Evo Stones)"));
    QCOMPARE(e.window.itemBox->currentText(), QStringLiteral("Water Stone"));
    QCOMPARE(e.window.targetBox->currentText(), QStringLiteral("Vaporeon"));

    auto edit = [&] {
        e.window.methodBox->setCurrentIndex(4);
        e.window.levelBox->setCurrentIndex(50);
        e.window.targetBox->setCurrentIndex(1);
    };
    auto showsVaporeonSlot = [&] {
        return e.window.methodBox->currentIndex() == 8 && e.window.itemBox->currentIndex() == 84 &&
               e.window.targetBox->currentIndex() == 134 &&
               shownControls(e.window) == QStringList({"itemBox", "targetBox"});
    };

    edit();
    QTest::mouseClick(e.window.slotButton(2), Qt::LeftButton);
    QCOMPARE(e.window.itemBox->currentText(), QStringLiteral("Thunderstone"));
    QCOMPARE(e.window.targetBox->currentText(), QStringLiteral("Jolteon"));
    QTest::mouseClick(e.window.slotButton(1), Qt::LeftButton);
    QVERIFY(showsVaporeonSlot());

    // A click on the button already on reloads its slot.
    edit();
    QTest::mouseClick(e.window.slotButton(1), Qt::LeftButton);
    QVERIFY(e.window.slotButton(1)->isChecked());
    QVERIFY(showsVaporeonSlot());

    edit();
    e.window.speciesList->setCurrentRow(eevee + 1);
    e.window.speciesList->setCurrentRow(eevee);
    QVERIFY(showsVaporeonSlot());

    // Arrow keys move through the slots as through a radio group, loading each.
    e.window.slotButton(1)->setFocus();
    QTest::keyClick(e.window.slotButton(1), Qt::Key_Right);
    QCOMPARE(e.window.slotButtons->checkedButton(), e.window.slotButton(2));
    QCOMPARE(e.window.targetBox->currentText(), QStringLiteral("Jolteon"));

    QVERIFY(e.dialogs.messages.isEmpty());
    QCOMPARE(snapshot(path, irbo()), before);
}

void TestController::nothingWorksBeforeOpen()
{
    Editor e;
    QVERIFY(e.showActive());

    QTest::mouseClick(e.window.slotButton(3), Qt::LeftButton);
    QTest::mouseClick(e.window.speciesList->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    pressSave(e);
    QCOMPARE(e.window.slotButtons->checkedId(), -1);
    QCOMPARE(e.window.speciesList->currentRow(), -1);
    QVERIFY(e.dialogs.asked.isEmpty());
    QVERIFY(e.dialogs.messages.isEmpty());

    pressOpen(e, QString());
    QCOMPARE(e.dialogs.asked.size(), 1);
    QVERIFY(e.controller.state().RomPath.isEmpty());
    QVERIFY(noneEnabled(e.window));
    QVERIFY(e.window.romNameLabel->text().isEmpty());
    QVERIFY(e.dialogs.messages.isEmpty());
    QCOMPARE(e.ended, 0);
}

void TestController::cancelKeepsPreviousRom()
{
    const QString path = makeImage(m_dir, "kept.nds", irbo(), {0, 1}, {4, 16, 2});
    Editor e;
    QVERIFY(e.showAndOpen(path));
    pressOpen(e, QString());

    QCOMPARE(e.dialogs.asked.size(), 2);
    QCOMPARE(e.controller.state().RomPath, path);
    QVERIFY(allEnabled(e.window));
    QCOMPARE(e.window.romNameLabel->text(), caption(irbo()));
    QCOMPARE(e.window.levelBox->currentIndex(), 16);

    // Saving still reaches the ROM opened before.
    const Snapshot before = snapshot(path, irbo());
    e.window.levelBox->setCurrentIndex(18);
    pressSave(e);
    QVERIFY(e.dialogs.messages.isEmpty());
    QCOMPARE(changedOffsets(before, snapshot(path, irbo()), irbo()), QList<std::uint64_t>{irbo().tableBase + 2});
}

void TestController::secondRomReplacesFirst()
{
    const QString first = makeImage(m_dir, "first.nds", irbo(), {5, 3}, {4, 30, 7});
    const QString second = makeImage(m_dir, "second.nds", ireo(), {0, 1}, {8, 83, 26});

    Editor e;
    QVERIFY(e.showAndOpen(first));
    e.window.speciesList->setCurrentRow(5);
    QTest::mouseClick(e.window.slotButton(3), Qt::LeftButton);
    QCOMPARE(e.window.levelBox->currentIndex(), 30);

    pressOpen(e, second);
    QCOMPARE(e.controller.state().RomPath, second);
    QCOMPARE(e.window.romNameLabel->text(), caption(ireo()));
    QCOMPARE(e.window.speciesList->currentRow(), 0);
    QCOMPARE(e.window.slotButtons->checkedButton(), e.window.slotButton(1));
    QCOMPARE(e.window.methodBox->currentIndex(), 8);
    QCOMPARE(e.window.itemBox->currentIndex(), 83);

    const Snapshot firstBefore = snapshot(first, irbo());
    const Snapshot secondBefore = snapshot(second, ireo());
    e.window.itemBox->setCurrentIndex(84);
    pressSave(e);
    QVERIFY(e.dialogs.messages.isEmpty());
    QCOMPARE(snapshot(first, irbo()), firstBefore);
    QCOMPARE(changedOffsets(secondBefore, snapshot(second, ireo()), ireo()),
             QList<std::uint64_t>{ireo().tableBase + 2});
}

void TestController::unsupported_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("romOpenBefore");

    const QByteArray header(12, '\0');
    const QByteArray tail(48, 'x');
    QTest::newRow("lower case") << header + "irbo" + tail << false;
    QTest::newRow("other fourth letter") << header + "IRBE" + tail << false;
    QTest::newRow("space in code") << header + "IR O" + tail << false;
    QTest::newRow("15 bytes") << header + "IRB" << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("after a supported ROM") << header + "IRBA" + tail << true;
}

void TestController::unsupported()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, romOpenBefore);

    const QString previous = makeImage(m_dir, "previous.nds", irbo(), {0, 1}, {4, 16, 2});
    const QString path = m_dir.filePath("unsupported.nds");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(contents), contents.size());
    }
    const Snapshot previousBefore = snapshot(previous, irbo());

    Editor e;
    if (romOpenBefore)
        e.open(previous);
    const QString pathBefore = e.controller.state().RomPath;
    e.open(path);

    QCOMPARE(e.dialogs.messages.size(), 1);
    QCOMPARE(e.dialogs.messages[0].title, QStringLiteral("Quorvane"));
    QCOMPARE(e.dialogs.messages[0].text, QStringLiteral("Unsupported Rom"));
    QCOMPARE(e.ended, 1);
    QCOMPARE(wholeFile(path), contents);
    QCOMPARE(snapshot(previous, irbo()), previousBefore);
    QCOMPARE(e.controller.state().RomPath, pathBefore);
}

void TestController::openFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("romOpenBefore");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing") << "missing" << false << "cannot be opened";
    QTest::newRow("missing, a ROM open") << "missing" << true << "cannot be opened";
    QTest::newRow("directory") << "directory" << true << "cannot be opened";
    QTest::newRow("write-protected") << "write-protected" << false << "cannot be opened: Permission denied";
    QTest::newRow("IRBO too short for its table") << "short IRBO" << false << "too short";
    QTest::newRow("IREO the size of an IRBO image") << "short IREO" << true << "too short";
}

void TestController::openFailures()
{
    QFETCH(QString, kind);
    QFETCH(bool, romOpenBefore);
    QFETCH(QString, reason);

    const QString previous = makeImage(m_dir, "previous.nds", irbo(), {0, 1}, {4, 16, 2});
    QTemporaryDir dir;
    QString path = dir.filePath("rom.nds");
    if (kind == "directory")
        QVERIFY(QDir(dir.path()).mkdir("rom.nds"));
    else if (kind == "short IRBO")
        QVERIFY(sample::CreateImage(fsPath(path), irbo().code, 1024 * 1024));
    else if (kind == "short IREO")
        QVERIFY(sample::CreateImage(fsPath(path), ireo().code, rom::TableEnd(irbo()) + 64));
    // Readable and supported, but not writable: a save could only fail, so it is not opened.
    FaultyFileSystem files;
    if (kind == "write-protected") {
        QVERIFY(sample::WriteSampleImage(fsPath(path), irbo()));
        files.refuseWritingWith = EACCES;
    }

    Editor e(files);
    if (romOpenBefore)
        e.open(previous);
    const QString captionBefore = e.window.romNameLabel->text();
    e.open(path);

    QCOMPARE(e.dialogs.messages.size(), 1);
    const FakeDialogs::Shown& shown = e.dialogs.messages[0];
    QCOMPARE(shown.title, QStringLiteral("Quorvane"));
    QVERIFY2(shown.text.contains(QDir::toNativeSeparators(path)), qPrintable(shown.text));
    QVERIFY2(shown.text.contains(reason), qPrintable(shown.text));
    QCOMPARE(e.ended, 0);
    QCOMPARE(e.controller.state().RomPath, romOpenBefore ? previous : QString());
    QCOMPARE(e.window.romNameLabel->text(), captionBefore);
    QVERIFY(romOpenBefore ? allEnabled(e.window) : noneEnabled(e.window));
    if (kind == "missing")
        QVERIFY(!QFileInfo::exists(path));
}

void TestController::saveFailures_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("reason");

    QTest::newRow("replaced by the other game") << "game" << "changed since it was opened";
    QTest::newRow("removed") << "removed" << "cannot be opened";
    QTest::newRow("write refused") << "write" << "No space left on device";
}

void TestController::saveFailures()
{
    QFETCH(QString, failure);
    QFETCH(QString, reason);

    const QString path = makeImage(m_dir, "fails.nds", irbo(), {0, 1}, {4, 16, 2});
    FaultyFileSystem files;
    Editor e(files);
    QVERIFY(e.showAndOpen(path));
    e.window.levelBox->setCurrentIndex(20);
    e.window.targetBox->setCurrentIndex(3);

    if (failure == "game") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(12));
        QCOMPARE(file.write("IREO"), 4);
    } else if (failure == "removed") {
        QVERIFY(QFile::remove(path));
    } else {
        files.writeFault.after = 0;
    }
    const Snapshot before = snapshot(path, irbo());
    pressSave(e);

    QCOMPARE(e.dialogs.messages.size(), 1);
    const FakeDialogs::Shown& shown = e.dialogs.messages[0];
    QCOMPARE(shown.title, QStringLiteral("Quorvane"));
    QVERIFY2(shown.text.contains(QDir::toNativeSeparators(path)), qPrintable(shown.text));
    QVERIFY2(shown.text.contains(reason), qPrintable(shown.text));
    QCOMPARE(snapshot(path, irbo()), before);
    QCOMPARE(QFileInfo::exists(path), failure != "removed");
    QCOMPARE(e.window.levelBox->currentIndex(), 20);
    QCOMPARE(e.window.targetBox->currentIndex(), 3);
}

namespace {

// Species 1 levelling up at 16 and species 4 by a Thunderstone, opened in e; empty if the window never
// had the focus.
QString openTwoSlots(Editor& e, const QTemporaryDir& dir, const QString& name)
{
    const QString path = makeImage(dir, name, irbo(), {0, 1}, {4, 16, 2});
    putSlot(path, irbo(), {3, 1}, {8, 83, 26});
    return e.showAndOpen(path) ? path : QString();
}

}  // namespace

void TestController::failedReadBlocksSave()
{
    FaultyFileSystem files;
    Editor e(files);
    const QString path = openTwoSlots(e, m_dir, "unreadable.nds");
    QVERIFY(!path.isEmpty());

    files.failReadsPastHeader = true;
    e.window.speciesList->setCurrentRow(3);
    QCOMPARE(e.dialogs.messages.size(), 1);
    QVERIFY2(e.dialogs.messages[0].text.contains(QDir::toNativeSeparators(path)),
             qPrintable(e.dialogs.messages[0].text));
    QCOMPARE(e.window.methodBox->currentIndex(), 4);  // the window still shows what it showed

    // Saving now would put species 1's values into species 4's slot.
    files.failReadsPastHeader = false;
    const Snapshot before = snapshot(path, irbo());
    pressSave(e);
    QCOMPARE(e.dialogs.messages.size(), 2);
    QVERIFY(e.dialogs.messages[1].text.contains(QStringLiteral("Nothing was saved")));
    QCOMPARE(snapshot(path, irbo()), before);

    QTest::mouseClick(e.window.slotButton(1), Qt::LeftButton);
    QCOMPARE(e.window.itemBox->currentIndex(), 83);
    e.window.itemBox->setCurrentIndex(84);
    pressSave(e);
    QCOMPARE(e.dialogs.messages.size(), 2);
    QCOMPARE(wordAt(snapshot(path, irbo()), irbo(), slotStart(irbo(), {3, 1}) + 2), 84);

    // Opening a ROM reads its slot up to three times; a failure is reported once.
    e.window.speciesList->setCurrentRow(9);
    QTest::mouseClick(e.window.slotButton(2), Qt::LeftButton);
    files.failReadsPastHeader = true;
    e.open(path);
    QCOMPARE(e.dialogs.messages.size(), 3);
}

// Reads need no write access: a file write-protected after Open still shows its slots, and only a save
// is refused.
void TestController::writeProtectedAfterOpenStillReads()
{
    FaultyFileSystem files;
    Editor e(files);
    QVERIFY(!openTwoSlots(e, m_dir, "protected.nds").isEmpty());
    files.refuseWritingWith = EACCES;

    e.window.speciesList->setCurrentRow(3);
    QVERIFY2(e.dialogs.messages.isEmpty(), qPrintable(e.dialogs.messages.value(0).text));
    QCOMPARE(e.window.itemBox->currentIndex(), 83);
    e.window.itemBox->setCurrentIndex(84);
    const QString path = e.controller.state().RomPath;
    const Snapshot before = snapshot(path, irbo());
    pressSave(e);
    QCOMPARE(e.dialogs.messages.size(), 1);
    QVERIFY2(e.dialogs.messages[0].text.contains(QStringLiteral("cannot be opened: Permission denied")),
             qPrintable(e.dialogs.messages[0].text));
    QCOMPARE(snapshot(path, irbo()), before);
}

void TestController::failedOpenNamesSelectedSlot_data()
{
    QTest::addColumn<int>("rowBefore");
    QTest::addColumn<int>("slotBefore");

    QTest::newRow("slot 2 of row 9 before") << 9 << 2;
    QTest::newRow("slot 7 of the last row before") << 648 << 7;
    QTest::newRow("slot 7 of the first row before") << 0 << 7;
}

void TestController::failedOpenNamesSelectedSlot()
{
    QFETCH(int, rowBefore);
    QFETCH(int, slotBefore);

    const QString path = makeImage(m_dir, "named.nds", irbo());
    FaultyFileSystem files;
    Editor e(files);
    QVERIFY(e.showAndOpen(path));
    e.window.speciesList->setCurrentRow(rowBefore);
    QTest::mouseClick(e.window.slotButton(slotBefore), Qt::LeftButton);

    files.failReadsPastHeader = true;
    e.open(path);
    QCOMPARE(e.dialogs.messages.size(), 1);
    const QString text = e.dialogs.messages[0].text;
    QVERIFY2(text.startsWith(QStringLiteral("Cannot read slot 1 of Bulbasaur from ")), qPrintable(text));
    QCOMPARE(e.window.slotButtons->checkedId(), 1);
    QCOMPARE(e.window.speciesList->currentRow(), 0);
}

void TestController::exitAndCloseEndProgram()
{
    Editor e;
    QVERIFY(e.showActive());
    e.window.exitAction->trigger();
    QCOMPARE(e.ended, 1);
    QVERIFY(e.window.close());
    QCOMPARE(e.ended, 2);
}

QTEST_MAIN(TestController)
#include "test_controller.moc"
