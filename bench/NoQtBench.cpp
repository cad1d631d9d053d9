// Built when the desktop part is not: there is no Qt model to measure.

#include "BenchSupport.h"

namespace artisanscope::bench {

void RegisterQtBenchmarks(Input&, double) {}
void ShutdownQtBenchmarks() {}

}  // namespace artisanscope::bench
