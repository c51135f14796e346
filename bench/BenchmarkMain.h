#pragma once

namespace clipvoice::bench {

// The one main() of the Qt benchmarks (BenchmarkMain.cpp) creates an offscreen
// QApplication and then runs Google Benchmark. Benchmarks that can only be
// listed once the application exists (the installed voices, say) are
// registered by a function handed over here from a namespace-scope
// initialiser; it runs after the application is created. Returns true.
bool registerWhenStarted(void (*registration)());

} // namespace clipvoice::bench
