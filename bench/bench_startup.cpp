// Start-up time: from launch to the first paint of the parts window (its first record on
// screen), against a bare Qt window, both started in turn on the same X display.
//
//   xvfb-run -a build/bench/bench_startup [runs]
//
// Each program runs with COGWRIGHT_EXIT_WHEN_SHOWN=1: after its window's first paint it prints
// "shown" and ends. The time is taken here, from just before the fork to the moment that line
// arrives; the program's own shutdown is not counted. The parts window starts from a copy of
// the program folder under build/bench-data/startup, on a freshly seeded catalogue.
//
// With COGWRIGHT_STARTUP_TRACE=1 each program also says when it reached each step of its
// start-up (app/StartupTrace.h); the medians of those give the breakdown printed at the end.

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
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kTimeoutMs = 30000;

// The steps a program said it reached ("at STEP NANOSECONDS"), in ms from launch, in order.
using Steps = std::vector<std::pair<std::string, double>>;

Steps stepsSaid(const std::string& said, Clock::time_point start) {
    Steps steps;
    std::istringstream lines(said);
    std::string line;
    const auto origin =
        std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch()).count();
    while (std::getline(lines, line)) {
        if (line.rfind("cpu ", 0) == 0)
            steps.emplace_back("(cpu)", std::atoll(line.c_str() + 4) / 1e6);
        if (line.rfind("at ", 0) != 0) continue;
        const size_t last = line.rfind(' ');
        if (last <= 3) continue;
        const long long ns = std::atoll(line.c_str() + last + 1);
        steps.emplace_back(line.substr(3, last - 3), (ns - origin) / 1e6);
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
    if (steps && ms) {
        *steps = stepsSaid(said, start);
        steps->emplace_back("shown", *ms);
    }
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
    const char* name;
    fs::path program;
    std::vector<double> times;
    int failures = 0;
    std::vector<std::string> order;                    // the steps, as first said
    std::map<std::string, std::vector<double>> steps;  // ms from launch, one per run

    void take(const Steps& said) {
        for (const auto& [step, ms] : said) {
            if (!steps.count(step)) order.push_back(step);
            steps[step].push_back(ms);
        }
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
        {"bare Qt window", fs::path(BENCH_BIN_DIR) / "bare_window", {}},
        {"bare window, engine linked, GL shared",
         fs::path(BENCH_BIN_DIR) / "bare_window_engine",
         {}},
        {"cogwright, first record shown", makeProgramFolder(data / "program"), {}},
    };
    fs::remove(errors);

    // One unmeasured start of each fills the file cache.
    for (auto& c : contenders) launch(c.program, errors);
    for (int i = 0; i < runs; ++i)
        for (auto& c : contenders) {
            Steps steps;
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
    std::printf("processor time to first paint, median ms:\n");
    for (const auto& c : contenders)
        if (c.steps.count("(cpu)"))
            std::printf("  %-38s %7.1f\n", c.name, median(c.steps.at("(cpu)")));
    if (bare.steps.count("(cpu)") && program.steps.count("(cpu)"))
        std::printf("cogwright / bare window: %.2fx\n",
                    median(program.steps.at("(cpu)")) / median(bare.steps.at("(cpu)")));

    // Where the time goes: each step's median time from launch, and since the step before.
    std::printf("\nbreakdown, median ms from launch (since the step before):\n");
    for (const auto& c : contenders) {
        std::printf("  %s:\n", c.name);
        double before = 0;
        for (const std::string& step : c.order) {
            const double at = median(c.steps.at(step));
            if (step == "(cpu)") continue;
            std::printf("    %-14s %7.1f  (%+6.1f)\n", step.c_str(), at, at - before);
            before = at;
        }
    }
    return bare.failures || program.failures ? 1 : 0;
}
