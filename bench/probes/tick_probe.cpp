// Runs the clipboard watcher's tick as the idle program does (a character
// loaded, nothing new on the clipboard) a given number of times, so that
// valgrind's callgrind can count the instructions one tick costs:
//
//   valgrind --tool=callgrind --collect-atstart=no
//       --toggle-collect='clipvoice::speech::clipboardTick*' tick_probe 1000

#include "platform/qt/QtClipboard.h"
#include "speech/ClipboardWatcher.h"

#include <QApplication>
#include <QClipboard>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const int ticks = argc > 1 ? std::atoi(argv[1]) : 1000;
    QGuiApplication::clipboard()->clear();
    clipvoice::platform::QtClipboard clipboard;
    int spoken = 0;
    for (int i = 0; i < ticks; ++i) {
        clipvoice::speech::clipboardTick(clipboard, true, [&](const QString&) { ++spoken; });
        QCoreApplication::processEvents();
    }
    std::printf("%d ticks, %d texts taken\n", ticks, spoken);
    return 0;
}
