// The benchmark's timed parts, one mode per process:
//   ovra_bench scan N | pairs N | scanonce | backup N | delete | restore N | views N | memory
// Each prints "FIGURE name value" lines (medians of N runs, in ms) and
// "INFO" lines; bench/run.sh runs the modes and the platform's reg tool
// side by side and writes the report.
#include "platform/ovraInstance.h"
#include "bench/ovraRegistryBench.h"
#include "bench/ovraViewBench.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    g_hInstance = GetModuleHandleA(nullptr);
    InitCommonControls();
    if (argc < 2) {
        std::fprintf(stderr, "usage: ovra_bench scan|pairs|scanonce|backup|delete|restore|views|memory [runs]\n");
        return 2;
    }
    const char* mode = argv[1];
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    if (!std::strcmp(mode, "views") || !std::strcmp(mode, "memory")) {
        ovra::ViewBench bench;
        return !std::strcmp(mode, "views") ? bench.RunViews(runs) : bench.RunMemory(100000);
    }
    ovra::RegistryBench bench;
    if (!std::strcmp(mode, "scan"))
        return bench.RunScan(runs);
    if (!std::strcmp(mode, "pairs"))
        return bench.RunPairs(runs);
    if (!std::strcmp(mode, "scanonce"))
        return bench.RunScanOnce();
    if (!std::strcmp(mode, "backup"))
        return bench.RunBackup(runs);
    if (!std::strcmp(mode, "delete"))
        return bench.RunDelete();
    if (!std::strcmp(mode, "restore"))
        return bench.RunRestore(runs);
    std::fprintf(stderr, "ovra_bench: unknown mode %s\n", mode);
    return 2;
}
