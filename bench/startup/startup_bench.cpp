// Start-up of Kestrum against a bare Qt window with a menu and two text areas
// (startup_bare_window), started one after the other in alternating order on the X display of
// $DISPLAY: the time from the start of the process to the first paint of its main window (the
// first window of the process that is mapped, is no dialog and gets drawn into, as the X server's
// DAMAGE extension reports it), and the process's resident memory half a second later.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" build/bin/startup_bench
//
// Each repetition is one pair of starts; the medians over the repetitions are the figures.
// bare_splash_ms is a third start, the bare window after a splash dialog like Kestrum's
// (startup_bare_window --splash): what the splash window costs any Qt program that shows one.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

const std::string kestrumPath = KESTRUM_BIN_DIR "/Kestrum";
const std::string barePath = KESTRUM_BIN_DIR "/startup_bare_window";

struct Started {
    double shownMs = 0;
    double residentMB = 0;
};

class Display_ {
public:
    Display_() : m_display(XOpenDisplay(nullptr)) {
        if (!m_display)
            throw std::runtime_error("no X display: run under xvfb-run");
        int error = 0;
        if (!XDamageQueryExtension(m_display, &m_damageEvent, &error))
            throw std::runtime_error("the X server has no DAMAGE extension");
        m_pid = XInternAtom(m_display, "_NET_WM_PID", False);
        m_type = XInternAtom(m_display, "_NET_WM_WINDOW_TYPE", False);
        m_dialog = XInternAtom(m_display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
        XSetErrorHandler([](Display *, XErrorEvent *) { return 0; }); // windows that went
        XSelectInput(m_display, DefaultRootWindow(m_display), SubstructureNotifyMask);
        XSync(m_display, False);
    }
    ~Display_() { XCloseDisplay(m_display); }

    // Starts `program` and waits for its main window's first paint.
    Started start(const std::string &program, const char *option, pid_t &pid) {
        drain();
        std::map<Window, Damage> damages;
        std::map<Window, bool> mapped;
        const Clock::time_point begin = Clock::now();
        char *argv[] = {const_cast<char *>(program.c_str()), const_cast<char *>(option), nullptr};
        if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0)
            throw std::runtime_error("cannot start " + program);
        Started started;
        const Clock::time_point deadline = begin + std::chrono::seconds(60);
        while (started.shownMs == 0) {
            if (Clock::now() > deadline)
                throw std::runtime_error(program + " showed no window in time");
            if (!XPending(m_display)) {
                pollfd fd{ConnectionNumber(m_display), POLLIN, 0};
                poll(&fd, 1, 100);
                continue;
            }
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type == CreateNotify && !event.xcreatewindow.override_redirect) {
                // Watched from its creation, so no paint after its mapping is missed.
                const Window w = event.xcreatewindow.window;
                damages[w] = XDamageCreate(m_display, w, XDamageReportNonEmpty);
            } else if (event.type == MapNotify) {
                mapped[event.xmap.window] = true;
            } else if (event.type == UnmapNotify) {
                mapped[event.xunmap.window] = false;
            } else if (event.type == m_damageEvent + XDamageNotify) {
                const auto *damage = reinterpret_cast<XDamageNotifyEvent *>(&event);
                XDamageSubtract(m_display, damage->damage, None, None);
                const Window w = damage->drawable;
                if (mapped[w] && windowPid(w) == pid && !isDialog(w))
                    started.shownMs =
                        std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
            }
        }
        for (const auto &[window, damage] : damages)
            XDamageDestroy(m_display, damage);
        XSync(m_display, False);
        return started;
    }

private:
    void drain() {
        XSync(m_display, False);
        while (XPending(m_display)) {
            XEvent event;
            XNextEvent(m_display, &event);
        }
    }
    unsigned long cardinal(Window w, Atom property, Atom type) {
        Atom actual = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char *data = nullptr;
        unsigned long value = 0;
        if (XGetWindowProperty(m_display, w, property, 0, 1, False, type, &actual, &format, &count,
                               &after, &data) == Success &&
            data) {
            if (count == 1)
                value = *reinterpret_cast<unsigned long *>(data);
            XFree(data);
        }
        return value;
    }
    pid_t windowPid(Window w) { return pid_t(cardinal(w, m_pid, XA_CARDINAL)); }
    bool isDialog(Window w) { return cardinal(w, m_type, XA_ATOM) == m_dialog; }

    ::Display *m_display;
    int m_damageEvent = 0;
    Atom m_pid, m_type, m_dialog;
};

double residentMB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return 0;
}

Started run(Display_ &display, const std::string &program, const char *option = nullptr) {
    pid_t pid = 0;
    Started started = display.start(program, option, pid);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    started.residentMB = residentMB(pid);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return started;
}

// A home of the benchmark's own, where Kestrum registers its control library on the warm-up
// start, so the measured starts find it registered as a user's later starts do.
void prepareEnvironment() {
    static std::string home;
    if (!home.empty())
        return;
    char pattern[] = "/tmp/startup_bench.XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("no temporary folder");
    home = pattern;
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
    setenv("KESTRUM_COMPONENT_REGISTRY", (home + "/components.conf").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    if (!getenv("XDG_RUNTIME_DIR"))
        setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    std::atexit([] { std::filesystem::remove_all(home); });
}

void startUp(benchmark::State &state) {
    prepareEnvironment();
    Display_ display;
    static bool warmedUp = false;
    if (!warmedUp) {
        run(display, kestrumPath);
        run(display, barePath);
        warmedUp = true;
    }
    static int pairs = 0;
    for (auto _ : state) {
        Started kestrum, bare;
        if (pairs++ % 2 == 0) {
            kestrum = run(display, kestrumPath);
            bare = run(display, barePath);
        } else {
            bare = run(display, barePath);
            kestrum = run(display, kestrumPath);
        }
        const Started splash = run(display, barePath, "--splash");
        state.SetIterationTime(kestrum.shownMs / 1000);
        state.counters["kestrum_ms"] = kestrum.shownMs;
        state.counters["bare_ms"] = bare.shownMs;
        state.counters["bare_splash_ms"] = splash.shownMs;
        state.counters["time_ratio"] = kestrum.shownMs / bare.shownMs;
        state.counters["kestrum_MB"] = kestrum.residentMB;
        state.counters["bare_MB"] = bare.residentMB;
        state.counters["memory_ratio"] = kestrum.residentMB / bare.residentMB;
    }
}
BENCHMARK(startUp)
    ->Iterations(1)
    ->Repetitions(11)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
