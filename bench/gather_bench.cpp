// Time to read Setup.inf and gather the install file lists of a large
// two-disc game: 5 groups x 2 discs x 20,000 File keys, each section also
// pulling in a 20,000-line list file.
#include <benchmark/benchmark.h>

#include "fake.h"
#include "install/instgetinstallfile.h"
#include "shell/instconfig.h"
#include "shell/instmain.h"

namespace {

constexpr int kKeys = 20000;
constexpr int kListLines = 20000;

struct Probe : platform::Form {
    Probe() : Form(kGetInstallFileForm) {}
};

void MakeDisc() {
    fake::Reset();
    fake::SetDrive('Q', fake::Drive{true, std::string(kDiscLabel)});
    std::string inf =
        "[Setting]\r\nGameTitle=ソフト表\r\nDefInstPath=Game\r\nProgramFolder=Maker\r\nRegKey=Maker\r\n"
        "TotalDisc=2\r\n";
    for (const char* group : kGroups) {
        for (int disc = 1; disc <= 2; ++disc) {
            const std::string section = group + std::to_string(disc);
            inf += "[" + section + "]\r\n";
            for (int n = 1; n <= kKeys; ++n)
                inf += "File" + std::to_string(n) + "=" + (n == kKeys / 2 ? std::string(":") : "ファイル" + std::to_string(n) + ".dat") + "\r\n";
            std::string list;
            for (int n = 1; n <= kListLines; ++n) list += "sub\\リスト" + std::to_string(n) + ".bin\r\n";
            fake::AddFile("Q:\\Setup" + section + ".inf", list);
        }
    }
    fake::AddFile("Q:\\Setup.inf", inf);
}

void BM_ReadSetupAndGather(benchmark::State& state) {
    MakeDisc();
    std::size_t entries = 0;
    for (auto _ : state) {
        InstConfig = TInstConfig();
        InstConfig.CdDrive = 'Q';
        for (auto& list : InstConfig.FileLists) list = std::make_unique<FileList>();
        Probe menu;
        menu.Create();
        BoxReporter boxes;
        ReadSettingSection(menu, boxes);
        GatherInstallFileInfo(menu);
        entries = 0;
        for (auto& list : InstConfig.FileLists) entries += list->size();
        menu.Destroy();
    }
    state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_ReadSetupAndGather)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
