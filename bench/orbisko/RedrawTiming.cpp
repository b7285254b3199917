// How long the map viewer's window takes to redraw its map coloured by height, timed inside the
// program as a wheel zoom or a pan makes it redraw: the world map at the designed 900 x 450 and
// at each other map size given, from the data folder given (Countries.dat and a grid).
//
//   orbisko-redraw-timing FOLDER [WIDTHxHEIGHT ...]
//
// Prints the median and the slowest of 41 redraws a size, after two that warm the caches, and
// the median of their CPU time, which a busy machine disturbs less.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "BatchInteraction.h"
#include "OrbiskoForm.h"

namespace {

constexpr int kRedraws = 41;
// The designed window's client area around its 900 x 450 map.
constexpr int kMarginWidth = 12;
constexpr int kMarginHeight = 32;

double CpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The wall-clock median (and the slowest) and, less disturbed by a busy machine, the CPU median.
struct Timings {
    double wallMs, slowestMs, cpuMs;
};

Timings TimeRedraws(TFormMain& form) {
    std::vector<double> wall, cpu;
    for (int run = 0; run < kRedraws + 2; ++run) {
        const double cpuStart = CpuMs();
        const auto start = std::chrono::steady_clock::now();
        form.RedrawMap();
        const auto end = std::chrono::steady_clock::now();
        if (run < 2) continue;
        wall.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        cpu.push_back(CpuMs() - cpuStart);
    }
    return {Median(wall), *std::max_element(wall.begin(), wall.end()), Median(cpu)};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: orbisko-redraw-timing FOLDER [WIDTHxHEIGHT ...]\n";
        return 2;
    }
    std::string folder = argv[1];
    if (!folder.ends_with('/')) folder += '/';
    std::vector<std::pair<int, int>> sizes{{900, 450}};
    for (int i = 2; i < argc; ++i) {
        int width = 0, height = 0;
        if (std::sscanf(argv[i], "%dx%d", &width, &height) != 2 || width < 16 || height < 16) {
            std::cerr << "orbisko-redraw-timing: not a map size: " << argv[i] << "\n";
            return 2;
        }
        sizes.emplace_back(width, height);
    }

    batch::BatchInteraction ui(std::cout, std::cerr, "orbisko-redraw-timing");
    TFormMain form(ui, {folder});
    form.Create();
    if (!form.CartogList || form.Topography.TopoLayout == 0) {
        std::cerr << "orbisko-redraw-timing: no Countries.dat or no grid in " << folder << "\n";
        return 1;
    }
    form.Timer1Timer();
    form.ViewTopographyClick();
    for (auto [width, height] : sizes) {
        form.SetClientSize(width + kMarginWidth, height + kMarginHeight);
        form.OpenWorldClick();
        const Timings timings = TimeRedraws(form);
        std::printf(
            "%d x %d: median %.1f ms, slowest %.1f ms, CPU median %.1f ms (%d redraws "
            "with topography)\n",
            form.MapView.ImageWidth(), form.MapView.ImageHeight(), timings.wallMs,
            timings.slowestMs, timings.cpuMs, kRedraws);
    }
    return ui.ErrorCount() == 0 ? 0 : 1;
}
