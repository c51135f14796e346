#include "bench/BenchmarkMain.h"

#include <QApplication>
#include <QByteArray>

#include <benchmark/benchmark.h>

#include <vector>

namespace clipvoice::bench {

namespace {

std::vector<void (*)()>& registrations()
{
    static std::vector<void (*)()> list;
    return list;
}

} // namespace

bool registerWhenStarted(void (*registration)())
{
    registrations().push_back(registration);
    return true;
}

} // namespace clipvoice::bench

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    for (void (*registration)() : clipvoice::bench::registrations())
        registration();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
