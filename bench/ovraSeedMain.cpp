// Seeds the prefix it runs in with the benchmark's registry and files.
// Meant for a throwaway prefix only: it adds tens of thousands of entries.
#include "bench/ovraSeeder.h"

#include <cstdio>

int main()
{
    ovra::Seeder seeder(20261207u);
    const bool ok = seeder.Run();
    for (int i = 0; i < ovra::Seeder::kAreas; ++i) {
        const ovra::Seeder::Area& area = seeder.Areas()[i];
        std::printf("SEED %-20s %6d entries %5d dead\n", area.name, area.nEntries, area.nDead);
    }
    std::printf("SEED files created %d\n", seeder.FilesCreated());
    return ok ? 0 : 1;
}
