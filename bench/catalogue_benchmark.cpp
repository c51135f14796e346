// Building the catalogue tree from folders of 10, 1,000 and 10,000 character
// files, and queueing a large copied text (200,000 lines, about 10 MB) through
// the speak pipeline into the headless character service.

#include "bench/LargeCopiedText.h"
#include "catalogue/CatalogueBuilder.h"
#include "catalogue/CatalogueTree.h"
#include "platform/agent/HeadlessAgentService.h"
#include "speech/SpeakPipeline.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <memory>

using namespace clipvoice;

namespace {

// A folder with `count` character files, a few of them standard characters.
std::unique_ptr<QTemporaryDir> makeFolder(int count)
{
    auto dir = std::make_unique<QTemporaryDir>();
    for (int i = 0; i < count; ++i) {
        const QString name = i % 250 == 0 ? QStringLiteral("genie%1.acs").arg(i)
                                          : QStringLiteral("character%1.acs").arg(i);
        QFile file(QDir(dir->path()).filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write("\xC3\xAB\xCD\xAB", 4);
    }
    return dir;
}

void catalogueBuild(benchmark::State& state)
{
    const auto folder = makeFolder(static_cast<int>(state.range(0)));
    QPixmap picture(16, 16);
    picture.fill(Qt::white);
    for (auto _ : state) {
        QTreeWidget tree;
        QListWidget files;
        catalogue::CatalogueTree catalogue(tree, [&](const QString&) { return picture; });
        const auto error = catalogue::buildCatalogue(catalogue, files, folder->path());
        benchmark::DoNotOptimize(error);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(catalogueBuild)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

QString largeText()
{
    return largeCopiedText(QStringLiteral("\r\n"));
}

void queueLargeClipboardText(benchmark::State& state)
{
    const QString text = largeText();
    for (auto _ : state) {
        state.PauseTiming();
        auto service = std::make_unique<platform::agent::HeadlessAgentService>();
        service->setCharacterFileCheck(false);
        (void)service->characters().load(QStringLiteral("clipvoice"), QStringLiteral("x.acs"));
        platform::agent::RequestPtr last;
        speech::SpeakContext context;
        context.character = service->characters().item(QStringLiteral("clipvoice")).value();
        context.selectedLanguage = 2;
        context.lastRequest = &last;
        state.ResumeTiming();
        speech::SpeakText(text, context);
        benchmark::DoNotOptimize(last);
        state.PauseTiming();
        service.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * text.toUtf8().size());
}
BENCHMARK(queueLargeClipboardText)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
