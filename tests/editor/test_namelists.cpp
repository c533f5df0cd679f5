#include <QComboBox>
#include <QCryptographicHash>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <map>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "editor/listcontrols.h"
#include "rom/namelists.h"

using rom::ItemNames;
using rom::LevelNames;
using rom::MoveNames;
using rom::SpeciesNames;

namespace {

using Rows = std::span<const std::string_view>;

QByteArray bytes(std::string_view text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

QByteArray twoDigits(int number)
{
    return QByteArray::number(number).rightJustified(2, '0');
}

// Names a row in a failure message.
QByteArray where(const QByteArray& list, std::size_t row)
{
    return list + ' ' + QByteArray::number(qulonglong(row));
}

const std::map<QByteArray, Rows>& lists()
{
    static const std::map<QByteArray, Rows> all = {
        {"species", SpeciesNames},
        {"moves", MoveNames},
        {"items", ItemNames},
        {"levels", LevelNames},
    };
    return all;
}

// A row whose text is fixed by the editor's design rather than taken from a public table.
struct Expected {
    int row;
    QByteArray text;
};
using ExpectedRows = std::vector<Expected>;

void addRun(ExpectedRows& rows, int first, std::initializer_list<const char*> texts)
{
    for (const char* text : texts)
        rows.push_back({first++, text});
}

// The names machines 1 to 95 teach, as the machine rows spell them (four differ from MoveNames).
constexpr std::array<const char*, 95> kMachineMoves = {
    "Hone Claws", "Dragon Claw", "Psyshock", "Calm Mind", "Roar", "Toxic", "Hail", "Bulk Up",
    "Venoshock", "Hidden Power", "Sunny Day", "Taunt", "Ice Beam", "Blizzard", "Hyper Beam",
    "Light Screen", "Protect", "Rain Dance", "Telekinesis", "Safeguard", "Frustration",
    "Solarbeam", "Smackdown", "Thunderbolt", "Thunder", "Earthquake", "Return", "Dig",
    "Psychic", "Shadow Ball", "Brick Break", "Double Team", "Reflect", "Sludge Wave",
    "Flamethrower", "Sludge Bomb", "Sandstorm", "Fire Blast", "Rock Tomb", "Aerial Ace",
    "Torment", "Facade", "Flame Charge", "Rest", "Attract", "Thief", "Low Sweep", "Round",
    "Echoed Voice", "Overheat", "Ally Switch", "Focus Blast", "Energy Ball", "False Swipe",
    "Scald", "Fling", "Charge Beam", "Sky Drop", "Incinerate", "Quash", "Will-o-wisp",
    "Acrobatics", "Embargo", "Explosion", "Shadow Claw", "Payback", "Retaliate", "Giga Impact",
    "Rock Polish", "Flash", "Stone Edge", "Volt Switch", "Thunder Wave", "Gyro Ball",
    "Swords Dance", "Struggle Bug", "Psych Up", "Bulldoze", "Frost Breath", "Rock Slide",
    "X-scissor", "Dragon Tail", "Work Up", "Poison Jab", "Dream Eater", "Grass Knot", "Swagger",
    "Pluck", "U-turn", "Substitute", "Flash Cannon", "Trick Room", "Wild Charge", "Rock Smash",
    "Snarl",
};

int machineRow(int machine)
{
    // Machines 93 to 95 came after the key items had taken the rows following machine 92.
    return machine <= 92 ? 327 + machine : 525 + machine;
}

ExpectedRows deviatingSpecies()
{
    return {
        {29, "Nidoran-F"}, {32, "Nidoran-M"}, {122, "Mr.Mime"}, {233, "Porygon 2"},
        {250, "Ho-oh"}, {372, "Shellgon"}, {576, "Gothielle"}, {602, "Tynammo"},
        {640, "Verizion"}, {649, "Genese"},
        // The games' own punctuation, easy to "correct" by mistake.
        {83, "Farfetch'd"}, {439, "Mime Jr."}, {474, "Porygon-Z"},
    };
}

ExpectedRows singleAndPlaceholderItems()
{
    ExpectedRows rows = {
        {4, "Poke Ball"}, {55, "Guard Spec"}, {62, "X Sp.Def"}, {63, "Pok\xE9" " Doll"},
        {216, "Exp.Share"}, {575, "Pass Orb"}, {577, "Pok\xE9" " Toy"},
        {574, "Liberty Pass "}, {576, "Dream Ball "}, {578, "Prop Case "}, {579, "Dragon Skull "},
    };
    addRun(rows, 113,
           {"???", "???", "???", "Douse Drive", "Shock Drive", "Burn Drive", "Chill Drive"});
    for (int row = 120; row <= 133; ++row)
        rows.push_back({row, "??? "});
    return rows;
}

ExpectedRows machineItems()
{
    ExpectedRows rows;
    for (int machine = 1; machine <= 95; ++machine) {
        const QByteArray text = "TM" + twoDigits(machine) + ' ' + kMachineMoves[machine - 1];
        rows.push_back({machineRow(machine), text});
    }
    addRun(rows, 420, {"HM01 Cut ", "HM02 Fly ", "HM03 Surf ", "HM04 Strength ", "HM05 Waterfall ",
                       "HM06 Dive ", "?? ", "?? "});
    return rows;
}

ExpectedRows keyItems()
{
    ExpectedRows rows;
    addRun(rows, 428, {
        "Explorer Kit ", "Loot Sack ", "Rule Book ", "Pok\xE9" " Radar ", "Point Card ", "Journal ",
        "Seal Case ", "Fashion Case ", "Seal Bag ", "Pal Pad ", "Works Key ", "Old Charm ",
        "Galactic Key ", "Red Chain ", "Town Map ", "Vs.Seeker ", "Coin Case ", "Old Rod ",
        "Good Rod ", "Super Rod ", "Sprayduck ", "Poffin Case ", "Bicycle ", "Suite Key ",
        "Oak's Letter ", "Lunar Wing ", "Member Card ", "Azure Flute ", "S.S.Ticket ",
        "Contest Pass ", "Magma Stone ", "Parcel ", "Coupon 1 ", "Coupon 2 ", "Coupon 3 ",
        "Storage Key ", "SecretPotion ", "Vs.Recorder ", "Gracidea ", "Secret Key ",
        "Apricorn Box ", "Unown Report ", "Berry Pots ", "Dowsing MCHN ", "Blue Card ",
        "SlowpokeTail ", "Clear Bell ", "Card Key ", "Basement Key ", "SquirtBottle ", "Red Scale ",
        "Lost Item ", "Pass ", "Machine Part ", "Silver Wing ", "Rainbow Wing ", "Mystery Egg ",
        "Red Apricorn ", "Blu Apricorn ", "Ylw Apricorn ", "Grn Apricorn ", "Pnk Apricorn ",
        "Wht Apricorn ", "Blk Apricorn ", "Fast Ball ", "Level Ball ", "Lure Ball ", "Heavy Ball ",
        "Love Ball ", "Friend Ball ", "Moon Ball ", "Sport Ball ", "Park Ball ", "Photo Album ",
        "GB Sounds ", "Tidal Bell ", "RageCandyBar ",
    });
    for (int card = 1; card <= 27; ++card)
        rows.push_back({504 + card, "Data Card " + twoDigits(card) + ' '});
    addRun(rows, 532, {"Jade Orb ", "Lock Capsule ", "Red Orb ", "Blue Orb ", "Enigma Stone "});
    return rows;
}

ExpectedRows lastItems()
{
    ExpectedRows rows;
    addRun(rows, 592, {
        "Dire Hit 2 ", "X Speed 2 ", "X Special 2 ", "X Sp.Def 2 ", "X Defend 2 ", "X Attack 2 ",
        "X Accuracy 2 ", "X Speed 3 ", "X Special 3 ", "X Sp.Def 3 ", "X Defend 3 ", "X Attack 3 ",
        "X Accuracy 3 ", "X Speed 6 ", "X Special 6 ", "X Sp.Def 6 ", "X Defend 6 ", "X Attack 6 ",
        "X Accuracy 6 ", "Skill Call ", "Item Drop ", "Item Call ", "Flat Call ", "Dire Hit 3 ",
        "Light Stone ", "Dark Stone ", "TM93 Wild Charge", "TM94 Rock Smash", "TM95 Snarl",
        "Blue Xtransceiver ", "GodStone ", "Gram 1 ", "Gram 2 ", "Gram 3 ", "Red Xtransceiver",
    });
    return rows;
}

void addExpectedRows(const ExpectedRows& rows)
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QByteArray>("text");
    for (const Expected& expected : rows)
        QTest::addRow("row %d", expected.row) << expected.row << expected.text;
}

void compareItemRow()
{
    QFETCH(int, row);
    QFETCH(QByteArray, text);
    QCOMPARE(bytes(ItemNames[static_cast<std::size_t>(row)]), text);
}

}  // namespace

class TestNameLists : public QObject {
    Q_OBJECT

private slots:
    void rowCounts();
    void firstAndLastRows_data();
    void firstAndLastRows();
    void deviatingSpeciesTexts_data();
    void deviatingSpeciesTexts();
    void singleAndPlaceholderItemRows_data();
    void singleAndPlaceholderItemRows();
    void machineItemRows_data();
    void machineItemRows();
    void keyItemRows_data();
    void keyItemRows();
    void lastItemRows_data();
    void lastItemRows();
    void levelRowsAreTheirNumber();
    void trailingSpacesOnlyWhereSpelledOut();
    void rowsAreCleanSingleByteText();
    void duplicateTextsStayDistinctRows();
    void compressedSpellingsKept();
    void machineNamesMatchMoveNames();
    void listsMatchPinnedDigests_data();
    void listsMatchPinnedDigests();
    void speciesListViewIsShiftedByOne();
    void eAcuteShownInComboBox();
    void loadedControlsMatchTheLists_data();
    void loadedControlsMatchTheLists();
    void loadingSelectsNothingAndNeverSorts();
};

void TestNameLists::rowCounts()
{
    QCOMPARE(SpeciesNames.size(), std::size_t{650});
    QCOMPARE(MoveNames.size(), std::size_t{560});
    QCOMPARE(ItemNames.size(), std::size_t{627});
    QCOMPARE(LevelNames.size(), std::size_t{101});
    QCOMPARE(editor::speciesListRows().size(), std::size_t{649});
    QCOMPARE(editor::toQStringList(ItemNames).size(), 627);
}

void TestNameLists::firstAndLastRows_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<int>("row");
    QTest::addColumn<QByteArray>("text");
    const auto add = [](const char* list, int first, std::initializer_list<const char*> texts) {
        for (const char* text : texts) {
            QTest::addRow("%s %d", list, first) << QByteArray(list) << first << QByteArray(text);
            ++first;
        }
    };
    add("species", 0, {"None", "Bulbasaur", "Ivysaur", "Venusaur", "Charmander", "Charmeleon"});
    add("species", 644, {"Zekrom", "Landorus", "Kyurem", "Keldeo", "Meloetta", "Genese"});
    add("moves", 0, {"None", "Pound", "Karate Chop", "DoubleSlap", "Comet Punch", "Mega Punch"});
    add("moves", 554,
        {"Ice Burn", "Snarl", "Icicle Crash", "V-create", "Fusion Flare", "Fusion Bolt"});
    add("items", 0,
        {"None", "Master Ball", "Ultra Ball", "Great Ball", "Poke Ball", "Safari Ball"});
    add("items", 626, {"Red Xtransceiver"});
    add("levels", 0, {"00", "01"});
    add("levels", 99, {"99", "100"});
}

void TestNameLists::firstAndLastRows()
{
    QFETCH(QByteArray, list);
    QFETCH(int, row);
    QFETCH(QByteArray, text);
    const Rows rows = lists().at(list);
    QVERIFY(static_cast<std::size_t>(row) < rows.size());
    QCOMPARE(bytes(rows[static_cast<std::size_t>(row)]), text);
}

void TestNameLists::deviatingSpeciesTexts_data()
{
    addExpectedRows(deviatingSpecies());
}

void TestNameLists::deviatingSpeciesTexts()
{
    QFETCH(int, row);
    QFETCH(QByteArray, text);
    QCOMPARE(bytes(SpeciesNames[static_cast<std::size_t>(row)]), text);
    // The browsing list shows the same text one row earlier.
    QCOMPARE(bytes(editor::speciesListRows()[static_cast<std::size_t>(row - 1)]), text);
}

void TestNameLists::singleAndPlaceholderItemRows_data()
{
    addExpectedRows(singleAndPlaceholderItems());
}

void TestNameLists::singleAndPlaceholderItemRows()
{
    compareItemRow();
}

void TestNameLists::machineItemRows_data()
{
    addExpectedRows(machineItems());
}

void TestNameLists::machineItemRows()
{
    compareItemRow();
}

void TestNameLists::keyItemRows_data()
{
    addExpectedRows(keyItems());
}

void TestNameLists::keyItemRows()
{
    compareItemRow();
}

void TestNameLists::lastItemRows_data()
{
    addExpectedRows(lastItems());
}

void TestNameLists::lastItemRows()
{
    compareItemRow();
}

void TestNameLists::levelRowsAreTheirNumber()
{
    for (int level = 0; level <= 100; ++level) {
        QCOMPARE(bytes(LevelNames[static_cast<std::size_t>(level)]), twoDigits(level));
    }
}

void TestNameLists::trailingSpacesOnlyWhereSpelledOut()
{
    // Every item row that ends in a space is spelled out above; so a row elsewhere that ends in
    // one, or a spelled-out row that lost its space, is a fault.
    std::map<int, QByteArray> spelled;
    for (const ExpectedRows& group :
         {singleAndPlaceholderItems(), machineItems(), keyItems(), lastItems()})
        for (const Expected& expected : group)
            spelled[expected.row] = expected.text;

    int withSpace = 0;
    for (std::size_t row = 0; row < ItemNames.size(); ++row) {
        const auto it = spelled.find(static_cast<int>(row));
        const bool expectSpace = it != spelled.end() && it->second.endsWith(' ');
        withSpace += expectSpace;
        QVERIFY2(ItemNames[row].ends_with(' ') == expectSpace, where("items", row).constData());
    }
    QCOMPARE(withSpace, 166);

    for (const auto& [name, rows] : lists()) {
        if (name == "items")
            continue;
        for (std::size_t row = 0; row < rows.size(); ++row)
            QVERIFY2(!rows[row].ends_with(' '), where(name, row).constData());
    }
}

void TestNameLists::rowsAreCleanSingleByteText()
{
    // Longest row per list: a wider one means two rows ran together or a text picked up extra.
    const std::map<QByteArray, std::size_t> longest = {
        {"species", 10}, {"moves", 12}, {"items", 18}, {"levels", 3}};
    std::vector<int> eAcuteRows;
    for (const auto& [name, rows] : lists()) {
        std::size_t widest = 0;
        for (std::size_t row = 0; row < rows.size(); ++row) {
            const std::string_view text = rows[row];
            const QByteArray at = where(name, row);
            QVERIFY2(!text.empty() && text.front() != ' ', at.constData());
            QVERIFY2(text.find("  ") == std::string_view::npos, at.constData());
            widest = std::max(widest, text.size());
            int nonAscii = 0;
            for (const char c : text) {
                const auto byte = static_cast<unsigned char>(c);
                QVERIFY2(byte >= 0x20 && byte != 0x7F, at.constData());
                if (byte >= 0x80) {
                    QVERIFY2(byte == 0xE9, at.constData());
                    ++nonAscii;
                }
            }
            if (nonAscii) {
                QVERIFY2(name == "items" && nonAscii == 1, at.constData());
                eAcuteRows.push_back(static_cast<int>(row));
            }
        }
        QCOMPARE(widest, longest.at(name));
    }
    QCOMPARE(eAcuteRows, (std::vector<int>{63, 431, 577}));
}

void TestNameLists::duplicateTextsStayDistinctRows()
{
    std::map<std::string_view, std::vector<int>> itemRows;
    for (std::size_t row = 0; row < ItemNames.size(); ++row)
        itemRows[ItemNames[row]].push_back(static_cast<int>(row));
    QCOMPARE(itemRows["???"], (std::vector<int>{113, 114, 115}));
    QCOMPARE(itemRows["??? "].size(), std::size_t{14});
    QCOMPARE(itemRows["?? "], (std::vector<int>{426, 427}));
    // Any other repeat would be a row copied over its neighbour.
    QCOMPARE(itemRows.size(), ItemNames.size() - 2 - 13 - 1);

    for (const Rows rows : {Rows(SpeciesNames), Rows(MoveNames), Rows(LevelNames)}) {
        std::vector<std::string_view> sorted(rows.begin(), rows.end());
        std::sort(sorted.begin(), sorted.end());
        const auto repeat = std::adjacent_find(sorted.begin(), sorted.end());
        const QByteArray repeated = repeat == sorted.end() ? QByteArray() : bytes(*repeat);
        QVERIFY2(repeated.isEmpty(), repeated.constData());
    }
}

void TestNameLists::compressedSpellingsKept()
{
    // The games' own short forms; a list built from modern spellings would lose them.
    const auto has = [](Rows rows, std::string_view text) {
        return std::find(rows.begin(), rows.end(), text) != rows.end();
    };
    for (const char* item :
         {"Parlyz Heal", "EnergyPowder", "TinyMushroom", "BrightPowder", "SilverPowder",
          "DeepSeaTooth", "BlackGlasses", "NeverMeltIce", "TwistedSpoon", "BalmMushroom",
          "Thunderstone", "Up-Grade", "Stick", "King's Rock", "BridgeMail S"})
        QVERIFY2(has(ItemNames, item), item);
    for (const char* move :
         {"DoubleSlap", "ThunderPunch", "ViceGrip", "Sand-Attack", "SonicBoom", "BubbleBeam",
          "SolarBeam", "PoisonPowder", "ThunderShock", "SmokeScreen", "Selfdestruct", "Softboiled",
          "Hi Jump Kick", "Faint Attack", "DynamicPunch", "DragonBreath", "ExtremeSpeed",
          "AncientPower", "SmellingSalt", "FeatherDance", "GrassWhistle", "V-create"})
        QVERIFY2(has(MoveNames, move), move);
}

void TestNameLists::machineNamesMatchMoveNames()
{
    // A machine row names a move in MoveNames, but four machine rows spell it their own way.
    const std::map<std::string_view, std::string_view> ownSpelling = {
        {"Solarbeam", "SolarBeam"}, {"Smackdown", "Smack Down"},
        {"Will-o-wisp", "Will-O-Wisp"}, {"X-scissor", "X-Scissor"}};
    const auto isMove = [](std::string_view text) {
        return std::find(MoveNames.begin(), MoveNames.end(), text) != MoveNames.end();
    };
    for (const char* machine : kMachineMoves) {
        const auto own = ownSpelling.find(machine);
        QVERIFY2(isMove(own == ownSpelling.end() ? machine : own->second), machine);
        if (own != ownSpelling.end())
            QVERIFY2(!isMove(machine), machine);
    }
}

void TestNameLists::listsMatchPinnedDigests_data()
{
    // SHA-256 of each reference list's rows joined by "\n", from `scripts/gen-namelists --digests`.
    // Rows the checks above cannot see (a swap of two ordinary names) still change the digest, so
    // any edit to a list has to be made through the reference lists and pinned again here.
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QByteArray>("digest");
    const std::pair<const char*, const char*> pinned[] = {
        {"species", "3c38f0314834232080d8c5ffebf04355a731432785ea200653ebe6031b7a116f"},
        {"moves", "e37e76ff94afbe5007aebc556f6a830ecfe2c4f15bb7dbb8d9a8e51539f2f320"},
        {"items", "e8257f6213ca85b758f0a282c13e0ab806a4cb3b4cadc5eda31837aa7305a9c1"},
        {"levels", "8012cc4a6ee0b3f2ebd9eae5e12b64150f872420e09c9508c1cc1794ee677345"},
    };
    for (const auto& [list, digest] : pinned)
        QTest::newRow(list) << QByteArray(list) << QByteArray(digest);
}

void TestNameLists::listsMatchPinnedDigests()
{
    QFETCH(QByteArray, list);
    QFETCH(QByteArray, digest);
    QByteArrayList rows;
    for (const std::string_view row : lists().at(list))
        rows.append(bytes(row));
    QCOMPARE(QCryptographicHash::hash(rows.join('\n'), QCryptographicHash::Sha256).toHex(), digest);
}

void TestNameLists::speciesListViewIsShiftedByOne()
{
    const Rows view = editor::speciesListRows();
    QCOMPARE(view.size(), SpeciesNames.size() - 1);
    QCOMPARE(view.data(), SpeciesNames.data() + 1);
    QCOMPARE(bytes(view.front()), QByteArray("Bulbasaur"));
    QCOMPARE(bytes(view.back()), QByteArray("Genese"));

    QListWidget speciesList;
    editor::loadRows(&speciesList, view);
    QCOMPARE(speciesList.count(), 649);
    for (int r = 0; r < speciesList.count(); ++r)
        QCOMPARE(speciesList.item(r)->text().toLatin1(), bytes(view[static_cast<std::size_t>(r)]));
}

void TestNameLists::eAcuteShownInComboBox()
{
    QComboBox combo;
    editor::loadRows(&combo, ItemNames);
    const QChar eAcute(0x00E9);
    QCOMPARE(combo.itemText(63), QString::fromUtf16(u"Pok\u00E9 Doll"));
    QCOMPARE(combo.itemText(431), QString::fromUtf16(u"Pok\u00E9 Radar "));
    QCOMPARE(combo.itemText(577), QString::fromUtf16(u"Pok\u00E9 Toy"));
    int rowsWithAccent = 0;
    for (int row = 0; row < combo.count(); ++row)
        rowsWithAccent += combo.itemText(row).contains(eAcute);
    QCOMPARE(rowsWithAccent, 3);
    QCOMPARE(combo.itemText(4), QStringLiteral("Poke Ball"));
}

void TestNameLists::loadedControlsMatchTheLists_data()
{
    QTest::addColumn<QByteArray>("list");
    for (const auto& entry : lists())
        QTest::newRow(entry.first.constData()) << entry.first;
}

void TestNameLists::loadedControlsMatchTheLists()
{
    QFETCH(QByteArray, list);
    const Rows rows = lists().at(list);
    QComboBox combo;
    QListWidget listWidget;
    editor::loadRows(&combo, rows);
    editor::loadRows(&listWidget, rows);
    QCOMPARE(static_cast<std::size_t>(combo.count()), rows.size());
    QCOMPARE(static_cast<std::size_t>(listWidget.count()), rows.size());
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const int r = static_cast<int>(row);
        // Back to Windows-1252, the shown text must give the stored bytes again.
        QCOMPARE(combo.itemText(r).toLatin1(), bytes(rows[row]));
        QCOMPARE(listWidget.item(r)->text(), combo.itemText(r));
    }
}

void TestNameLists::loadingSelectsNothingAndNeverSorts()
{
    QComboBox combo;
    QSignalSpy changes(&combo, &QComboBox::currentIndexChanged);
    editor::loadRows(&combo, LevelNames);
    QCOMPARE(combo.currentIndex(), -1);
    QCOMPARE(changes.count(), 0);

    // Sorted, "Abomasnow" would come first and every row would stand for another species.
    QListWidget speciesList;
    speciesList.setSortingEnabled(true);
    editor::loadRows(&speciesList, editor::speciesListRows());
    QVERIFY(!speciesList.isSortingEnabled());
    QCOMPARE(speciesList.currentRow(), -1);
    QCOMPARE(speciesList.item(0)->text(), QStringLiteral("Bulbasaur"));
    QCOMPARE(speciesList.item(648)->text(), QStringLiteral("Genese"));
}

QTEST_MAIN(TestNameLists)
#include "test_namelists.moc"
