// Start-up time as the user sees it: from launching a program to its first
// window on the screen, mapped and painted. Two programs are launched in
// alternating pairs and watched from outside, over the X connection (no
// seam in either program): the map comes as MapNotify on the root window,
// the first frame as the DAMAGE extension's first report on that window.
// Prints each pair, the medians and the ratio of the second program's median
// to the first's; also the processor time each had used by its first frame
// (all its threads, from /proc), the steadier figure on a busy machine.
// Usage: bench_startup PAIRS PROGRAM_A PROGRAM_B
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

// No development header for DAMAGE on every machine; its two requests are
// small enough to send by hand (damageproto.h).
xcb_extension_t damageExtension = {"DAMAGE", 0};
constexpr uint8_t kDamageQueryVersion = 0;
constexpr uint8_t kDamageCreate = 1;
constexpr uint8_t kReportNonEmpty = 3;

void sendDamageRequest(xcb_connection_t *c, uint8_t opcode, const uint32_t *words, size_t count)
{
    xcb_protocol_request_t request = {1, &damageExtension, opcode, 1};
    // The first word (opcodes and length) is filled in by xcb.
    std::vector<uint32_t> body(count + 1, 0);
    std::copy(words, words + count, body.begin() + 1);
    // xcb wants two spare entries in front of the data for its own use.
    struct iovec parts[3];
    parts[2].iov_base = body.data();
    parts[2].iov_len = body.size() * sizeof(uint32_t);
    xcb_send_request(c, 0, parts + 2, &request);
}

struct Times
{
    double mappedMs = -1;
    double paintedMs = -1;
    double cpuMs = -1;
};

// Time on a processor so far, summed over the threads still running.
double processorMs(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR *dir = opendir(tasks.c_str());
    if (!dir)
        return -1;
    double ns = 0;
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        if (FILE *f = std::fopen((tasks + '/' + entry->d_name + "/schedstat").c_str(), "r")) {
            unsigned long long onCpu = 0;
            if (std::fscanf(f, "%llu", &onCpu) == 1)
                ns += double(onCpu);
            std::fclose(f);
        }
    }
    closedir(dir);
    return ns / 1e6;
}

// One launch: until the first frame of a window the program mapped.
Times launchAndWatch(xcb_connection_t *c, uint8_t damageEvent, const char *program)
{
    Times times;
    std::set<xcb_window_t> mapped;
    const Clock::time_point start = Clock::now();
    pid_t pid = -1;
    char *argv[] = {const_cast<char *>(program), nullptr};
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", program);
        std::exit(1);
    }
    const auto ms = [&] { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); };
    while (times.paintedMs < 0) {
        xcb_generic_event_t *e = xcb_wait_for_event(c);
        if (!e) {
            std::fprintf(stderr, "the X connection broke\n");
            std::exit(1);
        }
        const uint8_t type = e->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            // Watched from its creation, so no frame is missed.
            const auto *created = reinterpret_cast<xcb_create_notify_event_t *>(e);
            const uint32_t words[] = {xcb_generate_id(c), created->window, kReportNonEmpty};
            sendDamageRequest(c, kDamageCreate, words, 3);
            xcb_flush(c);
        } else if (type == XCB_MAP_NOTIFY) {
            const auto *map = reinterpret_cast<xcb_map_notify_event_t *>(e);
            mapped.insert(map->window);
            if (times.mappedMs < 0)
                times.mappedMs = ms();
        } else if (type == damageEvent) {
            // DamageNotify: level, drawable, damage, ...
            uint32_t drawable;
            std::memcpy(&drawable, reinterpret_cast<const char *>(e) + 4, sizeof drawable);
            if (mapped.count(drawable)) {
                times.paintedMs = ms();
                times.cpuMs = processorMs(pid);
            }
        }
        std::free(e);
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    // Its windows' notices are no longer of interest.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    while (xcb_generic_event_t *e = xcb_poll_for_event(c))
        std::free(e);
    return times;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s PAIRS PROGRAM_A PROGRAM_B\n", argv[0]);
        return 2;
    }
    const int pairs = std::atoi(argv[1]);
    const char *programs[2] = {argv[2], argv[3]};

    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    const xcb_query_extension_reply_t *damage = xcb_get_extension_data(c, &damageExtension);
    if (!damage || !damage->present) {
        std::fprintf(stderr, "the X server has no DAMAGE extension\n");
        return 1;
    }
    const uint32_t version[] = {1, 1};
    sendDamageRequest(c, kDamageQueryVersion, version, 2);
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);

    std::vector<double> painted[2];
    std::vector<double> cpu[2];
    std::printf("%-5s %12s %12s %8s   %12s %12s %8s\n", "pair", "A mapped ms", "A painted ms", "A cpu ms",
                "B mapped ms", "B painted ms", "B cpu ms");
    // One unmeasured launch of each first: the disk cache, not the program.
    for (const char *program : programs)
        launchAndWatch(c, damage->first_event, program);
    for (int pair = 1; pair <= pairs; ++pair) {
        Times t[2];
        for (int i = 0; i < 2; ++i) {
            t[i] = launchAndWatch(c, damage->first_event, programs[i]);
            painted[i].push_back(t[i].paintedMs);
            cpu[i].push_back(t[i].cpuMs);
        }
        std::printf("%-5d %12.1f %12.1f %8.1f   %12.1f %12.1f %8.1f\n", pair, t[0].mappedMs, t[0].paintedMs,
                    t[0].cpuMs, t[1].mappedMs, t[1].paintedMs, t[1].cpuMs);
    }
    const double a = median(painted[0]);
    const double b = median(painted[1]);
    std::printf("median to the first frame: A %.1f ms, B %.1f ms; B/A = %.2f\n", a, b, b / a);
    const double ca = median(cpu[0]);
    const double cb = median(cpu[1]);
    std::printf("median processor time by then: A %.1f ms, B %.1f ms; B/A = %.2f\n", ca, cb, cb / ca);
    xcb_disconnect(c);
    return 0;
}
