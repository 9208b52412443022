// Start-up time: from launch to the first paint of the parts window (its first record on
// screen), against a bare Qt window, both started in turn on the same X display.
//
//   xvfb-run -a build/bench/bench_startup [runs]
//
// Each program runs with COGWRIGHT_EXIT_WHEN_SHOWN=1: after its window's first paint it prints
// "shown" and ends. The time is taken here, from just before the fork to the moment that line
// arrives; the program's own shutdown is not counted, and each start waits a moment after the
// one before has ended. The parts window starts from a copy of
// the program folder under build/bench-data/startup, on a freshly seeded catalogue.
//
// With COGWRIGHT_STARTUP_TRACE=1 each program also says when it reached each step of its
// start-up and how much processor time it had taken (app/StartupTrace.h); the medians of those
// give the processor time to the first paint and the breakdown printed at the end.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kTimeoutMs = 30000;
constexpr int kSettleMs = 200;

// The steps a program said it reached ("at STEP NANOSECONDS CPU"), in order: ms from launch on
// the clock, and ms of processor time taken by then.
struct Step {
    std::string name;
    double wall;
    double cpu;
};
using Steps = std::vector<Step>;

Steps stepsSaid(const std::string& said, Clock::time_point start) {
    Steps steps;
    std::istringstream lines(said);
    std::string line;
    const auto origin =
        std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch()).count();
    while (std::getline(lines, line)) {
        if (line.rfind("at ", 0) != 0) continue;
        std::istringstream words(line.substr(3));
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        if (w.size() < 3) continue;
        // The step's name may hold blanks: the two numbers are the last words.
        std::string name = w[0];
        for (size_t i = 1; i + 2 < w.size(); ++i) name += ' ' + w[i];
        steps.push_back({name, (std::atoll(w[w.size() - 2].c_str()) - origin) / 1e6,
                         std::atoll(w.back().c_str()) / 1e6});
    }
    return steps;
}

// Milliseconds from launch to "shown", or nothing when the program failed or took too long.
std::optional<double> launch(const fs::path& program, const fs::path& errors,
                             Steps* steps = nullptr) {
    int out[2];
    if (pipe(out) != 0) return std::nullopt;
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        const int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (err >= 0) dup2(err, STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        if (chdir(program.parent_path().c_str()) != 0) _exit(126);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string said;
    std::optional<double> ms;
    pollfd p{out[0], POLLIN, 0};
    while (!ms) {
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (waited >= kTimeoutMs || poll(&p, 1, int(kTimeoutMs - waited)) <= 0) break;
        char buffer[256];
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;
        said.append(buffer, size_t(n));
        if (said.find("shown\n") != std::string::npos)
            ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    close(out[0]);
    if (!ms) kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    if (steps && ms) *steps = stepsSaid(said, start);
    return ms;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// A program folder of its own: the executable, its libraries and logo, and a seeded catalogue.
fs::path makeProgramFolder(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const auto& entry : fs::directory_iterator(PROGRAM_DIR)) {
        const std::string name = entry.path().filename().string();
        if (name == "cogwright" || name == "logo.jpg" || name.rfind("libcogwright", 0) == 0)
            fs::copy(entry.path(), folder / name, fs::copy_options::copy_symlinks);
    }
    const std::string seed = std::string("'") + SEEDPARTS + "' '" + folder.string() + "' '" +
                             PICTURES_DIR + "' > /dev/null";
    if (std::system(seed.c_str()) != 0 || !fs::exists(folder / "Parts.mdb")) {
        std::fprintf(stderr, "could not seed a catalogue in %s\n", folder.c_str());
        std::exit(1);
    }
    return folder / "cogwright";
}

struct Contender {
    Contender(const char* n, fs::path p) : name(n), program(std::move(p)) {}
    const char* name;
    fs::path program;
    std::vector<double> times;
    int failures = 0;
    std::vector<std::string> order;  // the steps, as first said
    // For each step, one per run: ms from launch, and ms of processor time by then.
    std::map<std::string, std::pair<std::vector<double>, std::vector<double>>> steps;

    void take(const Steps& said) {
        for (const Step& step : said) {
            if (!steps.count(step.name)) order.push_back(step.name);
            steps[step.name].first.push_back(step.wall);
            steps[step.name].second.push_back(step.cpu);
        }
    }
    std::optional<double> cpuShown() const {
        const auto it = steps.find("shown");
        if (it == steps.end()) return std::nullopt;
        return median(it->second.second);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "needs an X display: run it as  xvfb-run -a %s\n", argv[0]);
        return 1;
    }
    // Every program here is to open its window on the X display, not offscreen.
    unsetenv("QT_QPA_PLATFORM");
    setenv("COGWRIGHT_EXIT_WHEN_SHOWN", "1", 1);
    setenv("COGWRIGHT_STARTUP_TRACE", "1", 1);
    setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 1);

    const fs::path data = fs::path(BENCH_DATA_DIR) / "startup";
    const fs::path errors = data / "stderr.log";
    std::vector<Contender> contenders{
        {"bare Qt window", fs::path(BENCH_BIN_DIR) / "bare_window"},
        {"bare window, engine linked, GL shared", fs::path(BENCH_BIN_DIR) / "bare_window_engine"},
        {"cogwright, first record shown", makeProgramFolder(data / "program")},
    };
    fs::remove(errors);

    // One unmeasured start of each fills the file cache. Each start waits a moment after the
    // one before, so that it finds the display done with the window that went (otherwise the
    // program started after the heaviest one pays for that one's leaving).
    auto settle = [] { std::this_thread::sleep_for(std::chrono::milliseconds(kSettleMs)); };
    for (auto& c : contenders) {
        settle();
        launch(c.program, errors);
    }
    for (int i = 0; i < runs; ++i)
        for (auto& c : contenders) {
            Steps steps;
            settle();
            if (auto ms = launch(c.program, errors, &steps)) {
                c.times.push_back(*ms);
                c.take(steps);
            } else {
                ++c.failures;
            }
        }

    std::printf("launch to first paint, %d runs each, taken in turn (ms):\n", runs);
    for (const auto& c : contenders) {
        if (c.times.empty()) {
            std::printf("  %-38s never showed its window (see %s)\n", c.name, errors.c_str());
            continue;
        }
        std::printf("  %-38s median %7.1f  min %7.1f  max %7.1f", c.name, median(c.times),
                    *std::min_element(c.times.begin(), c.times.end()),
                    *std::max_element(c.times.begin(), c.times.end()));
        if (c.failures) std::printf("  (%d failed)", c.failures);
        std::printf("\n");
    }
    const auto& bare = contenders.front();
    const auto& program = contenders.back();
    if (!bare.times.empty() && !program.times.empty())
        std::printf("cogwright / bare window: %.2fx (aim <= 1.25x)\n",
                    median(program.times) / median(bare.times));
    // The processor time each took to its first paint: less moved by other programs' load.
    std::printf("processor time (all threads) to first paint, median ms:\n");
    for (const auto& c : contenders)
        if (const auto cpu = c.cpuShown()) std::printf("  %-38s %7.1f\n", c.name, *cpu);
    if (bare.cpuShown() && program.cpuShown())
        std::printf("cogwright / bare window: %.2fx\n", *program.cpuShown() / *bare.cpuShown());

    // Where the time goes: each step's median from launch, on the clock and in processor time,
    // and since the step before.
    std::printf(
        "\nbreakdown, medians in ms: from launch (since the step before); processor time "
        "(since the step before)\n");
    for (const auto& c : contenders) {
        std::printf("  %s:\n", c.name);
        double wallBefore = 0, cpuBefore = 0;
        for (const std::string& step : c.order) {
            const double wall = median(c.steps.at(step).first);
            const double cpu = median(c.steps.at(step).second);
            std::printf("    %-14s %7.1f (%+6.1f)   %7.1f (%+6.1f)\n", step.c_str(), wall,
                        wall - wallBefore, cpu, cpu - cpuBefore);
            wallBefore = wall;
            cpuBefore = cpu;
        }
    }
    return bare.failures || program.failures ? 1 : 0;
}
