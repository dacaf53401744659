// Composition of the full and the short command line with every field filled.
#include "options/CommandLine.h"

#include <benchmark/benchmark.h>

using namespace fenwave;

namespace {

OptionSet everythingFilled()
{
    OptionSet o;
    for (int i = 0; i < kFieldCount; ++i) {
        const Field f = static_cast<Field>(i);
        o.setOn(f, true);
        o.setAvailable(f, true);
        o.setText(f, QStringLiteral(" value %1 ").arg(i));
    }
    o.setOn(Field::flgNoFilter, false);
    o.setOn(Field::flgNoATH, false);
    o.setOn(Field::rbutVBR, true);
    o.setIndex(Field::cbxVBRMode, 0);
    o.setIndex(Field::cbxPresets, 4);
    o.setIndex(Field::rgrInputType, 2);
    o.setIndex(Field::rgpOutputType, 3);
    o.setText(Field::LamePath, "/opt/my tools/lame");
    o.setText(Field::edtInput, "/home/me/My Music/a.wav");
    o.setText(Field::edtOutput, "/home/me/My Music/a.mp3");
    return o;
}

void BM_ComposeFull(benchmark::State &state)
{
    const OptionSet o = everythingFilled();
    for (auto _ : state)
        benchmark::DoNotOptimize(composeFullCommandLine(o));
    state.SetLabel(composeFullCommandLine(o).size() > 0 ? "filled" : "");
}
BENCHMARK(BM_ComposeFull);

void BM_ComposeShort(benchmark::State &state)
{
    const OptionSet o = everythingFilled();
    for (auto _ : state)
        benchmark::DoNotOptimize(composeShortCommandLine(o));
}
BENCHMARK(BM_ComposeShort);

} // namespace

BENCHMARK_MAIN();
