// The editor as a user feels it: the window made ready, a species change, a save, and peak memory,
// each beside a floor measured in the same binary.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/ratios.h"
#include "editor/controller.h"
#include "editor/dialogs.h"
#include "editor/mainwindow.h"
#include "rom/slotcodec.h"
#include "tools/sampleimage.h"

namespace {

const rom::SupportedGame& kGame = rom::kSupportedGames[1];  // IREO: the 512 MiB image

class ScriptedDialogs final : public editor::Dialogs {
public:
    QString name;
    QString openFileName(const QString&, const QString&) override { return name; }
    void message(const QString&, const QString& text) override
    {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
        std::abort();
    }
};

std::filesystem::path samplePath()
{
    static const std::filesystem::path path = [] {
        const auto p = std::filesystem::temp_directory_path() / ("quorvane-bench-" + std::to_string(::getpid()) + ".nds");
        if (!sample::WriteSampleImage(p, kGame))
            std::abort();
        return p;
    }();
    return path;
}

void showAndPaint(QWidget& w)
{
    w.show();
    QCoreApplication::processEvents();  // delivers the expose and the first paint
}

void BM_WindowReady(benchmark::State& state)
{
    for (auto _ : state) {
        editor::MainWindow window;
        ScriptedDialogs dialogs;
        editor::Controller controller(window, dialogs);
        showAndPaint(window);
    }
}

void BM_EmptyWindowReady(benchmark::State& state)
{
    for (auto _ : state) {
        QMainWindow window;
        window.menuBar()->addMenu(QStringLiteral("File"))->addAction(QStringLiteral("Open"));
        window.setCentralWidget(new QWidget);
        window.resize(705, 600);
        showAndPaint(window);
    }
}

struct OpenEditor {
    editor::MainWindow window;
    ScriptedDialogs dialogs;
    editor::Controller controller{window, dialogs};
    OpenEditor()
    {
        dialogs.name = QString::fromStdString(samplePath().string());
        showAndPaint(window);
        window.openAction->trigger();
    }
};

void BM_SpeciesChange(benchmark::State& state)
{
    OpenEditor ed;
    int i = 0;
    for (auto _ : state) {
        ed.window.speciesList->setCurrentRow((i++ & 1) ? 132 : 220);  // Eevee (stones) and Piloswine (a move)
    }
}

void BM_SpeciesChangeCoreRead(benchmark::State& state)
{
    int i = 0;
    for (auto _ : state) {
        auto s = rom::ReadSlot(samplePath(), kGame.code, (i++ & 1) ? rom::SlotAddress{132, 1} : rom::SlotAddress{220, 1});
        if (!s)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(s);
    }
}

void BM_SaveFromMenu(benchmark::State& state)
{
    OpenEditor ed;
    ed.window.speciesList->setCurrentRow(132);
    for (auto _ : state)
        ed.window.saveAction->trigger();
}

void BM_SaveCoreWrite(benchmark::State& state)
{
    // As the editor does: compare with the bytes last shown, which after a save are the ones written.
    const rom::SlotWrite values{8, rom::ParamKind::Item, 84, 134};
    const auto read = rom::ReadSlot(samplePath(), kGame.code, {132, 1});
    if (!read)
        state.SkipWithError("read failed");
    rom::SlotBytes shown = read ? read->bytes : rom::SlotBytes{};
    for (auto _ : state) {
        auto saved = rom::WriteSlot(samplePath(), kGame.code, {132, 1}, values, shown);
        if (!saved)
            state.SkipWithError("save failed");
        shown = rom::ComposeSlot(shown, values);
        benchmark::DoNotOptimize(saved);
    }
}

// Peak resident memory of a fresh process in one of two roles, in KiB.
long peakRss(const char* self, const char* role)
{
    int out[2];
    if (::pipe(out) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::execl(self, self, role, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    char buf[64] = {};
    const ssize_t n = ::read(out[0], buf, sizeof buf - 1);
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return n > 0 ? std::atol(buf) : -1;
}

int runRole(int argc, char** argv, const char* role)
{
    QApplication app(argc, argv);
    if (std::strcmp(role, "--rss-editor") == 0) {
        OpenEditor ed;
        ed.window.speciesList->setCurrentRow(132);
        QCoreApplication::processEvents();
    } else {
        QMainWindow window;
        window.menuBar()->addMenu(QStringLiteral("File"))->addAction(QStringLiteral("Open"));
        window.setCentralWidget(new QWidget);
        window.resize(705, 600);
        showAndPaint(window);
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("%ld\n", usage.ru_maxrss);
    return 0;
}

}  // namespace

BENCHMARK(BM_EmptyWindowReady)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowReady)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpeciesChangeCoreRead)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpeciesChange)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveCoreWrite)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveFromMenu)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

namespace {

QtMessageHandler g_defaultHandler = nullptr;

// The offscreen platform warns that it cannot pass on size hints each time a fixed-size window is
// shown, and these benchmarks show thousands; every other message still gets through.
void dropSizeHintWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.startsWith(QLatin1String("This plugin does not support")))
        g_defaultHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv)
{
    g_defaultHandler = qInstallMessageHandler(dropSizeHintWarnings);
    if (argc == 2 && std::strncmp(argv[1], "--rss-", 6) == 0)
        return runRole(argc, argv, argv[1]);

    const long editorKiB = peakRss(argv[0], "--rss-editor");
    const long emptyKiB = peakRss(argv[0], "--rss-empty");

    int rc = 0;
    {
        QApplication app(argc, argv);
        rc = bench::runWithRatios(argc, argv,
                                  {{"BM_WindowReady", "BM_EmptyWindowReady", 2.0},
                                   {"BM_SpeciesChange", "BM_SpeciesChangeCoreRead", 0},
                                   {"BM_SaveFromMenu", "BM_SaveCoreWrite", 0}});
    }
    if (editorKiB > 0 && emptyKiB > 0) {
        const double r = double(editorKiB) / double(emptyKiB);
        std::printf("RATIO %-28s %-34s %9ld KiB %9ld KiB %7.2f %7.2f %s\n", "peak RSS, editor + image",
                    "peak RSS, empty window", editorKiB, emptyKiB, r, 1.3, r <= 1.3 ? "met" : "MISSED");
    }
    std::filesystem::remove(samplePath());
    return rc;
}
